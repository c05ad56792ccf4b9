#pragma once

#include <juce_core/juce_core.h>

/** Opening a device's web page, the one way the table and its cells do it. */
namespace WebLink
{
/** Logs "Launching <address>", then hands the address to the default browser. Failures are not reported. */
void open(const juce::String& address);

/** The address as it is handed to the browser launcher: characters a shell would expand are escaped. */
juce::String launchableForm(const juce::String& address);

/** False for text that names a file on this machine: the launcher would run an executable one. */
bool isLaunchable(const juce::String& address);
} // namespace WebLink
