#pragma once

#include <juce_core/juce_core.h>

/** Opening a web page, the one way the program does it: the header, the table, its cells and the dialogs' link
    row. Links come from devices on the network, so only http and https addresses reach the browser. */
namespace WebLink
{
/** Logs "Launching <text>" and opens it, or logs why it is not opened. */
void open(const juce::String& text);

/** Opens it without the "Launching" line; a refusal is logged. False when nothing was started. */
bool launch(const juce::String& text);
} // namespace WebLink
