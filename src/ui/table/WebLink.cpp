#include "ui/table/WebLink.h"

namespace WebLink
{

juce::String launchableForm(const juce::String& address)
{
    // On Linux the launcher runs the address through /bin/sh inside double quotes, where dollar, backquote,
    // double quote and backslash are still live. Addresses come from devices on the network: escape them.
    juce::String result;
    result.preallocateBytes(address.getNumBytesAsUTF8() + 8);

    for (auto p = address.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c == '$' || c == '`' || c == '"' || c == '\\' || c < 0x20 || c == 0x7f)
            result << '%' << juce::String::toHexString((int) c).toUpperCase().paddedLeft('0', 2);
        else
            result += juce::String::charToString(c);
    }

    return result;
}

bool isLaunchable(const juce::String& address)
{
    const auto trimmed = address.trim();

    if (trimmed.isEmpty())
        return false;

    // A web address never names an existing local file or folder; the launcher would start an executable one.
    const auto asFile = juce::File::getCurrentWorkingDirectory().getChildFile(trimmed);
    return ! (asFile.existsAsFile() || asFile.isDirectory());
}

void launch(const juce::String& address)
{
    if (isLaunchable(address))
        juce::URL(launchableForm(address)).launchInDefaultBrowser();
}

void open(const juce::String& address)
{
    juce::Logger::writeToLog("Launching " + address);
    launch(address);
}

} // namespace WebLink
