#include "ui/table/WebLink.h"

#include "app/DetachedProcess.h"
#include "tmx/DeviceText.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace WebLink
{

namespace
{
bool isAsciiLetter(juce::juce_wchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isSchemeCharacter(juce::juce_wchar c)
{
    return isAsciiLetter(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

/** The text's scheme ("http" in "http://x"), empty when it has none. A scheme is a letter, then letters, digits,
    '+', '-' or '.', then ':'. A port number after the colon makes it a host instead, as in the texts devices
    send: "192.168.1.20:80", "rack-2.local:8080/setup". */
juce::String schemeOf(const juce::String& text)
{
    const int colon = text.indexOfChar(':');
    if (colon <= 0 || ! isAsciiLetter(text[0]))
        return {};
    for (int i = 1; i < colon; ++i)
        if (! isSchemeCharacter(text[i]))
            return {};

    const auto rest = text.substring(colon + 1);
    const auto port = rest.initialSectionContainingOnly("0123456789");
    if (port.isNotEmpty() && (port.length() == rest.length() || juce::String("/?#").containsChar(rest[port.length()])))
        return {};
    return text.substring(0, colon);
}

/** Unicode's space separators, line and paragraph separators and format characters (categories Zs, Zl, Zp and
    Cf, Unicode 14): invisible in an address bar, they make one address look like another. */
bool isInvisible(juce::juce_wchar c)
{
    static constexpr std::pair<juce::juce_wchar, juce::juce_wchar> ranges[] = {
        { 0x20, 0x20 },       { 0xA0, 0xA0 },       { 0xAD, 0xAD },       { 0x600, 0x605 },     { 0x61C, 0x61C },
        { 0x6DD, 0x6DD },     { 0x70F, 0x70F },     { 0x890, 0x891 },     { 0x8E2, 0x8E2 },     { 0x1680, 0x1680 },
        { 0x180E, 0x180E },   { 0x2000, 0x200F },   { 0x2028, 0x202F },   { 0x205F, 0x2064 },   { 0x2066, 0x206F },
        { 0x3000, 0x3000 },   { 0xFEFF, 0xFEFF },   { 0xFFF9, 0xFFFB },   { 0x110BD, 0x110BD }, { 0x110CD, 0x110CD },
        { 0x13430, 0x13438 }, { 0x1BCA0, 0x1BCA3 }, { 0x1D173, 0x1D17A }, { 0xE0001, 0xE0001 }, { 0xE0020, 0xE007F },
    };
    const auto after = std::upper_bound(std::begin(ranges), std::end(ranges), c,
                                        [](juce::juce_wchar value, const auto& range) { return value < range.first; });
    return after != std::begin(ranges) && c <= std::prev(after)->second;
}

bool hasSpaceControlOrInvisible(const juce::String& text)
{
    for (auto p = text.getCharPointer(); ! p.isEmpty();)
        if (const auto c = p.getAndAdvance(); c <= ' ' || (c >= 0x7f && c <= 0x9f) || isInvisible(c))
            return true;
    return false;
}

/** What the browser is given for a link's text: an http or https address as it is, a text without a scheme
    with "http://" before it; empty, with the reason in whyNot, for anything else. */
juce::String browserAddress(const juce::String& text, juce::String& whyNot)
{
    const auto scheme = schemeOf(text);

    if (text.isEmpty())
        whyNot = "Empty address";
    else if (hasSpaceControlOrInvisible(text))
        whyNot = "White space, control or invisible character in: " + text;
    else if (text.startsWithChar('-'))
        whyNot = "Starts with '-': " + text;  // the launcher would take it for an option
    else if (scheme.isEmpty())
        return "http://" + text;
    else if (scheme.equalsIgnoreCase("http") || scheme.equalsIgnoreCase("https"))
        return text;
    else
        whyNot = "Not an http or https address: " + text;
    return {};
}

/** The launcher is a shell script, and such scripts have expanded addresses before: the characters still
    live inside double quotes go percent-escaped. */
juce::String launchableForm(const juce::String& address)
{
    juce::String result;
    result.preallocateBytes(address.getNumBytesAsUTF8() + 8);

    for (auto p = address.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();

        if (c == '$' || c == '`' || c == '"' || c == '\\')
            result << '%' << juce::String::toHexString((int) c).toUpperCase();
        else
            result += juce::String::charToString(c);
    }

    return result;
}

/** The address to launch, or empty after logging why there is none. */
juce::String checked(const juce::String& text)
{
    juce::String whyNot;
    const auto address = browserAddress(text, whyNot);
    if (address.isEmpty())
        juce::Logger::writeToLog("Link not opened! " + tmx::logText(whyNot));
    return address;
}

bool start(const juce::String& address)
{
    // An argument list, not the framework's browser chain: that runs each browser through /bin/sh and
    // leaves the shell behind, defunct.
    return DetachedProcess::start({ "xdg-open", launchableForm(address) });
}
} // namespace

bool launch(const juce::String& text)
{
    const auto address = checked(text);
    return address.isNotEmpty() && start(address);
}

void open(const juce::String& text)
{
    if (const auto address = checked(text); address.isNotEmpty())
    {
        juce::Logger::writeToLog("Launching " + tmx::logText(text));
        start(address);
    }
}

} // namespace WebLink
