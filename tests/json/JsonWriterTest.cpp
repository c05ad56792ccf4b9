#include "json/json_writer.h"

#include <gtest/gtest.h>

#include <limits>

using namespace json_writer;

// Every value takes a comma, and the last one of a container gives it back as a space.
TEST(JsonWriter, LayoutsByteForByte)
{
    const auto sample = [](object_t o) {
        writeString(writeKey(o, "a"), "x");
        writeArray(writeKey(o, "b"), [](array_t a) { writeNull(writeNumber(a, 1)); });
        writeObject(writeKey(o, "c"), [](object_t c) { writeBool(writeKey(c, "d"), true); });
        writeArray(writeKey(o, "e"), [](array_t) {});
        writeArray(writeKey(o, "f"), [](array_t a) {
            writeBool(writeArrayString(a, "s"), false);
            writeArray(a, nullptr);
            writeObject(a, [](object_t e) { writeObject(writeKey(e, "k"), nullptr); });
        });
        writeNumber(writeKey(o, "g"), 2);
    };
    EXPECT_EQ(writeDocument(false, sample), "{\n"
                                            "  \"a\": \"x\",\n"
                                            "  \"b\": [\n    1,\n    null \n  ],\n"
                                            "  \"c\": {\n    \"d\": true \n  },\n"
                                            "  \"e\": [\n  ],\n"
                                            "  \"f\": [\n    \"s\",\n    false,\n    [],\n"
                                            "    {\n      \"k\": {} \n    } \n  ],\n"
                                            "  \"g\": 2 \n"
                                            "}");
    EXPECT_EQ(writeDocument(true, sample), "{ \"a\": \"x\", \"b\": [ 1, null  ], \"c\": { \"d\": true  }, \"e\": [ ], "
                                           "\"f\": [ \"s\", false, [], { \"k\": {}  }  ], \"g\": 2  }");
    EXPECT_EQ(writeDocument(false, [](object_t) {}), "{\n}");
    EXPECT_EQ(writeDocument(true, nullptr), "{ }");
}

TEST(JsonWriter, NumbersAndEscapes)
{
    const auto number = [](double v) {
        return writeDocument(true, [v](object_t o) { writeNumber(writeKey(o, "k"), v); });
    };
    const auto text = [](std::string_view v) {
        return writeDocument(true, [v](object_t o) { writeString(writeKey(o, "k"), v); });
    };
    constexpr double inf = std::numeric_limits<double>::infinity(), max = std::numeric_limits<double>::max();
    const std::pair<double, const char*> numbers[] = {
        { 80, "80" },       { 0.5, "0.5" },     { 1e21, "1e+21" }, { -0.0, "-0" },     { -1e-7, "-1e-07" },
        { 1.0 / 3, "0.3333333333333333" },        { -max, "-1.7976931348623157e+308" },
        { inf, "null" },    { -inf, "null" },   { inf - inf, "null" },
    };
    for (const auto& [value, text] : numbers)
        EXPECT_EQ(number(value), std::string("{ \"k\": ") + text + "  }");

    // No \u escapes: the other control bytes, '/', DEL and UTF-8 pass unchanged; keys are escaped alike.
    EXPECT_EQ(text(std::string_view("\b\t\n\f\r\"\\")), R"({ "k": "\b\t\n\f\r\"\\"  })");
    const std::string raw("\x01\x0b\x1f/\xc3\xa9\x7fz", 8);
    EXPECT_EQ(text(raw), "{ \"k\": \"" + raw + "\"  }");
    const auto key = [](object_t o) { writeNull(writeKey(o, "a\"b\\c\n")); };
    EXPECT_EQ(writeDocument(true, key), R"({ "a\"b\\c\n": null  })");
}
