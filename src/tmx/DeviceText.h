#pragma once

#include <juce_core/juce_core.h>

#include <string_view>

namespace tmx
{

/** A text a device sent (name, id, address...) as a juce::String. Valid UTF-8 comes through byte for byte;
    every invalid sequence and every NUL becomes U+FFFD, so no datagram can hand the framework malformed text
    or hide what follows a NUL. */
juce::String deviceText(std::string_view bytes);

} // namespace tmx
