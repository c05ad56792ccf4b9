#include "json/json_reader.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <system_error>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace json_reader
{
namespace
{

// Byte classes, looked up once per byte in the hot loops.
enum : uint8_t
{
    classOther = 0,
    classSpace = 1,      // tab, line feed, carriage return, space
    classNumber = 2,     // may continue a number: + - . 0-9 E e
};

constexpr std::array<uint8_t, 256> makeClasses()
{
    std::array<uint8_t, 256> table {};
    table['\t'] = table['\n'] = table['\r'] = table[' '] = classSpace;
    for (int c = '0'; c <= '9'; ++c)
        table[(size_t) c] = classNumber;
    table['+'] = table['-'] = table['.'] = table['E'] = table['e'] = classNumber;
    return table;
}

// White space and commas: what lies between members and between elements.
constexpr std::array<bool, 256> makeSeparators()
{
    std::array<bool, 256> table {};
    table['\t'] = table['\n'] = table['\r'] = table[' '] = table[','] = true;
    return table;
}

constexpr std::array<uint8_t, 256> byteClasses = makeClasses();
constexpr std::array<bool, 256> separators = makeSeparators();

inline bool isSpace(char c) noexcept { return byteClasses[(uint8_t) c] == classSpace; }
inline bool continuesNumber(char c) noexcept { return byteClasses[(uint8_t) c] == classNumber; }
inline bool startsNumber(char c) noexcept { return c == '+' || c == '-' || (c >= '0' && c <= '9'); }

inline const char* skipSpace(const char* p, const char* end) noexcept
{
    while (p < end && isSpace(*p))
        ++p;
    return p;
}

inline const char* skipSeparators(const char* p, const char* end) noexcept
{
    while (p < end && separators[(uint8_t) *p])
        ++p;
    return p;
}

inline void fail(reader_t& reader, const char* at) noexcept
{
    reader.error = at;
    reader.pos = at;
}

// A comment runs up to and including the next line feed or carriage return; end when there is none.
inline const char* skipComment(const char* p, const char* end) noexcept
{
    for (; p < end; ++p)
        if (*p == '\n' || *p == '\r')
            return p + 1;
    return end;
}

// The first '"' or '\\' at or after p, or end. Strings are the bulk of a datagram, so they are searched a block
// at a time.
inline const char* findQuoteOrBackslash(const char* p, const char* end) noexcept
{
#if defined(__SSE2__)
    const __m128i quote = _mm_set1_epi8('"');
    const __m128i backslash = _mm_set1_epi8('\\');
    while (end - p >= 16)
    {
        const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const int hits = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(chunk, quote), _mm_cmpeq_epi8(chunk, backslash)));
        if (hits != 0)
            return p + __builtin_ctz((unsigned int) hits);
        p += 16;
    }
#endif
    while (p < end && *p != '"' && *p != '\\')
        ++p;
    return p;
}

// Scans a string whose opening quote lies just before p. Returns its closing quote, or null when the text ends
// first. firstEscape is the first backslash inside, or null when there is none.
inline const char* scanString(const char* p, const char* end, const char*& firstEscape) noexcept
{
    firstEscape = nullptr;
    for (;;)
    {
        p = findQuoteOrBackslash(p, end);
        if (p >= end)
            return nullptr;
        if (*p == '"')
            return p;
        if (firstEscape == nullptr)
            firstEscape = p;
        p += 2;  // the backslash and the byte it takes literally, whatever it is
        if (p >= end)
            return nullptr;
    }
}

// The string's text with each backslash dropped and the byte after it kept.
inline std::string_view resolveString(const char* start, const char* close, const char* firstEscape,
                                      std::string& scratch)
{
    if (firstEscape == nullptr)
        return std::string_view(start, (size_t) (close - start));
    scratch.assign(start, firstEscape);
    for (const char* p = firstEscape; p < close; ++p)
    {
        if (*p == '\\')
            ++p;
        scratch.push_back(*p);
    }
    return scratch;
}

// The result of reading one scalar (not a container) value.
enum class Scalar
{
    ok,       // value filled in, p moved past it
    ended,    // the text ran out in a way that ends the walk quietly
    failed,   // error set on the reader
};

// Number rule: the run of number bytes converted whole with from_chars; a run that reaches the end of the text
// is never converted.
inline Scalar readNumber(reader_t& reader, const char*& p, const char* end, double& number) noexcept
{
    const char* runEnd = p + 1;
    while (runEnd < end && continuesNumber(*runEnd))
        ++runEnd;
    if (runEnd >= end)
        return Scalar::ended;

    // Whole numbers of up to 15 digits (ports, counters) are exact in a double: from_chars would give the same.
    const char* const digits = *p == '-' ? p + 1 : p;
    if (runEnd > digits && runEnd - digits <= 15)
    {
        uint64_t whole = 0;
        const char* d = digits;
        while (d < runEnd && *d >= '0' && *d <= '9')
            whole = whole * 10 + (uint64_t) (*d++ - '0');
        if (d == runEnd)
        {
            number = *p == '-' ? -(double) whole : (double) whole;
            p = runEnd;
            return Scalar::ok;
        }
    }

    const auto result = std::from_chars(p, runEnd, number, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != runEnd)
    {
        fail(reader, result.ptr);
        return Scalar::failed;
    }
    p = runEnd;
    return Scalar::ok;
}

// Literal rule: at least 5 bytes must remain from its first byte, then null, true or false byte for byte.
inline Scalar readLiteral(reader_t& reader, const char*& p, const char* end, value_t& value) noexcept
{
    if (end - p >= 5)
    {
        if (std::memcmp(p, "null", 4) == 0)
        {
            value.emplace<null_t>();
            p += 4;
            return Scalar::ok;
        }
        if (std::memcmp(p, "true", 4) == 0)
        {
            value.emplace<bool>(true);
            p += 4;
            return Scalar::ok;
        }
        if (std::memcmp(p, "false", 5) == 0)
        {
            value.emplace<bool>(false);
            p += 5;
            return Scalar::ok;
        }
    }
    fail(reader, p);
    return Scalar::failed;
}

// The kinds of the open containers of a skip: one bit per level, on the stack for ordinary depths.
class KindStack
{
public:
    void push(bool isObject)
    {
        const size_t word = size >> 6;
        if (word >= inlineWords && word - inlineWords >= overflow.size())
            overflow.push_back(0);
        uint64_t& bits = word < inlineWords ? inlineBits[word] : overflow[word - inlineWords];
        const uint64_t bit = uint64_t(1) << (size & 63);
        bits = isObject ? (bits | bit) : (bits & ~bit);
        ++size;
    }

    void pop() noexcept { --size; }
    bool empty() const noexcept { return size == 0; }

    bool topIsObject() const noexcept
    {
        const size_t index = size - 1;
        const size_t word = index >> 6;
        const uint64_t bits = word < inlineWords ? inlineBits[word] : overflow[word - inlineWords];
        return ((bits >> (index & 63)) & 1) != 0;
    }

private:
    static constexpr size_t inlineWords = 4;
    uint64_t inlineBits[inlineWords] {};
    std::vector<uint64_t> overflow;
    size_t size = 0;
};

// Skips the container whose bracket lies just before reader.pos, checking it exactly as a walk with an empty
// callback would, but without recursion: nesting costs one bit, not a stack frame, so no text is too deep.
void skipContainer(reader_t& reader, bool isObject)
{
    const char* p = reader.pos;
    const char* const end = reader.end;
    KindStack kinds;
    kinds.push(isObject);
    bool inObject = isObject;

    for (;;)
    {
        p = skipSeparators(p, end);
        if (p >= end)
        {
            reader.pos = end;  // an unclosed container ends the walk quietly
            return;
        }
        char c = *p;
        if (c == '/')
        {
            p = skipComment(p + 1, end);
            continue;
        }
        if (c == (inObject ? '}' : ']'))
        {
            kinds.pop();
            if (kinds.empty())
            {
                reader.pos = p;
                return;
            }
            inObject = kinds.topIsObject();
            ++p;
            continue;
        }

        if (inObject)
        {
            if (c != '"')
            {
                fail(reader, p);
                return;
            }
            const char* escape;
            const char* close = scanString(p + 1, end, escape);
            if (close == nullptr)
            {
                reader.pos = end;  // an unterminated key ends the walk quietly
                return;
            }
            p = skipSpace(close + 1, end);
            if (p >= end)
            {
                reader.pos = end;
                return;
            }
            if (*p != ':')
            {
                fail(reader, p);
                return;
            }
            p = skipSpace(p + 1, end);
            if (p >= end)
            {
                reader.pos = end;
                return;
            }
            c = *p;
        }

        // A value (member value or element).
        if (c == '"')
        {
            const char* escape;
            const char* close = scanString(p + 1, end, escape);
            if (close == nullptr)
            {
                fail(reader, end);
                return;
            }
            p = close + 1;
        }
        else if (startsNumber(c))
        {
            double number;
            const Scalar result = readNumber(reader, p, end, number);
            if (result == Scalar::ended)
                reader.pos = end;
            if (result != Scalar::ok)
                return;
        }
        else if (c == '{' || c == '[')
        {
            inObject = c == '{';
            kinds.push(inObject);
            ++p;
        }
        else
        {
            value_t literal;
            if (readLiteral(reader, p, end, literal) != Scalar::ok)
                return;
        }
    }
}

// Counts the walks that callbacks nest inside each other.
class DepthGuard
{
public:
    explicit DepthGuard(reader_t& r) noexcept : reader(r) { ++reader.depth; }
    ~DepthGuard() { --reader.depth; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    reader_t& reader;
};

// Reads one value starting at p (not white space, inside the text) and hands it to emit. Returns false when the
// walk must end (error, or the text ran out); otherwise p is on the byte to examine next.
template <typename Emit>
inline bool readValue(reader_t& reader, const char*& p, const char* end, std::string& scratch, Emit&& emit)
{
    const char c = *p;
    value_t value;
    if (c == '"')
    {
        const char* escape;
        const char* close = scanString(p + 1, end, escape);
        if (close == nullptr)
        {
            fail(reader, end);  // only an unterminated string value is an error at the end
            return false;
        }
        value.emplace<std::string_view>(resolveString(p + 1, close, escape, scratch));
        p = close + 1;
    }
    else if (startsNumber(c))
    {
        double number;
        const Scalar result = readNumber(reader, p, end, number);
        if (result != Scalar::ok)
        {
            if (result == Scalar::ended)
                reader.pos = end;
            return false;
        }
        value.emplace<double>(number);
    }
    else if (c == '{' || c == '[')
    {
        const bool isObject = c == '{';
        const char* const inside = p + 1;
        reader.pos = inside;
        if (isObject)
            value.emplace<object_t>();
        else
            value.emplace<array_t>();
        emit(value);
        if (reader.error != nullptr)
            return false;
        if (reader.pos == inside)
        {
            skipContainer(reader, isObject);
            if (reader.error != nullptr)
                return false;
        }
        // The container's walk rests on its closing bracket, or at the end when it was not closed.
        if (reader.pos >= end)
        {
            reader.pos = end;
            return false;
        }
        p = reader.pos + 1;
        return true;
    }
    else if (readLiteral(reader, p, end, value) != Scalar::ok)
    {
        return false;
    }

    emit(value);
    return reader.error == nullptr;
}

template <typename Sink>
void walkMembers(reader_t& reader, Sink&& sink)
{
    const char* p = reader.pos;
    const char* const end = reader.end;
    std::string keyScratch;    // separate buffers: the key must stay valid during its value's callback
    std::string valueScratch;

    for (;;)
    {
        // Between members: white space and commas are skipped, so commas are optional.
        p = skipSeparators(p, end);
        if (p >= end)
        {
            reader.pos = end;
            return;
        }
        const char c = *p;
        if (c == '/')
        {
            p = skipComment(p + 1, end);
            continue;
        }
        if (c == '}')
        {
            reader.pos = p;
            return;
        }
        if (c != '"')
        {
            fail(reader, p);
            return;
        }

        // Key.
        const char* escape;
        const char* close = scanString(p + 1, end, escape);
        if (close == nullptr)
        {
            reader.pos = end;
            return;
        }
        const std::string_view key = resolveString(p + 1, close, escape, keyScratch);

        // Colon, then the value.
        p = skipSpace(close + 1, end);
        if (p >= end)
        {
            reader.pos = end;
            return;
        }
        if (*p != ':')
        {
            fail(reader, p);
            return;
        }
        p = skipSpace(p + 1, end);
        if (p >= end)
        {
            reader.pos = end;
            return;
        }
        if (! readValue(reader, p, end, valueScratch, [&](const value_t& value) { sink(key, value); }))
            return;
    }
}

template <typename Sink>
void walkElements(reader_t& reader, Sink&& sink)
{
    const char* p = reader.pos;
    const char* const end = reader.end;
    std::string valueScratch;
    unsigned int index = 0;

    for (;;)
    {
        p = skipSeparators(p, end);
        if (p >= end)
        {
            reader.pos = end;
            return;
        }
        const char c = *p;
        if (c == '/')
        {
            p = skipComment(p + 1, end);
            continue;
        }
        if (c == ']')
        {
            reader.pos = p;
            return;
        }
        if (! readValue(reader, p, end, valueScratch, [&](const value_t& value) { sink(index, value); }))
            return;
        ++index;
    }
}

// A walk that a callback starts one level too deep ends with an error, so recursion stays bounded.
inline bool tooDeep(reader_t& reader) noexcept
{
    if (reader.depth < maxWalkDepth)
        return false;
    fail(reader, reader.pos);
    return true;
}

// open() without forgetting what findString recorded: the text is the same one.
void reopen(reader_t& reader, std::string_view text) noexcept
{
    reader.text = text;
    reader.error = nullptr;
    const char* const begin = text.data();
    const char* const end = begin + text.size();
    reader.end = end;
    reader.pos = begin;
    for (const char* p = begin; p < end; ++p)
    {
        if (*p == '{' || *p == '[')
        {
            reader.pos = p + 1;
            return;
        }
    }
    fail(reader, end);
}

inline bool inside(const reader_t& reader, const char* p) noexcept
{
    return p >= reader.text.data() && p < reader.text.data() + reader.text.size();
}

// findString over members recorded by an earlier findString walk from the same place: the same result, and
// the same exception for a match that is not a string, without reading the text again.
std::string_view findRecorded(reader_t& reader, const std::string& key)
{
    std::string_view result;
    for (unsigned int i = 0; i < reader.seenCount; ++i)
    {
        const auto& member = reader.seen[i];
        if (std::string_view(member.key, member.keyLength) != key)
            continue;
        if (member.tag != 1)
            throw std::bad_variant_access();
        result = std::string_view(member.text, member.textLength);
    }
    reopen(reader, reader.text);
    return result;
}

} // namespace

void open(reader_t& reader, std::string_view text)
{
    // A null view gets a real (empty) text, so that its missing bracket is an error that a caller can see.
    static const char nothing[1] = {};
    reader.seenFrom = nullptr;
    reopen(reader, text.data() != nullptr ? text : std::string_view(nothing, 0));
}

void forEachMember(reader_t& reader, member_callback_t callback)
{
    if (reader.error != nullptr)
        return;
    if (! callback)
    {
        skipContainer(reader, true);
        return;
    }
    if (tooDeep(reader))
        return;
    DepthGuard guard(reader);
    walkMembers(reader, callback);
}

void forEachElement(reader_t& reader, element_callback_t callback)
{
    if (reader.error != nullptr)
        return;
    if (! callback)
    {
        skipContainer(reader, false);
        return;
    }
    if (tooDeep(reader))
        return;
    DepthGuard guard(reader);
    walkElements(reader, callback);
}

std::string_view findString(reader_t& reader, const std::string& key)
{
    if (reader.error == nullptr && reader.pos != nullptr && reader.pos == reader.seenFrom)
        return findRecorded(reader, key);

    std::string_view result;
    std::string resolved;  // a match that held a backslash, copied out of the walk's scratch buffer
    bool matchResolved = false;

    if (reader.error == nullptr && ! tooDeep(reader))
    {
        DepthGuard guard(reader);
        const char* const from = reader.pos;
        reader.seenFrom = nullptr;
        unsigned int count = 0;
        bool record = true;  // as long as every member fits and its texts lie in the text itself
        walkMembers(reader, [&](std::string_view memberKey, const value_t& value) {
            if (record)
            {
                record = count < reader_t::seenCapacity && inside(reader, memberKey.data());
                if (record)
                {
                    auto& member = reader.seen[count++];
                    member.key = memberKey.data();
                    member.keyLength = (uint32_t) memberKey.size();
                    member.tag = (uint8_t) value.index();
                    if (const auto* text = std::get_if<std::string_view>(&value))
                    {
                        record = text->empty() || inside(reader, text->data());
                        member.text = text->data();
                        member.textLength = (uint32_t) text->size();
                    }
                }
            }
            if (memberKey != key)
                return;
            const std::string_view text = std::get<std::string_view>(value);
            matchResolved = ! inside(reader, text.data());
            if (matchResolved)
                resolved.assign(text);
            result = text;
        });
        if (record)
        {
            reader.seenFrom = from;
            reader.seenCount = count;
        }
    }

    if (matchResolved)
    {
        reader.foundStrings.push_front(std::move(resolved));
        result = reader.foundStrings.front();
    }
    reopen(reader, reader.text);
    return result;
}

} // namespace json_reader
