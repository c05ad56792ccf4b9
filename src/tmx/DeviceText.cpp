#include "tmx/DeviceText.h"

namespace tmx
{

namespace
{
    constexpr char replacement[] = "\xEF\xBF\xBD";  // U+FFFD

    /** Length of the well-formed sequence at the start of the text, 0 when there is none. A sequence that
        breaks off counts its valid start as one invalid part, so it becomes one replacement character. */
    size_t wellFormedLength(std::string_view text, size_t& invalidLength)
    {
        const auto byte = [&text](size_t i) { return static_cast<unsigned char>(text[i]); };
        const unsigned char lead = byte(0);

        if (lead == 0)
        {
            // Valid UTF-8, but the framework's strings end at a NUL and would lose what follows it.
            invalidLength = 1;
            return 0;
        }
        if (lead < 0x80)
            return 1;

        // Allowed range of the second byte, and the number of bytes, by lead byte (no overlongs,
        // no surrogates, nothing above U+10FFFF).
        unsigned char low = 0x80, high = 0xBF;
        size_t length = 0;
        if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF)
        {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        }
        else if (lead >= 0xF0 && lead <= 0xF4)
        {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        }
        else
        {
            invalidLength = 1;
            return 0;
        }

        for (size_t i = 1; i < length; ++i)
        {
            const bool inRange = i < text.size() && byte(i) >= (i == 1 ? low : 0x80)
                                 && byte(i) <= (i == 1 ? high : 0xBF);
            if (! inRange)
            {
                invalidLength = i;
                return 0;
            }
        }
        return length;
    }
}

juce::String deviceText(std::string_view bytes)
{
    const auto toString = [](const char* data, size_t size)
    { return juce::String::fromUTF8(data, static_cast<int>(size)); };

    std::string repaired;
    size_t copiedUpTo = 0;
    size_t position = 0;
    while (position < bytes.size())
    {
        size_t invalidLength = 0;
        if (const auto length = wellFormedLength(bytes.substr(position), invalidLength); length > 0)
        {
            position += length;
            continue;
        }
        repaired.append(bytes.data() + copiedUpTo, position - copiedUpTo);
        repaired += replacement;
        position += invalidLength;
        copiedUpTo = position;
    }

    if (copiedUpTo == 0)
        return toString(bytes.data(), bytes.size());  // well-formed throughout

    repaired.append(bytes.data() + copiedUpTo, bytes.size() - copiedUpTo);
    return toString(repaired.data(), repaired.size());
}

juce::String logText(const juce::String& text)
{
    const auto breaksLine = [](juce::juce_wchar c)
    { return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029; };

    juce::String result;
    result.preallocateBytes(text.getNumBytesAsUTF8());
    for (auto p = text.getCharPointer(); ! p.isEmpty();)
    {
        const auto c = p.getAndAdvance();
        result += breaksLine(c) ? static_cast<juce::juce_wchar>(0xFFFD) : c;
    }
    return result;
}

} // namespace tmx
