#pragma once

#include <juce_graphics/juce_graphics.h>

#include <functional>
#include <optional>

/**
    Reads known texts off a screenshot: draws a candidate text with the program's own typeface, the
    way the program draws it (same font height, colours and justification in the same box), and
    compares the drawing with that box of the screenshot. The program and this probe share the
    renderer, so a shown text matches almost exactly; a small search over shifts absorbs a pixel or
    two of error in the box computed from the layout.
*/
class TextProbe
{
public:
    TextProbe();

    bool isReady() const { return typeface != nullptr; }

    juce::Font font(float height) const;

    /** 0 when the box shows exactly the text; about 1 when it shows only the background; more when it
        shows something else. */
    double mismatch(const juce::Image& shot, juce::Rectangle<int> box, const juce::String& text, float height,
                    juce::Colour ink, juce::Colour background,
                    juce::Justification justification = juce::Justification::centredLeft) const;

    bool shows(const juce::Image& shot, juce::Rectangle<int> box, const juce::String& text, float height,
               juce::Colour ink, juce::Colour background,
               juce::Justification justification = juce::Justification::centredLeft) const
    {
        return mismatch(shot, box, text, height, ink, background, justification) < 0.3;
    }

    /** The best mismatch of the text drawn anywhere inside the area (for texts whose exact box is not
        known, such as a centred title). */
    double search(const juce::Image& shot, juce::Rectangle<int> area, const juce::String& text, float height,
                  juce::Colour ink, juce::Colour background, int fitWidth = 0, int* foundX = nullptr) const;

    /** Where the text (drawn left-aligned) starts inside the area, when it is there. */
    std::optional<int> locate(const juce::Image& shot, juce::Rectangle<int> area, const juce::String& text,
                              float height, juce::Colour ink, juce::Colour background) const
    {
        int x = 0;
        if (search(shot, area, text, height, ink, background, 0, &x) < 0.3)
            return x;
        return std::nullopt;
    }

    /** The candidate that matches best, or empty text when none matches well. */
    juce::String bestOf(const juce::Image& shot, juce::Rectangle<int> box, const juce::StringArray& candidates,
                        float height, juce::Colour ink, juce::Colour background,
                        juce::Justification justification = juce::Justification::centredLeft) const;

private:
    double compare(const juce::Image& shot, juce::Rectangle<int> box, juce::Colour background,
                   const std::function<void(juce::Graphics&, juce::Rectangle<int>)>& draw,
                   int* bestDx = nullptr) const;

    juce::Typeface::Ptr typeface;
};
