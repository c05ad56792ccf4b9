#pragma once

#include <juce_core/juce_core.h>

/** How the table's search compares texts: the typed text and the searched values are folded the same way. */
namespace SearchText
{
/** The text with every letter in lower case, whatever the process's locale: "Sala Ø Técnica" -> "sala ø técnica". */
juce::String fold(const juce::String& text);
} // namespace SearchText
