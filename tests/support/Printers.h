#pragma once

// GoogleTest prints a juce::String as a container, character by character, and a File as bytes; failures show the
// texts instead.

#include <juce_core/juce_core.h>

namespace juce
{
inline void PrintTo(const String& text, std::ostream* out) { *out << '"' << text << '"'; }
inline void PrintTo(const File& file, std::ostream* out) { PrintTo(file.getFullPathName(), out); }
inline void PrintTo(const StringArray& texts, std::ostream* out)
{ *out << "{ \"" << texts.joinIntoString("\", \"") << "\" }"; }
} // namespace juce
