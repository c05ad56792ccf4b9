#include "support/Printers.h"
#include "tmx/DeviceText.h"

#include <gtest/gtest.h>

#define BAD "\xEF\xBF\xBD"  // U+FFFD

TEST(DeviceText, WellFormedTextPassesAndEachMaximalInvalidPartBecomesOneReplacement)
{
    const char* const valid = "Ger\xC3\xA4t \xE2\x9C\x93 \xE0\xA0\x80\xED\x9F\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF";
    const std::pair<std::string_view, const char*> cases[] = {
        { valid, valid },
        { "a\xC3(", "a" BAD "(" }, { "a\xE2\x82", "a" BAD }, { "\xF0\x9F\x98", BAD },  // broken and cut off
        { "\xC0\xAF\xC1\xBF", BAD BAD BAD BAD }, { "\xE0\x9F\xBF", BAD BAD BAD },      // overlong
        { "\xF0\x8F\xBF\xBF", BAD BAD BAD BAD }, { "\xED\xA0\x80", BAD BAD BAD },      // overlong, surrogate
        { "\xF4\x90\x80\x80\xF5", BAD BAD BAD BAD BAD }, { "\x80z\xFF", BAD "z" BAD }, // too high, lone
        { { "\0Office\0\0HIDDEN", 15 }, BAD "Office" BAD BAD "HIDDEN" },  // a NUL hides nothing after it
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(tmx::deviceText(in), juce::String::fromUTF8(out)) << in;
}
