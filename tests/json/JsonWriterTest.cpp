#include "json/json_reader.h"
#include "json/json_writer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

using namespace json_writer;

namespace
{

// a = "x", b = [1, 2], c = {d: true}, e = an array whose body writes nothing.
std::string writeSample(bool compact)
{
    return writeDocument(compact, [](object_t o) {
        writeString(writeKey(o, "a"), "x");
        writeArray(writeKey(o, "b"), [](array_t a) {
            writeNumber(a, 1);
            writeNumber(a, 2);
        });
        writeObject(writeKey(o, "c"), [](object_t c) { writeBool(writeKey(c, "d"), true); });
        writeArray(writeKey(o, "e"), [](array_t) {});
    });
}

std::string compactMember(double value)
{
    return writeDocument(true, [value](object_t o) { writeNumber(writeKey(o, "k"), value); });
}

std::string compactMember(std::string_view text)
{
    return writeDocument(true, [text](object_t o) { writeString(writeKey(o, "k"), text); });
}

} // namespace

TEST(JsonWriter, PrettySampleByteForByte)
{
    const std::string expected = "{\n"
                                 "  \"a\": \"x\",\n"
                                 "  \"b\": [\n"
                                 "    1,\n"
                                 "    2 \n"
                                 "  ],\n"
                                 "  \"c\": {\n"
                                 "    \"d\": true \n"
                                 "  },\n"
                                 "  \"e\": [\n"
                                 "  ] \n"
                                 "}";
    EXPECT_EQ(writeSample(false), expected);
}

TEST(JsonWriter, CompactSampleByteForByte)
{
    EXPECT_EQ(writeSample(true), "{ \"a\": \"x\", \"b\": [ 1, 2  ], \"c\": { \"d\": true  }, \"e\": [ ]  }");
}

TEST(JsonWriter, EmptyDocument)
{
    EXPECT_EQ(writeDocument(false, [](object_t) {}), "{\n}");
    EXPECT_EQ(writeDocument(true, [](object_t) {}), "{ }");
    // An empty body is a body that writes nothing, not a crash.
    EXPECT_EQ(writeDocument(true, nullptr), "{ }");
}

TEST(JsonWriter, PrettyMemberLinesEndInCommaExceptTheLast)
{
    const std::string text = writeDocument(false, [](object_t o) {
        writeNumber(writeKey(o, "one"), 1);
        writeNull(writeKey(o, "two"));
        writeBool(writeKey(o, "three"), false);
        writeObject(writeKey(o, "four"), [](object_t inner) {
            writeString(writeKey(inner, "x"), "y");
            writeString(writeKey(inner, "z"), "w");
        });
    });
    EXPECT_EQ(text, "{\n"
                    "  \"one\": 1,\n"
                    "  \"two\": null,\n"
                    "  \"three\": false,\n"
                    "  \"four\": {\n"
                    "    \"x\": \"y\",\n"
                    "    \"z\": \"w\" \n"
                    "  } \n"
                    "}");
}

struct NumberCase
{
    double value;
    const char* text;
};

class JsonWriterNumber : public testing::TestWithParam<NumberCase>
{
};

TEST_P(JsonWriterNumber, ShortestTextOrNull)
{
    EXPECT_EQ(compactMember(GetParam().value), std::string("{ \"k\": ") + GetParam().text + "  }");
}

INSTANTIATE_TEST_SUITE_P(
    Values, JsonWriterNumber,
    testing::Values(NumberCase { 80, "80" }, NumberCase { 60, "60" }, NumberCase { 0.5, "0.5" },
                    NumberCase { 1e21, "1e+21" }, NumberCase { 1234.5, "1234.5" }, NumberCase { 0.0, "0" },
                    NumberCase { -0.0, "-0" }, NumberCase { -65535, "-65535" }, NumberCase { -1e-7, "-1e-07" },
                    NumberCase { 0.1, "0.1" }, NumberCase { 1.0 / 3.0, "0.3333333333333333" },
                    NumberCase { std::numeric_limits<double>::max(), "1.7976931348623157e+308" },
                    NumberCase { -std::numeric_limits<double>::denorm_min(), "-5e-324" },
                    NumberCase { std::numeric_limits<double>::infinity(), "null" },
                    NumberCase { -std::numeric_limits<double>::infinity(), "null" },
                    NumberCase { std::numeric_limits<double>::quiet_NaN(), "null" },
                    NumberCase { -std::numeric_limits<double>::quiet_NaN(), "null" }));

TEST(JsonWriter, EscapesTable)
{
    EXPECT_EQ(compactMember("\"\\\t"), "{ \"k\": \"\\\"\\\\\\t\"  }");
    EXPECT_EQ(compactMember("\b\t\n\f\r\"\\"), "{ \"k\": \"\\b\\t\\n\\f\\r\\\"\\\\\"  }");
    // No \u escapes: other control bytes, '/', and UTF-8 pass unchanged.
    const std::string raw("\x01\x0b\x1f/\xc3\xa9\xe2\x82\xac\x7f", 10);
    EXPECT_EQ(compactMember(raw), "{ \"k\": \"" + raw + "\"  }");
    // Keys go through the same escaping.
    const std::string keyed = writeDocument(true, [](object_t o) { writeNull(writeKey(o, "a\"b\\c\n")); });
    EXPECT_EQ(keyed, "{ \"a\\\"b\\\\c\\n\": null  }");
}

TEST(JsonWriter, EmptyFunctionContainerVersusEmptyBody)
{
    const std::string pretty = writeDocument(false, [](object_t o) {
        writeArray(writeKey(o, "a"), nullptr);
        writeObject(writeKey(o, "b"), nullptr);
        writeObject(writeKey(o, "c"), [](object_t) {});
        writeNumber(writeKey(o, "d"), 1);
    });
    // The empty function leaves the depth alone, so "d" is still indented by one level.
    EXPECT_EQ(pretty, "{\n"
                      "  \"a\": [],\n"
                      "  \"b\": {},\n"
                      "  \"c\": {\n"
                      "  },\n"
                      "  \"d\": 1 \n"
                      "}");
    const std::string compact = writeDocument(true, [](object_t o) {
        writeArray(writeKey(o, "a"), nullptr);
        writeArray(writeKey(o, "b"), [](array_t) {});
    });
    EXPECT_EQ(compact, "{ \"a\": [], \"b\": [ ]  }");
}

TEST(JsonWriter, ArrayElementsOfEveryKind)
{
    const std::string text = writeDocument(false, [](object_t o) {
        writeArray(writeKey(o, "list"), [](array_t a) {
            writeArrayString(a, "s");
            writeNumber(a, -2.5);
            writeBool(a, true);
            writeNull(a);
            writeArray(a, [](array_t inner) { writeArrayString(inner, "deep"); });
            writeObject(a, [](object_t element) { writeString(writeKey(element, "k"), "v"); });
        });
    });
    EXPECT_EQ(text, "{\n"
                    "  \"list\": [\n"
                    "    \"s\",\n"
                    "    -2.5,\n"
                    "    true,\n"
                    "    null,\n"
                    "    [\n"
                    "      \"deep\" \n"
                    "    ],\n"
                    "    {\n"
                    "      \"k\": \"v\" \n"
                    "    } \n"
                    "  ] \n"
                    "}");
}

// The reader reads back what the writer wrote. It resolves no named escapes, so only quotes and backslashes
// survive escaping unchanged: a tab written as backslash, t comes back as the letter t.
TEST(JsonWriter, ReaderReadsBackWhatWasWritten)
{
    const std::string awkward("q\"b\\s/t\x01\xc3\xa9", 10);
    for (const bool compact : { false, true })
    {
        const std::string text = writeDocument(compact, [&](object_t o) {
            writeString(writeKey(o, awkward), awkward);
            writeNumber(writeKey(o, "n"), -1.0e-300);
            writeArray(writeKey(o, "a"), [](array_t a) {
                writeNumber(a, 0.1);
                writeObject(a, [](object_t e) { writeBool(writeKey(e, "t"), true); });
            });
        });

        json_reader::reader_t reader;
        json_reader::open(reader, text);
        std::vector<std::string> seen;
        json_reader::forEachMember(reader, [&](std::string_view key, const json_reader::value_t& value) {
            if (key == awkward)
                seen.push_back("s:" + std::string(std::get<std::string_view>(value)));
            else if (key == "n")
                EXPECT_EQ(std::get<double>(value), -1.0e-300);
            else if (key == "a")
                json_reader::forEachElement(reader, [&](unsigned int index, const json_reader::value_t& element) {
                    if (index == 0)
                        EXPECT_EQ(std::get<double>(element), 0.1);
                    else
                        json_reader::forEachMember(reader, [&](std::string_view k, const json_reader::value_t& v) {
                            seen.push_back(std::string(k) + (std::get<bool>(v) ? "=true" : "=false"));
                        });
                });
        });
        EXPECT_EQ(reader.error, nullptr) << text;
        EXPECT_EQ(seen, (std::vector<std::string> { "s:" + awkward, "t=true" })) << text;
    }

    json_reader::reader_t reader;
    const std::string tab = writeDocument(true, [](object_t o) { writeString(writeKey(o, "k"), "a\tb"); });
    json_reader::open(reader, tab);
    EXPECT_EQ(json_reader::findString(reader, "k"), "atb");
}
