#pragma once

#include <juce_core/juce_core.h>

#include <string_view>

namespace tmx
{

/** A text a device sent (name, id, address...) as a juce::String. Valid UTF-8 comes through byte for byte;
    every invalid sequence and every NUL becomes U+FFFD, so no datagram can hand the framework malformed text
    or hide what follows a NUL. */
juce::String deviceText(std::string_view bytes);

/** Device text as a log line quotes it: every control character (C0, DEL, C1) and the line and paragraph
    separators become U+FFFD each. A raw line break in a device's name would otherwise start a line that reads
    as one of the program's own. */
juce::String logText(const juce::String& text);

} // namespace tmx
