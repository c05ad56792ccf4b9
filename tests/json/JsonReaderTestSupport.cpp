#include "JsonReaderTestSupport.h"

#include <charconv>

namespace jsontest
{
namespace
{

using json_reader::value_t;

struct Tracer
{
    json_reader::reader_t& reader;
    Nested nested;
    unsigned int walkDepth;
    std::string calls;
    unsigned int level = 0;

    void separate()
    {
        if (! calls.empty() && calls.back() != '[' && calls.back() != '{')
            calls += ' ';
    }

    void describe(const value_t& value)
    {
        switch (value.index())
        {
            case 0:
            {
                char buffer[64];
                const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<double>(value));
                calls.append(buffer, result.ptr);
                break;
            }
            case 1: calls += '"' + std::string(std::get<std::string_view>(value)) + '"'; break;
            case 2: calls += std::get<bool>(value) ? "true" : "false"; break;
            case 3:
                if (nested == Nested::walk && level < walkDepth)
                {
                    calls += '[';
                    walkElements();
                    calls += ']';
                }
                else
                    calls += "array";
                break;
            case 4:
                if (nested == Nested::walk && level < walkDepth)
                {
                    calls += '{';
                    walkMembers();
                    calls += '}';
                }
                else
                    calls += "object";
                break;
            case 5: calls += "null"; break;
        }
    }

    void walkMembers()
    {
        ++level;
        if (nested == Nested::none)
            json_reader::forEachMember(reader, nullptr);
        else
            json_reader::forEachMember(reader, [this](std::string_view key, const value_t& value) {
                separate();
                calls += std::string(key) + '=';
                describe(value);
            });
        --level;
    }

    void walkElements()
    {
        ++level;
        if (nested == Nested::none)
            json_reader::forEachElement(reader, nullptr);
        else
            json_reader::forEachElement(reader, [this](unsigned int index, const value_t& value) {
                separate();
                calls += std::to_string(index) + ':';
                describe(value);
            });
        --level;
    }
};

} // namespace

Trace traceWalk(std::string_view text, bool elements, Nested nested, unsigned int walkDepth)
{
    json_reader::reader_t reader;
    json_reader::open(reader, text);
    return traceWalk(reader, elements, nested, walkDepth);
}

Trace traceWalk(json_reader::reader_t& reader, bool elements, Nested nested, unsigned int walkDepth)
{
    Tracer tracer { reader, nested, walkDepth, {} };
    if (elements)
        tracer.walkElements();
    else
        tracer.walkMembers();

    Trace trace;
    trace.calls = std::move(tracer.calls);
    const char* const begin = reader.text.data();
    trace.error = reader.error == nullptr ? -1 : (long) (reader.error - begin);
    trace.pos = reader.pos == nullptr ? -1 : (long) (reader.pos - begin);
    return trace;
}

} // namespace jsontest
