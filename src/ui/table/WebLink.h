#pragma once

#include <juce_core/juce_core.h>

/** Opening a web page, the one way the program does it: the table, its cells and the dialogs' link row. */
namespace WebLink
{
/** Logs "Launching <address>", then launches it. */
void open(const juce::String& address);

/** Hands the address, escaped, to the default browser; local file names are refused. Failures are not reported. */
void launch(const juce::String& address);

/** The address as it is handed to the browser launcher: characters a shell would expand are escaped. */
juce::String launchableForm(const juce::String& address);

/** False for text that names a file on this machine: the launcher would run an executable one. */
bool isLaunchable(const juce::String& address);
} // namespace WebLink
