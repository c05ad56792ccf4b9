#pragma once

#include <cstdint>
#include <forward_list>
#include <functional>
#include <string>
#include <string_view>
#include <variant>

/** A small callback JSON reader: no tree is built, values are handed to callbacks while the text is read.

    It is lenient where the devices' texts need it (commas and comments count as white space, bytes before the
    first bracket are ignored, an unclosed container just ends the walk) and strict elsewhere (keys in double
    quotes, numbers that convert whole, literals that need a byte after them).
*/
namespace json_reader
{

/** Payload-less alternatives of value_t. */
struct array_t {};
struct object_t {};
struct null_t {};

/** A value as handed to a callback; the index is the tag: 0 number, 1 string, 2 bool, 3 array, 4 object, 5 null. */
using value_t = std::variant<double, std::string_view, bool, array_t, object_t, null_t>;

using member_callback_t = std::function<void(std::string_view key, const value_t& value)>;
using element_callback_t = std::function<void(unsigned int index, const value_t& value)>;

/** The state of one walk over one text. */
struct reader_t
{
    std::string_view text;          // not owned: the caller keeps the bytes alive
    const char* pos = nullptr;      // the byte being examined
    const char* end = nullptr;      // one past the last byte
    const char* error = nullptr;    // where reading failed; null while all is well

    // Nesting of walks entered from callbacks, bounded so a deeply nested text cannot exhaust the stack.
    unsigned int depth = 0;
    // Resolved texts of findString results that held a backslash; they live as long as the reader.
    std::forward_list<std::string> foundStrings;

    // The members a findString walk met, so that the next findString from the same place needs no second walk
    // over the text. Kept only when they all fit and none held a backslash; open() forgets them.
    struct seen_member_t
    {
        const char* key;
        const char* text;        // string values only
        uint32_t keyLength;
        uint32_t textLength;
        uint8_t tag;             // index of the value's alternative
    };
    static constexpr unsigned int seenCapacity = 24;
    const char* seenFrom = nullptr;   // pos at which the recorded walk began; null when nothing is recorded
    unsigned int seenCount = 0;
    seen_member_t seen[seenCapacity];
};

/** Walks that callbacks start inside each other may nest this deep; one more ends the walk with an error. */
constexpr unsigned int maxWalkDepth = 256;

/** Puts the reader just after the first '{' or '[' of the text; sets the error at the end when there is none. */
void open(reader_t& reader, std::string_view text);

/** Walks the members of the object whose '{' lies just before pos; leaves pos on its '}'. */
void forEachMember(reader_t& reader, member_callback_t callback);

/** Walks the elements of the array whose '[' lies just before pos; leaves pos on its ']'. */
void forEachElement(reader_t& reader, element_callback_t callback);

/** The string value of the last member named key of the object at the reader's position, or a null view.
    Throws std::bad_variant_access when a matching member is not a string. The reader is opened again afterwards;
    the view stays valid as long as the reader and its text. */
std::string_view findString(reader_t& reader, const std::string& key);

} // namespace json_reader
