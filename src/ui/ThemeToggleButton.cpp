#include "ui/ThemeToggleButton.h"

#include "ui/Theme.h"

#include <cmath>

ThemeToggleButton::ThemeToggleButton() : juce::Button("ThemeToggle")
{
    setName("ThemeToggle");
    // Switching with the mouse leaves the keyboard where it was, and with it no focus mark.
    setMouseClickGrabsKeyboardFocus(false);
}

ThemeToggleButton::~ThemeToggleButton() = default;

void ThemeToggleButton::mouseEnter(const juce::MouseEvent& e)
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
    juce::Button::mouseEnter(e);
}

void ThemeToggleButton::mouseExit(const juce::MouseEvent& e)
{
    setMouseCursor(juce::MouseCursor::NormalCursor);
    juce::Button::mouseExit(e);
}

void ThemeToggleButton::paintButton(juce::Graphics& g, bool, bool)
{
    if (hasKeyboardFocus(false))
        drawFocusMark(g, getLocalBounds().toFloat(), (float) getHeight() * 0.5f);

    // Read the theme at paint time, so a theme switch shows the other symbol at once.
    const juce::Rectangle<float> inner(2.0f, 2.0f, (float) juce::jmax(0, getWidth() - 4),
                                       (float) juce::jmax(0, getHeight() - 4));
    const float cx = inner.getCentreX();
    const float cy = inner.getCentreY();
    const float r = 0.3f * juce::jmin(inner.getWidth(), inner.getHeight());

    if (darkTheme == 1)
    {
        g.setColour(themeForeground);
        g.fillEllipse(cx - r, cy - r, 2 * r, 2 * r);
        const float mx = cx + 0.7f * r;
        const float my = cy - 0.245f * r;
        g.setColour(themeBackground);
        g.fillEllipse(mx - r, my - r, 2 * r, 2 * r);
        return;
    }

    g.setColour(themeForeground);
    const float core = 0.6f * r;
    g.fillEllipse(cx - core, cy - core, 2 * core, 2 * core);
    for (int k = 0; k < 8; ++k)
    {
        const float a = (float) k * juce::MathConstants<float>::twoPi / 8.0f;
        g.drawLine(cx + std::cos(a) * 0.95f * r, cy + std::sin(a) * 0.95f * r, cx + std::cos(a) * 1.4f * r,
                   cy + std::sin(a) * 1.4f * r, 1.5f);
    }
}
