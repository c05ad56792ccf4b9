#include "tmx/protocol/ProtocolText.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>

using tmx::protocol::normaliseMacAddress;
using tmx::protocol::parseMacAddress;
using tmx::protocol::toDecimalString;

TEST(ProtocolText, DecimalStringMatchesStdToString)
{
    EXPECT_EQ(toDecimalString(0), "0");
    EXPECT_EQ(toDecimalString(80), "80");
    EXPECT_EQ(toDecimalString(65535), "65535");
    EXPECT_EQ(toDecimalString(-1), "-1");
    EXPECT_EQ(toDecimalString(-40), "-40");
    EXPECT_EQ(toDecimalString(INT_MAX), "2147483647");
    EXPECT_EQ(toDecimalString(INT_MIN), "-2147483648");
    for (int v : { 1, 9, 10, 99, 100, 255, 1000, 4464, 123456789, -123456789 })
        EXPECT_EQ(toDecimalString(v), std::to_string(v)) << v;
}

TEST(ProtocolText, NormaliseMacKeepsTwelveHexDigitsUpperCased)
{
    EXPECT_EQ(normaliseMacAddress("00:11:22:AA:BB:CC"), "00:11:22:AA:BB:CC");
    EXPECT_EQ(normaliseMacAddress("00-11-22-aa-bb-cc"), "00:11:22:AA:BB:CC");
    EXPECT_EQ(normaliseMacAddress("0011.22aa.bbcc"), "00:11:22:AA:BB:CC");
    EXPECT_EQ(normaliseMacAddress("001122aabbcc"), "00:11:22:AA:BB:CC");
    // Every non-hex byte is a separator, even letters beyond f and bytes above 127.
    EXPECT_EQ(normaliseMacAddress("x= 00 11 22 aa bb cc !"), "00:11:22:AA:BB:CC");
    EXPECT_EQ(normaliseMacAddress(std::string_view("0\0" "011\xff" "22aabbcc", 14)), "00:11:22:AA:BB:CC");
}

TEST(ProtocolText, NormaliseMacRejectsOtherDigitCounts)
{
    EXPECT_EQ(normaliseMacAddress(""), "");
    EXPECT_EQ(normaliseMacAddress("00:11:22"), "");
    EXPECT_EQ(normaliseMacAddress("00112233aa"), "");        // 10 digits
    EXPECT_EQ(normaliseMacAddress("00112233aabbc"), "");     // 13 digits
    EXPECT_EQ(normaliseMacAddress("00:11:22:AA:BB:CC:DD"), "");
    EXPECT_EQ(normaliseMacAddress("gg:hh:ii:jj:kk:ll"), "");
}

TEST(ProtocolText, ParseMacReadsSixBytesOrZeros)
{
    std::array<uint8_t, 6> out {};
    parseMacAddress("00-1a-2b-3c-4d-5e", out.data());
    EXPECT_EQ(out, (std::array<uint8_t, 6> { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E }));

    parseMacAddress("FF:ee:DD:cc:BB:aa", out.data());
    EXPECT_EQ(out, (std::array<uint8_t, 6> { 0xFF, 0xEE, 0xDD, 0xCC, 0xBB, 0xAA }));

    // A short or long text, or an empty one (an absent interface), clears all six bytes.
    for (const char* text : { "00:1A:2B", "", "00:1A:2B:3C:4D:5E:6F", "zz" })
    {
        out.fill(0x77);
        parseMacAddress(text, out.data());
        EXPECT_EQ(out, (std::array<uint8_t, 6> {})) << text;
    }
}
