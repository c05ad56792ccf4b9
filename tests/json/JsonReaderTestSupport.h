#pragma once

#include "json/json_reader.h"

#include <string>
#include <string_view>

namespace jsontest
{

/** How a traced walk treats nested containers. */
enum class Nested
{
    walk,   // the callback walks every container (up to walkDepth levels, then lets the reader skip)
    skip,   // the callback ignores containers, so the reader skips them
    none,   // the walk is given an empty callback
};

/** What a walk did: its callbacks as text, and where it stopped. */
struct Trace
{
    std::string calls;   // e.g. `a=1 b="x" c=[0:true 1:{d=null}]`
    long error = -1;     // offset of the error in the text, -1 when none
    long pos = -1;       // offset of pos after the walk
};

/** Opens a reader over text and walks the top level as an object (or as an array when elements is true). */
Trace traceWalk(std::string_view text, bool elements, Nested nested, unsigned int walkDepth = 1000000);

/** The same on a reader that is already open. */
Trace traceWalk(json_reader::reader_t& reader, bool elements, Nested nested, unsigned int walkDepth = 1000000);

} // namespace jsontest
