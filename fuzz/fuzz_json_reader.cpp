// Walks arbitrary bytes with the JSON reader: findString, then a walk that enters most containers and leaves
// some to the reader. Walking and skipping must agree, and nothing may be read outside the input.
#include "json/json_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <variant>

namespace
{

using namespace json_reader;

volatile unsigned char sink;
unsigned int level = 0;
bool reachedLimit = false;  // a walk at the depth limit ends in an error that a skip does not have

void touch(std::string_view text)
{
    unsigned char sum = 0;
    for (const char c : text)
        sum = (unsigned char) (sum + (unsigned char) c);
    sink = sum;
}

void check(const reader_t& reader)
{
    const char* const begin = reader.text.data();
    const char* const end = begin + reader.text.size();
    if (reader.pos < begin || reader.pos > end)
        __builtin_trap();
    if (reader.error != nullptr && (reader.error < begin || reader.error > end))
        __builtin_trap();
}

void walkValue(reader_t& reader, const value_t& value, bool enter);

void walkObject(reader_t& reader)
{
    reachedLimit = reachedLimit || level >= maxWalkDepth;
    ++level;
    forEachMember(reader, [&reader](std::string_view key, const value_t& value) {
        touch(key);
        walkValue(reader, value, key.size() % 4 != 3);
    });
    --level;
}

void walkArray(reader_t& reader)
{
    reachedLimit = reachedLimit || level >= maxWalkDepth;
    ++level;
    forEachElement(reader, [&reader](unsigned int index, const value_t& value) {
        walkValue(reader, value, index % 3 != 2);
    });
    --level;
}

void walkValue(reader_t& reader, const value_t& value, bool enter)
{
    switch (value.index())
    {
        case 1: touch(std::get<std::string_view>(value)); break;
        case 3: if (enter) walkArray(reader); break;
        case 4: if (enter) walkObject(reader); break;
        default: break;
    }
}

// findString; a match that is not a string reads as the view "<throws>".
std::string_view lookup(reader_t& reader, const std::string& key)
{
    try
    {
        return findString(reader, key);
    }
    catch (const std::bad_variant_access&)
    {
        open(reader, reader.text);
        return "<throws>";
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    reader_t reader;
    open(reader, text);
    check(reader);
    const bool elements = reader.error == nullptr && reader.pos[-1] == '[';

    // Lookups from a reader that has looked before must agree with lookups from a fresh one.
    static const std::string keys[] = { "api", "msg", "", "a" };
    for (const auto& key : keys)
    {
        reader_t fresh;
        open(fresh, text);
        const std::string_view expected = lookup(fresh, key);
        const std::string_view actual = lookup(reader, key);
        if (expected.data() == nullptr ? actual.data() != nullptr : actual != expected)
            __builtin_trap();
        if (fresh.error != reader.error && (fresh.error == nullptr || reader.error == nullptr
                                            || fresh.error - fresh.text.data() != reader.error - reader.text.data()))
            __builtin_trap();
        touch(actual);
        check(reader);
    }

    level = 0;
    reachedLimit = false;
    if (elements)
        walkArray(reader);
    else
        walkObject(reader);
    check(reader);
    const char* const walkedError = reader.error;
    const char* const walkedPos = reader.pos;

    // With an empty callback the reader skips the whole document itself; it must stop at the same byte,
    // unless the walk above ended at its depth limit.
    open(reader, text);
    if (elements)
        forEachElement(reader, nullptr);
    else
        forEachMember(reader, nullptr);
    check(reader);
    if (reachedLimit)
        return 0;
    if (walkedError == nullptr && (reader.error != nullptr || reader.pos != walkedPos))
        __builtin_trap();
    if (reader.error != walkedError)
        __builtin_trap();
    return 0;
}
