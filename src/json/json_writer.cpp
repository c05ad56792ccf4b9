#include "json/json_writer.h"

#include <charconv>
#include <cmath>

namespace json_writer
{
namespace
{

// The escape for a byte, or 0 when the byte is written unchanged.
inline char escapeFor(char c) noexcept
{
    switch (c)
    {
        case '\b': return 'b';
        case '\t': return 't';
        case '\n': return 'n';
        case '\f': return 'f';
        case '\r': return 'r';
        case '"':  return '"';
        case '\\': return '\\';
        // Every other byte, vertical tab included, is copied: the reader takes control bytes literally, so
        // the text reads back as written.
        default:   return 0;
    }
}

inline void appendComma(writer_t& writer)
{
    writer.out.push_back(',');
    writer.commaPos = writer.out.size() - 1;
}

void writeLiteral(writer_t& writer, std::string_view literal)
{
    beginValue(writer, false);
    writer.out.append(literal);
    appendComma(writer);
}

void writeQuoted(writer_t& writer, std::string_view text)
{
    beginValue(writer, false);
    writer.out.push_back('"');
    writeEscaped(writer, text);
    writer.out.push_back('"');
    appendComma(writer);
}

void writeNumberValue(writer_t& writer, double value)
{
    if (! std::isfinite(value))
    {
        writeLiteral(writer, "null");
        return;
    }
    beginValue(writer, false);
    if (std::signbit(value))
    {
        writer.out.push_back('-');
        value = -value;
    }
    // Formatted in place: 32 bytes are more than the shortest text of any double needs.
    const size_t start = writer.out.size();
    writer.out.resize(start + 32);
    char* const first = writer.out.data() + start;
    const auto result = std::to_chars(first, first + 32, value);
    writer.out.resize(start + (size_t) (result.ptr - first));
    appendComma(writer);
}

template <typename Handle, typename Body>
void writeContainer(writer_t& writer, char open, char close, Body& body)
{
    beginValue(writer, false);
    writer.out.push_back(open);
    if (body)
    {
        ++writer.depth;
        body(Handle { &writer });
        --writer.depth;
        beginValue(writer, true);
    }
    writer.out.push_back(close);
    appendComma(writer);
}

} // namespace

void beginValue(writer_t& writer, bool closing)
{
    if (writer.afterKey)
    {
        writer.afterKey = false;
        return;
    }
    if (closing && writer.commaPos != 0)
        writer.out[writer.commaPos] = ' ';
    writer.commaPos = 0;
    if (writer.compact)
    {
        writer.out.push_back(' ');
    }
    else
    {
        writer.out.push_back('\n');
        writer.out.append((size_t) writer.indent * writer.depth, ' ');
    }
}

void writeEscaped(writer_t& writer, std::string_view text)
{
    // Runs of plain bytes are appended whole.
    const char* run = text.data();
    const char* const end = run + text.size();
    for (const char* p = run; p < end; ++p)
    {
        const char escape = escapeFor(*p);
        if (escape == 0)
            continue;
        writer.out.append(run, (size_t) (p - run));
        writer.out.push_back('\\');
        writer.out.push_back(escape);
        run = p + 1;
    }
    writer.out.append(run, (size_t) (end - run));
}

std::string writeDocument(bool compact, object_body_t body)
{
    writer_t writer;
    writer.commaPos = 0;
    writer.depth = 1;
    writer.compact = compact;
    writer.afterKey = false;
    writer.indent = 2;
    writer.out = "{";
    // An empty body writes no members, like a body that writes nothing.
    if (body)
        body(object_t { &writer });
    writer.depth = 0;
    beginValue(writer, true);
    writer.out.push_back('}');
    return std::move(writer.out);
}

object_t writeKey(object_t object, std::string_view key)
{
    writer_t& writer = *object.writer;
    beginValue(writer, false);
    writer.out.push_back('"');
    writeEscaped(writer, key);
    writer.out.append("\": ", 3);
    writer.afterKey = true;
    return object;
}

object_t writeString(object_t object, std::string_view text)
{
    writeQuoted(*object.writer, text);
    return object;
}

array_t writeArrayString(array_t array, std::string_view text)
{
    writeQuoted(*array.writer, text);
    return array;
}

object_t writeNumber(object_t object, double value)
{
    writeNumberValue(*object.writer, value);
    return object;
}

array_t writeNumber(array_t array, double value)
{
    writeNumberValue(*array.writer, value);
    return array;
}

object_t writeBool(object_t object, bool value)
{
    writeLiteral(*object.writer, value ? "true" : "false");
    return object;
}

array_t writeBool(array_t array, bool value)
{
    writeLiteral(*array.writer, value ? "true" : "false");
    return array;
}

object_t writeNull(object_t object)
{
    writeLiteral(*object.writer, "null");
    return object;
}

array_t writeNull(array_t array)
{
    writeLiteral(*array.writer, "null");
    return array;
}

object_t writeArray(object_t object, array_body_t body)
{
    writeContainer<array_t>(*object.writer, '[', ']', body);
    return object;
}

array_t writeArray(array_t array, array_body_t body)
{
    writeContainer<array_t>(*array.writer, '[', ']', body);
    return array;
}

object_t writeObject(object_t object, object_body_t body)
{
    writeContainer<object_t>(*object.writer, '{', '}', body);
    return object;
}

array_t writeObject(array_t array, object_body_t body)
{
    writeContainer<object_t>(*array.writer, '{', '}', body);
    return array;
}

} // namespace json_writer
