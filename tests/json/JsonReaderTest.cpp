#include "JsonReaderTestSupport.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

using namespace json_reader;
using jsontest::Nested;
using jsontest::traceWalk;

namespace
{

struct WalkCase
{
    const char* name;
    std::string text;
    bool elements;        // walk the top level with forEachElement
    const char* calls;    // callbacks of a walk that walks every container
    long error;           // offset of the error, -1 for none
};

std::ostream& operator<<(std::ostream& out, const WalkCase& c)
{
    return out << c.name;
}

// Each text is walked three ways: walking every container, ignoring containers, and with an empty callback.
// All three must stop at the same error; the first must make exactly these calls.
const WalkCase walkCases[] = {
    { "EmptyObject", "{}", false, "", -1 },
    { "OneMember", R"({"a":1})", false, "a=1", -1 },
    { "LeadingBytesIgnored", R"(xx{"a":1})", false, "a=1", -1 },
    { "LeadingBytesAnyValue", std::string("\x80\0}]\"[1]", 8), true, "0:1", -1 },
    { "CommasOptionalRepeatedTrailing", R"({"a":1 "b":2,,})", false, "a=1 b=2", -1 },
    { "LeadingCommas", R"({,,"a":1})", false, "a=1", -1 },
    { "CommentLines", "{\n/ note\n\"a\":1,/x\r\"b\":2}", false, "a=1 b=2", -1 },
    { "CommentDoubleSlash", "{// \"x\":1\n\"a\":2}", false, "a=2", -1 },
    { "CommentToEndOfText", "{\"a\":1 // no end", false, "a=1", -1 },
    { "SpaceAroundColon", "{ \"a\" :\n\t true }", false, "a=true", -1 },
    { "Literals", R"({"a":false,"b":null,"c":true})", false, "a=false b=null c=true", -1 },
    { "LiteralCutShort", R"({"a":true)", false, "", 5 },
    { "LiteralTooShort", R"({"a":tru})", false, "", 5 },
    { "LiteralMisspelt", R"({"a":nul}x)", false, "", 5 },
    { "LiteralUnknown", R"({"a":nope,"b":1})", false, "", 5 },
    { "LiteralFollowedByAnything", R"({"a":nullx})", false, "a=null", 9 },
    { "LiteralThenKey", R"({"a":true"b":1})", false, "a=true b=1", -1 },
    { "NumberPlusSign", R"({"a":+1})", false, "", 5 },
    { "NumberLoneMinus", R"({"a":-})", false, "", 5 },
    { "NumberTwoPoints", R"({"a":1.2.3})", false, "", 8 },
    { "NumberOutOfRange", R"({"a":1e999})", false, "", 10 },
    { "NumberLeadingPoint", R"({"a":.5})", false, "", 5 },
    { "NumberExponentWithoutDigits", R"({"a":1e})", false, "", 6 },
    { "NumberForms", "[-0,0012,1E5,1e+2,-12.5e-1,1.,-1.5E-3]", true, "0:-0 1:12 2:1e+05 3:100 4:-1.25 5:1 6:-0.0015",
      -1 },
    { "NumberEndedByQuote", R"({"a":1"b":2})", false, "a=1 b=2", -1 },
    { "NumberEndedByLetter", R"({"a":1e5x})", false, "a=1e+05", 8 },
    { "NumberToEndOfText", R"({"a":12)", false, "", -1 },
    { "NumberInArrayToEndOfText", "[1,2", true, "0:1", -1 },
    { "StringValueUnterminated", R"({"a":"abc)", false, "", 9 },
    { "StringValueEndsInBackslash", "{\"a\":\"x\\", false, "", 8 },
    { "StringValueCutAfterClose", R"({"a":"x")", false, "a=\"x\"", -1 },
    { "KeyUnterminated", R"({"a":1,"ab)", false, "a=1", -1 },
    { "KeyEndsInBackslash", "{\"a\\", false, "", -1 },
    { "EndBeforeColon", R"({"a" )", false, "", -1 },
    { "EndBeforeValue", R"({"a": )", false, "", -1 },
    { "KeyWithEscapedQuote", R"({"a\"b":1})", false, "a\"b=1", -1 },
    { "BackslashTakesNextByteLiterally", R"({"a":"x\ny\u0041\\\/"})", false, "a=\"xnyu0041\\/\"", -1 },
    { "EachKeyResolvedAlone", R"({"lo\ng":1,"ab":2,"c\d":"e\f"})", false, "long=1 ab=2 cd=\"ef\"", -1 },
    { "ControlAndHighBytesInStrings", "{\"a\":\"x\ty\x01\xc3\xa9\"}", false, "a=\"x\ty\x01\xc3\xa9\"", -1 },
    { "SingleQuotes", R"({'a':1})", false, "", 1 },
    { "SlashBeforeColon", R"({"a"/:1})", false, "", 4 },
    { "CommaBeforeColon", R"({"a",:1})", false, "", 4 },
    { "TwoKeys", R"({"a" "b"})", false, "", 5 },
    { "CommaAsValue", R"({"a":,1})", false, "", 5 },
    { "CommentAsValue", "{\"a\": /c\n1}", false, "", 6 },
    { "HighByteBetweenMembers", "{\x80\"a\":1}", false, "", 1 },
    { "HighByteEndsNumber", "{\"a\":1\x80}", false, "a=1", 6 },
    { "HighByteAsElement", "[\xc3\xa9\xc3\xa9\xc3]", true, "", 1 },
    { "ElementsOfEveryKind", R"([1,"x",null,[2],{"k":true}])", true, "0:1 1:\"x\" 2:null 3:[0:2] 4:{k=true}", -1 },
    { "ElementsCommasAndComments", "[,,1,,/c\n,2 3]", true, "0:1 1:2 2:3", -1 },
    { "ElementsBackToBack", R"([true"x"{}[]null])", true, "0:true 1:\"x\" 2:{} 3:[] 4:null", -1 },
    { "ElementCloseBraceIsLiteral", "[1}", true, "0:1", 2 },
    { "ElementLiteralNeedsFiveBytes", "[null", true, "", 1 },
    { "ElementLiteralFitsWithBracket", "[null]", true, "0:null", -1 },
    { "MembersOverArray", "[1]", false, "", 1 },
    { "NestedWalked", R"({"a":{"b":1,"c":[2,{"d":"e"}]},"f":3})", false, "a={b=1 c=[0:2 1:{d=\"e\"}]} f=3", -1 },
    { "NestedUnclosed", R"({"a":[1,{"b":2)", false, "a=[0:1 1:{}]", -1 },
    { "NestedUnclosedString", R"({"a":{"b":"xy)", false, "a={}", 13 },
    { "NestedError", R"({"a":{"b":x},"c":2})", false, "a={}", 10 },
    { "NestedWrongBracket", R"({"a":[1}],"b":2})", false, "a=[0:1]", 7 },
    { "NestedDeepButClosed", R"({"a":[[[]],[[[{}]]]],"b":2})", false, "a=[0:[0:[]] 1:[0:[0:[0:{}]]]] b=2", -1 },
};

} // namespace

class JsonReaderWalk : public testing::TestWithParam<WalkCase>
{
};

TEST_P(JsonReaderWalk, CallsAndError)
{
    const WalkCase& c = GetParam();
    const auto walked = traceWalk(c.text, c.elements, Nested::walk);
    EXPECT_EQ(walked.calls, c.calls);
    EXPECT_EQ(walked.error, c.error);

    // Skipping checks exactly what walking checks.
    const auto skipped = traceWalk(c.text, c.elements, Nested::skip);
    const auto silent = traceWalk(c.text, c.elements, Nested::none);
    EXPECT_EQ(skipped.error, c.error);
    EXPECT_EQ(silent.error, c.error);
    EXPECT_EQ(silent.calls, "");
    if (c.error < 0)
    {
        EXPECT_EQ(skipped.pos, walked.pos);
        EXPECT_EQ(silent.pos, walked.pos);
    }
}

INSTANTIATE_TEST_SUITE_P(Rules, JsonReaderWalk, testing::ValuesIn(walkCases),
                         [](const testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

TEST(JsonReader, OpenFindsTheFirstBracket)
{
    reader_t reader;
    open(reader, "ab[{");
    EXPECT_EQ(reader.pos, reader.text.data() + 3);
    EXPECT_EQ(reader.end, reader.text.data() + 4);
    EXPECT_EQ(reader.error, nullptr);

    open(reader, "no bracket here");
    EXPECT_EQ(reader.error, reader.text.data() + reader.text.size());

    open(reader, "");
    EXPECT_EQ(reader.error, reader.end);

    // A null view (no datagram at all) fails the same way rather than looking like a clean text.
    open(reader, std::string_view());
    EXPECT_NE(reader.error, nullptr);
    EXPECT_EQ(reader.error, reader.end);
    forEachMember(reader, [](std::string_view, const value_t&) { ADD_FAILURE(); });
    EXPECT_EQ(findString(reader, "msg").data(), nullptr);

    // Opening again clears the error.
    open(reader, "{}");
    EXPECT_EQ(reader.error, nullptr);
}

TEST(JsonReader, WalksLeavePosOnTheClosingBracket)
{
    const std::string object = R"({"a":1,"b":[2]} tail)";
    EXPECT_EQ(traceWalk(object, false, Nested::walk).pos, 14);
    EXPECT_EQ(traceWalk(object, false, Nested::none).pos, 14);

    const std::string array = R"([{"a":1},2] tail)";
    EXPECT_EQ(traceWalk(array, true, Nested::walk).pos, 10);
    EXPECT_EQ(traceWalk(array, true, Nested::none).pos, 10);

    // A text cut short leaves pos at its end.
    EXPECT_EQ(traceWalk(R"({"a":[1,)", false, Nested::walk).pos, 8);
}

TEST(JsonReader, ErrorIsStickyUntilOpenedAgain)
{
    reader_t reader;
    open(reader, R"({"a":x1234,"b":2})");
    int calls = 0;
    forEachMember(reader, [&](std::string_view, const value_t&) { ++calls; });
    ASSERT_NE(reader.error, nullptr);
    const char* const error = reader.error;

    reader.pos = reader.text.data() + 1;
    forEachMember(reader, [&](std::string_view, const value_t&) { ++calls; });
    forEachElement(reader, [&](unsigned int, const value_t&) { ++calls; });
    forEachMember(reader, nullptr);
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(reader.error, error);
}

TEST(JsonReader, KeyStaysValidDuringItsStringValue)
{
    reader_t reader;
    open(reader, R"({"k\"1":"v\"1","k2":"v\\2"})");
    std::vector<std::string> seen;
    forEachMember(reader, [&](std::string_view key, const value_t& value) {
        seen.push_back(std::string(key) + "|" + std::string(std::get<std::string_view>(value)));
    });
    EXPECT_EQ(reader.error, nullptr);
    EXPECT_EQ(seen, (std::vector<std::string> { "k\"1|v\"1", "k2|v\\2" }));
}

TEST(JsonReader, WrongAlternativeThrowsOutOfTheWalk)
{
    reader_t reader;
    open(reader, R"({"a":1,"b":2})");
    int calls = 0;
    EXPECT_THROW(forEachMember(reader,
                               [&](std::string_view, const value_t& value) {
                                   ++calls;
                                   (void) std::get<std::string_view>(value);
                               }),
                 std::bad_variant_access);
    EXPECT_EQ(calls, 1);

    // The reader is usable again once opened.
    EXPECT_EQ(reader.depth, 0u);
    EXPECT_EQ(traceWalk(reader.text, false, Nested::walk).calls, "a=1 b=2");
}

TEST(JsonReader, CallbackExceptionFromNestedWalkPasses)
{
    reader_t reader;
    open(reader, R"({"a":{"b":{"c":"x\"y"}}})");
    const auto walk = [&](auto& self) -> void {
        forEachMember(reader, [&](std::string_view key, const value_t& value) {
            if (value.index() == 4)
                self(self);
            else
                throw std::runtime_error(std::string(key) + std::string(std::get<std::string_view>(value)));
        });
    };
    try
    {
        walk(walk);
        FAIL() << "no exception";
    }
    catch (const std::runtime_error& e)
    {
        EXPECT_STREQ(e.what(), "cx\"y");
    }
    EXPECT_EQ(reader.depth, 0u);
}

TEST(JsonReader, IndexCountsEveryElementAlsoWithoutCallback)
{
    reader_t reader;
    open(reader, R"({"list":[1,[2,3],{"k":[]},"s",null,5]})");
    std::vector<unsigned int> indexes;
    forEachMember(reader, [&](std::string_view, const value_t&) {
        forEachElement(reader, [&](unsigned int index, const value_t&) { indexes.push_back(index); });
    });
    EXPECT_EQ(reader.error, nullptr);
    EXPECT_EQ(indexes, (std::vector<unsigned int> { 0, 1, 2, 3, 4, 5 }));
}

// findString ------------------------------------------------------------------------------------------------

TEST(JsonReaderFindString, ReturnsTheStringAndReopens)
{
    reader_t reader;
    open(reader, R"(  {"msg":"deviceInfo","name":"x"})");
    EXPECT_EQ(findString(reader, "msg"), "deviceInfo");
    EXPECT_EQ(reader.pos, reader.text.data() + 3);
    EXPECT_EQ(reader.error, nullptr);
    EXPECT_EQ(findString(reader, "name"), "x");
}

TEST(JsonReaderFindString, MissingKeyGivesANullView)
{
    reader_t reader;
    open(reader, R"({"name":"x","o":{"msg":"nested"},"l":["msg"]})");
    const std::string_view found = findString(reader, "msg");
    EXPECT_TRUE(found.empty());
    EXPECT_EQ(found.data(), nullptr);
    EXPECT_EQ(findString(reader, "Name").data(), nullptr);  // case-sensitive

    open(reader, R"(["msg","x"])");
    EXPECT_EQ(findString(reader, "msg").data(), nullptr);
    EXPECT_EQ(reader.error, nullptr);

    open(reader, R"({"msg":"a","msg":"b"})");
    EXPECT_EQ(findString(reader, "msg"), "b") << "the later match wins";
}

TEST(JsonReaderFindString, NonStringMatchThrows)
{
    reader_t reader;
    open(reader, R"({"msg":4})");
    EXPECT_THROW(findString(reader, "msg"), std::bad_variant_access);
    open(reader, R"({"other":4,"msg":{"a":1}})");
    EXPECT_THROW(findString(reader, "msg"), std::bad_variant_access);
    // Non-string members under other keys do not matter.
    open(reader, R"({"other":4,"msg":"ok"})");
    EXPECT_EQ(findString(reader, "msg"), "ok");
}

TEST(JsonReaderFindString, ErrorIsHiddenAndLastMatchBeforeItStands)
{
    reader_t reader;
    open(reader, R"({"msg":"a","x":bad!,"msg":"b"})");
    EXPECT_EQ(findString(reader, "msg"), "a");
    EXPECT_EQ(reader.error, nullptr);
    EXPECT_EQ(reader.pos, reader.text.data() + 1);

    open(reader, R"({"x":bad!,"msg":"b"})");
    EXPECT_EQ(findString(reader, "msg").data(), nullptr);
    EXPECT_EQ(reader.error, nullptr);

    // Without any bracket the error comes back with the reopening.
    open(reader, "no object");
    EXPECT_EQ(findString(reader, "msg").data(), nullptr);
    EXPECT_NE(reader.error, nullptr);
}

TEST(JsonReaderFindString, EscapedResultOutlivesTheCallAndLaterWalks)
{
    const std::string text = R"({"api":"TMX\"1","msg":"dev\\ice","m\sg2":"plain"})";
    reader_t reader;
    open(reader, text);
    const std::string_view api = findString(reader, "api");
    const std::string_view msg = findString(reader, "msg");
    const std::string_view plain = findString(reader, "msg2");  // the key's escape resolves to msg2
    forEachMember(reader, [](std::string_view, const value_t&) {});
    findString(reader, "api");
    EXPECT_EQ(api, "TMX\"1");
    EXPECT_EQ(msg, "dev\\ice");
    EXPECT_EQ(plain, "plain");
    EXPECT_EQ(plain.data(), text.data() + text.find("plain"));
}

// A second findString from the same place answers from what the first walk met: the answers must be those of
// a fresh walk, exceptions included.
TEST(JsonReaderFindString, RepeatedLookupsAgreeWithFreshWalks)
{
    const std::string texts[] = {
        R"({"api":"TMXv1","msg":"deviceInfo","port":80,"networks":[{"ip":"x"}],"tarn":{"msg":"no"},"name":""})",
        R"({"api":"a","api":"b","msg":1})",
        R"({"api":"TMX","x":bad,"msg":"late"})",
        R"({"a\pi":"esc","msg":"m"})",
        R"({"api":"v\"q","msg":"m"})",
        R"(["api","msg"])",
        "no bracket",
    };
    const std::string keys[] = { "api", "msg", "port", "name", "tarn", "none", "" };
    for (const auto& text : texts)
    {
        reader_t repeated;
        open(repeated, text);
        for (const auto& key : keys)
        {
            for (int round = 0; round < 2; ++round)
            {
                reader_t fresh;
                open(fresh, text);
                std::string expected = "<null>";
                try
                {
                    const auto found = findString(fresh, key);
                    if (found.data() != nullptr)
                        expected = std::string(found);
                }
                catch (const std::bad_variant_access&)
                {
                    expected = "<throws>";
                }

                std::string actual = "<null>";
                try
                {
                    const auto found = findString(repeated, key);
                    if (found.data() != nullptr)
                        actual = std::string(found);
                }
                catch (const std::bad_variant_access&)
                {
                    actual = "<throws>";
                    open(repeated, text);
                }
                EXPECT_EQ(actual, expected) << text << " key " << key;
                if (expected == "<throws>")
                    continue;
                EXPECT_EQ(repeated.pos - repeated.text.data(), fresh.pos - fresh.text.data());
                EXPECT_EQ(repeated.error == nullptr, fresh.error == nullptr);
            }
        }
    }
}

TEST(JsonReaderFindString, OpeningAnotherTextForgetsTheFormerMembers)
{
    std::string buffer = R"({"msg":"one"})";
    reader_t reader;
    open(reader, buffer);
    EXPECT_EQ(findString(reader, "msg"), "one");

    // Same address and size, other bytes: a received datagram reuses its buffer like this.
    buffer = R"({"msg":"two"})";
    open(reader, buffer);
    EXPECT_EQ(findString(reader, "msg"), "two");
    buffer = R"({"msg":22222})";
    open(reader, buffer);
    EXPECT_THROW(findString(reader, "msg"), std::bad_variant_access);
}

TEST(JsonReaderFindString, ManyMembersStillFound)
{
    std::string text = "{";
    for (int i = 0; i < 100; ++i)
        text += "\"k" + std::to_string(i) + "\":\"v" + std::to_string(i) + "\",";
    text += "}";
    reader_t reader;
    open(reader, text);
    for (int round = 0; round < 2; ++round)
    {
        EXPECT_EQ(findString(reader, "k0"), "v0");
        EXPECT_EQ(findString(reader, "k99"), "v99");
        EXPECT_EQ(findString(reader, "k50"), "v50");
    }
}
