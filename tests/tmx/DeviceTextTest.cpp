#include "tmx/DeviceText.h"

#include <gtest/gtest.h>

#define BAD "\xEF\xBF\xBD"  // U+FFFD

TEST(DeviceText, WellFormedTextPassesAndEachMaximalInvalidPartBecomesOneReplacement)
{
    const std::pair<const char*, const char*> cases[] = {
        { "Ger\xC3\xA4t \xE2\x9C\x93 \xF0\x9F\x98\x80", "Ger\xC3\xA4t \xE2\x9C\x93 \xF0\x9F\x98\x80" },
        { "\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", "\xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF" },
        { "a\xC3(", "a" BAD "(" },                         // a broken pair
        { "a\xE2\x82", "a" BAD },                          // cut off by the end: one part
        { "\xF0\x9F\x98", BAD },
        { "\xC0\xAF\xC1\xBF", BAD BAD BAD BAD },           // overlong leads
        { "\xE0\x9F\xBF", BAD BAD BAD },                   // overlong three bytes
        { "\xED\xA0\x80", BAD BAD BAD },                   // a surrogate
        { "\xF0\x8F\xBF\xBF", BAD BAD BAD BAD },           // overlong four bytes
        { "\xF4\x90\x80\x80\xF5\x80", BAD BAD BAD BAD BAD BAD },  // above U+10FFFF
        { "\x80z\xFF", BAD "z" BAD },                      // lone continuation, invalid byte
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(tmx::deviceText(in), juce::String::fromUTF8(out)) << in;
}
