#include "ui/Theme.h"

#include "ui/CustomLookAndFeel.h"

int32_t darkTheme = 0;
juce::Colour themeBackground = offWhite;
juce::Colour themeForeground = nearBlack;

void applyTheme(int dark)
{
    darkTheme = dark;
    if (dark == 1)
    {
        themeBackground = nearBlack;
        themeForeground = offWhite;
    }
    else
    {
        themeBackground = offWhite;
        themeForeground = nearBlack;
    }

    if (auto* lf = dynamic_cast<CustomLookAndFeel*>(&juce::LookAndFeel::getDefaultLookAndFeel()))
        lf->setColourScheme();
}

void drawFocusMark(juce::Graphics& g, juce::Rectangle<float> bounds, float cornerSize)
{
    g.setColour(accentBlue);
    g.drawRoundedRectangle(bounds.reduced(1.0f), cornerSize, 2.0f);
}

std::unique_ptr<juce::Drawable> createIconDrawable(const IconSource& source, juce::Colour colour)
{
    if (source.svgData == nullptr || source.svgSize <= 0)
        return nullptr;

    const auto text = juce::String::fromUTF8(source.svgData, static_cast<int>(source.svgSize));
    const auto xml = juce::parseXML(text);
    if (xml == nullptr)
        return nullptr;

    auto drawable = juce::Drawable::createFromSVG(*xml);
    if (drawable == nullptr)
        return nullptr;

    // The icons are drawn in these two near-white fills so they can take the theme's colour.
    drawable->replaceColour(juce::Colour(0xffe3e8e8), colour);
    drawable->replaceColour(juce::Colour(0xffeeeeee), colour);
    return drawable;
}
