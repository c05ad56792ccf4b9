#include "tmx/protocol/ProtocolText.h"

#include <cstring>

namespace tmx::protocol
{

namespace
{
    // Value of a hex digit, or -1 for any other byte.
    inline int hexValue(unsigned char c) noexcept
    {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    // Collects the hex digit values of the text; false unless there are exactly 12.
    bool collectTwelveDigits(std::string_view text, uint8_t digits[12]) noexcept
    {
        size_t count = 0;
        for (char ch : text)
        {
            const int v = hexValue(static_cast<unsigned char>(ch));
            if (v < 0)
                continue;
            if (count == 12)
                return false;
            digits[count++] = static_cast<uint8_t>(v);
        }
        return count == 12;
    }
}

std::string toDecimalString(int value)
{
    char buffer[12];
    char* p = buffer + sizeof(buffer);
    // Work on the unsigned magnitude so INT_MIN does not overflow.
    unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value) : static_cast<unsigned int>(value);
    do
    {
        *--p = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--p = '-';
    return std::string(p, static_cast<size_t>(buffer + sizeof(buffer) - p));
}

std::string normaliseMacAddress(std::string_view text)
{
    uint8_t digits[12];
    if (! collectTwelveDigits(text, digits))
        return {};

    static constexpr char upperHex[] = "0123456789ABCDEF";
    std::string result(17, ':');
    for (size_t i = 0; i < 6; ++i)
    {
        result[i * 3] = upperHex[digits[i * 2]];
        result[i * 3 + 1] = upperHex[digits[i * 2 + 1]];
    }
    return result;
}

void parseMacAddress(const std::string& text, uint8_t out[6])
{
    std::memset(out, 0, 6);
    uint8_t digits[12];
    if (! collectTwelveDigits(text, digits))
        return;
    for (size_t i = 0; i < 6; ++i)
        out[i] = static_cast<uint8_t>((digits[i * 2] << 4) | digits[i * 2 + 1]);
}

} // namespace tmx::protocol
