#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

/** A streaming JSON writer: bodies write members and elements straight into one string.

    Every value is written with a comma behind it; when its container closes, the last comma becomes a space.
    Pretty layout puts each item on its own line, compact layout separates items by single spaces.
*/
namespace json_writer
{

/** The state of one document being written. */
struct writer_t
{
    size_t commaPos = 0;     // index in out of the comma after the latest value; 0 when none is pending
    uint8_t depth = 0;       // 1 for the document's own members
    bool compact = false;
    bool afterKey = false;   // between a key and its value
    uint8_t indent = 2;      // spaces per level in pretty layout
    std::string out;
};

/** Handle given to an object body: it writes members (a key, then one value). */
struct object_t
{
    writer_t* writer = nullptr;
};

/** Handle given to an array body: it writes elements. */
struct array_t
{
    writer_t* writer = nullptr;
};

using object_body_t = std::function<void(object_t)>;
using array_body_t = std::function<void(array_t)>;

/** Writes one object as a whole document and returns its text (no line feed at the end). */
std::string writeDocument(bool compact, object_body_t body);

object_t writeKey(object_t object, std::string_view key);
object_t writeString(object_t object, std::string_view text);
array_t writeArrayString(array_t array, std::string_view text);

/** Infinite and NaN values are written as null. */
object_t writeNumber(object_t object, double value);
array_t writeNumber(array_t array, double value);

object_t writeBool(object_t object, bool value);
array_t writeBool(array_t array, bool value);

object_t writeNull(object_t object);
array_t writeNull(array_t array);

/** An empty body gives "[]"; a body that writes nothing gives '[', the separator, ']'. */
object_t writeArray(object_t object, array_body_t body);
array_t writeArray(array_t array, array_body_t body);

object_t writeObject(object_t object, object_body_t body);
array_t writeObject(array_t array, object_body_t body);

// The building blocks of the operations above.

/** The separator before an item, or before a closing bracket when closing is true. */
void beginValue(writer_t& writer, bool closing);

/** Appends text with the writer's escapes: \b \t \n \f \r \" \\; every other byte unchanged. */
void writeEscaped(writer_t& writer, std::string_view text);

} // namespace json_writer
