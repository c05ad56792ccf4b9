#include "json/json_reader.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>
#include <vector>

using namespace json_reader;

namespace
{

// walk: the callback walks every container; skip: it leaves them to the reader; silent: an empty callback.
enum class Mode { walk, skip, silent };

// The callbacks as text, e.g. `a=1 b="x" c=[0:true 1:{d=null}]`, and the offsets of the error (-1: none) and of pos.
struct Trace { std::string calls; long error, pos; };

struct Tracer
{
    reader_t& reader;
    Mode mode;
    std::string calls;

    void describe(const std::string& name, const value_t& value)
    {
        char number[40];
        calls += (calls.empty() || calls.back() == '[' || calls.back() == '{' ? "" : " ") + name;
        switch (value.index())
        {
            case 0: calls.append(number, std::to_chars(number, number + 40, std::get<double>(value)).ptr); break;
            case 1: calls += '"' + std::string(std::get<std::string_view>(value)) + '"'; break;
            case 2: calls += std::get<bool>(value) ? "true" : "false"; break;
            case 3: calls += '['; if (mode == Mode::walk) elements(); calls += ']'; break;
            case 4: calls += '{'; if (mode == Mode::walk) members(); calls += '}'; break;
            default: calls += "null";
        }
    }
    void members()
    {
        const auto call = [this](std::string_view key, const value_t& v) { describe(std::string(key) + '=', v); };
        forEachMember(reader, mode == Mode::silent ? member_callback_t() : call);
    }
    void elements()
    {
        const auto call = [this](unsigned i, const value_t& v) { describe(std::to_string(i) + ':', v); };
        forEachElement(reader, mode == Mode::silent ? element_callback_t() : call);
    }
};

// Walks the top level as the first bracket of the text says.
Trace trace(const std::string& text, Mode mode)
{
    reader_t reader;
    open(reader, text);
    Tracer tracer { reader, mode, {} };
    if (reader.error == nullptr && reader.pos[-1] == '[')
        tracer.elements();
    else
        tracer.members();
    const auto offset = [&](const char* p) { return p == nullptr ? -1L : long(p - reader.text.data()); };
    return { tracer.calls, offset(reader.error), offset(reader.pos) };
}

struct Case { std::string text; const char* calls; long error; };  // calls of a walk into every container

const Case cases[] = {
    { "{}", "", -1 },
    { R"(xx{"a":1})", "a=1", -1 },
    { std::string("\x80\0}]\"[1]", 8), "0:1", -1 },
    { R"({,"a":1 "b":2,,})", "a=1 b=2", -1 },
    { "{\n/ note\n\"a\":1,/x\r\"b\":2// \"c\":3\n}", "a=1 b=2", -1 },
    { "{\"a\":1 // to the end", "a=1", -1 },
    { "{ \"a\" :\n\t true }", "a=true", -1 },
    { R"({"a":false,"b":null,"c":true"d":1})", "a=false b=null c=true d=1", -1 },
    { R"({"a":true)", "", 5 },
    { R"({"a":tru})", "", 5 },
    { R"({"a":nul}x)", "", 5 },
    { R"({"a":nullx})", "a=null", 9 },
    { R"({"a":falsy})", "", 5 },
    { R"({"a":+1})", "", 5 },
    { R"({"a":-})", "", 5 },
    { R"({"a":1.2.3})", "", 8 },
    { R"({"a":1e999})", "", 10 },
    { R"({"a":.5})", "", 5 },
    { R"({"a":1e})", "", 6 },
    { "[-0,0012,1E5,1e+2,-12.5e-1,1.,-1.5E-3,99999999999999999999]",
      "0:-0 1:12 2:1e+05 3:100 4:-1.25 5:1 6:-0.0015 7:1e+20", -1 },
    { R"({"a":1"b":2,"c":1e5x})", "a=1 b=2 c=1e+05", 19 },
    { R"({"a":12)", "", -1 },
    { "[1,2", "0:1", -1 },
    { R"({"a":"abc)", "", 9 },
    { "{\"a\":\"x\\", "", 8 },
    { R"({"a":"x")", "a=\"x\"", -1 },
    { R"({"a":1,"ab)", "a=1", -1 },
    { R"({"a": )", "", -1 },
    { R"({"lo\ng":"x\ny\u0041\\\/","ab":2,"c\"d":"e\f"})", R"(long="xnyu0041\/" ab=2 c"d="ef")", -1 },
    { "{\"a\":\"x\ty\x01\xc3\xa9\"}", "a=\"x\ty\x01\xc3\xa9\"", -1 },
    { R"({'a':1})", "", 1 },
    { R"({"a"/:1})", "", 4 },
    { R"({"a",:1})", "", 4 },
    { R"({"a":,1})", "", 5 },
    { "{\"a\": /c\n1}", "", 6 },
    { "{\x80\"a\":1}", "", 1 },
    { "{\"a\":1\x80}", "a=1", 6 },
    { "[\xc3\xa9]", "", 1 },
    { R"([1,"x",null,{"k":true},[[2],3]])", R"(0:1 1:"x" 2:null 3:{k=true} 4:[0:[0:2] 1:3])", -1 },
    { "[,,true,,/c\n,\"x\"{}[]null 3]", R"(0:true 1:"x" 2:{} 3:[] 4:null 5:3)", -1 },
    { "[1}", "0:1", 2 },
    { "[null]", "0:null", -1 },
    { R"({"a":{"b":1,"c":[2,{"d":"e"}]},"f":3})", R"(a={b=1 c=[0:2 1:{d="e"}]} f=3)", -1 },
    { R"({"a":[1,{"b":2)", "a=[0:1 1:{}]", -1 },
    { R"({"a":{"b":"xy)", "a={}", 13 },
    { R"({"a":{"b":x},"c":2})", "a={}", 10 },
    { R"({"a":{"b" 1}})", "a={}", 10 },
    { R"({"a":[1}],"b":2})", "a=[0:1]", 7 },
};

} // namespace

// Skipping a container checks exactly what walking it checks: the three ways stop at the same byte.
TEST(JsonReader, WalkSkipAndSilentWalkAgreeOnEveryRule)
{
    for (const auto& c : cases)
    {
        const auto walked = trace(c.text, Mode::walk), skipped = trace(c.text, Mode::skip);
        const auto silent = trace(c.text, Mode::silent);
        EXPECT_EQ(walked.calls, c.calls) << c.text;
        EXPECT_EQ(std::vector<long>({ walked.error, skipped.error, silent.error }), std::vector<long>(3, c.error))
            << c.text;
        EXPECT_TRUE(silent.calls.empty() && (c.error >= 0 || (skipped.pos == walked.pos && silent.pos == walked.pos)))
            << c.text;
    }
}

TEST(JsonReader, OpenErrorsAndDepth)
{
    reader_t reader;
    open(reader, "ab[{");
    EXPECT_TRUE(reader.pos == reader.text.data() + 3 && reader.end == reader.text.data() + 4 && ! reader.error);
    for (const std::string_view text : { std::string_view("no bracket"), std::string_view() })
    {
        open(reader, text);
        EXPECT_TRUE(reader.error != nullptr && reader.error == reader.end) << text;
    }
    // An error is sticky until the reader is opened again.
    open(reader, "[1]");
    forEachMember(reader, nullptr);
    EXPECT_EQ(reader.error, reader.text.data() + 1);
    reader.pos = reader.text.data() + 1;
    forEachElement(reader, [](unsigned, const value_t&) { ADD_FAILURE() << "walked on after an error"; });

    // Deep nesting is skipped whole, object and array levels interleaved; walking into every level stops at a limit.
    std::string deep = "1";
    for (int level = 0; level < 500; ++level)
        deep = "[{\"k\":" + deep + "}]";
    const auto skipped = trace("{\"a\":" + deep + ",\"b\":2}", Mode::skip);
    EXPECT_TRUE(skipped.calls == "a=[] b=2" && skipped.error == -1) << skipped.calls;
    EXPECT_EQ(trace(std::string(2048, '['), Mode::walk).error, long(maxWalkDepth) + 1);
    const auto fits = trace(std::string(maxWalkDepth, '[') + std::string(maxWalkDepth, ']'), Mode::walk);
    EXPECT_TRUE(fits.error == -1 && fits.pos == long(2 * maxWalkDepth) - 1);
}

TEST(JsonReader, FindStringReturnsTheLastStringMatchAndReopens)
{
    reader_t reader;
    const auto lookup = [&reader](const std::string& key) -> std::string {
        try
        {
            const auto found = findString(reader, key);
            EXPECT_TRUE(reader.pos == reader.text.data() + 3 && reader.error == nullptr) << key;
            return found.data() == nullptr ? "<null>" : std::string(found);
        }
        catch (const std::bad_variant_access&)
        {
            open(reader, reader.text);
            return "<throws>";
        }
    };
    // The first lookup walks the text, later ones answer from the members it met: in either order all agree.
    const std::string plain = R"(  {"api":"TMX","n":4,"o":{"msg":"no"},"msg":"a","msg":"b","x":bad,"name":"late"})";
    const std::pair<const char*, const char*> expected[] = { { "msg", "b" },      { "api", "TMX" },
                                                             { "name", "<null>" }, { "Msg", "<null>" },
                                                             { "n", "<throws>" },  { "o", "<throws>" } };
    for (const bool reversed : { false, true })
    {
        open(reader, plain);
        for (size_t i = 0; i < 6; ++i)
            EXPECT_EQ(lookup(expected[reversed ? 5 - i : i].first), expected[reversed ? 5 - i : i].second);
    }
    std::string text = "  {";  // more members than are remembered
    for (int i = 0; i < 40; ++i)
        text += "\"k" + std::to_string(i) + "\":\"v" + std::to_string(i) + "\",";
    open(reader, text += "}");
    EXPECT_TRUE(lookup("k0") == "v0" && lookup("k39") == "v39" && lookup("k1") == "v1");

    // A receive buffer is reused for the next datagram: the same address must not answer from the last one.
    for (const char* next : { R"(  {"msg":"one"})", R"(  {"msg":"two"})" })
    {
        open(reader, text = next);
        EXPECT_EQ(lookup("msg"), std::string(next).substr(10, 3));
    }
    // Resolved escapes outlive the lookup and later walks.
    open(reader, text = R"(  {"api":"TMX\"1","msg":"dev\\ice"})");
    const std::string_view msg = findString(reader, "msg"), api = findString(reader, "api");
    forEachMember(reader, [](std::string_view, const value_t&) {});
    EXPECT_TRUE(api == "TMX\"1" && msg == "dev\\ice");
}
