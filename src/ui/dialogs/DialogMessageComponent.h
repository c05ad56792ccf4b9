#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

/** The dialog's detail text: word-wrapped lines, bullet items and half-line gaps for empty lines. */
class DialogMessageComponent : public juce::Component
{
public:
    DialogMessageComponent() = default;

    /** Lays the text out at `width` and returns its height; draws it too when `g` is given. */
    float layoutText(juce::Graphics* g, float width) const;

    /** Splits one line at single spaces into lines no wider than `limit`; a too-long word stands alone. */
    juce::StringArray wrapLine(const juce::String& line, float limit) const;

    void paint(juce::Graphics& g) override;

    juce::String text;
    juce::Font font { 17.0f, juce::Font::plain };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DialogMessageComponent)
};
