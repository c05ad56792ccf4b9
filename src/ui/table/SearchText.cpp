#include "ui/table/SearchText.h"

#include <locale.h>
#include <string>
#include <wctype.h>

namespace
{
/** Unicode letter cases for this one purpose. The process keeps the "C" locale, in which towlower knows only
    ASCII, and must keep it: numbers in the device protocol are read and written without regard to locale. */
struct UnicodeCase
{
    UnicodeCase() : locale(newlocale(LC_CTYPE_MASK, "C.UTF-8", (locale_t) 0)) {}
    ~UnicodeCase()
    {
        if (locale != (locale_t) 0)
            freelocale(locale);
    }

    wint_t lower(wint_t c) const { return locale != (locale_t) 0 ? towlower_l(c, locale) : towlower(c); }

    locale_t locale;
};
} // namespace

juce::String SearchText::fold(const juce::String& text)
{
    static const UnicodeCase unicodeCase;

    std::wstring folded;
    folded.reserve(text.getNumBytesAsUTF8());
    for (auto p = text.getCharPointer(); ! p.isEmpty();)
        folded.push_back((wchar_t) unicodeCase.lower((wint_t) p.getAndAdvance()));

    return juce::String(juce::CharPointer_UTF32(folded.c_str()));
}
