#include "ui/InfoButton.h"

#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"

InfoButton::InfoButton() : juce::Button("Info")
{
    setName("Info");
    // Opening the about dialog with the mouse leaves the keyboard where it was, so it goes back there afterwards.
    setMouseClickGrabsKeyboardFocus(false);
}

InfoButton::~InfoButton() = default;

void InfoButton::updateIcon()
{
    icon = createIconDrawable(EmbeddedResources::infoIconSvg(), themeForeground);
}

void InfoButton::mouseEnter(const juce::MouseEvent& e)
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
    juce::Button::mouseEnter(e);
}

void InfoButton::mouseExit(const juce::MouseEvent& e)
{
    setMouseCursor(juce::MouseCursor::NormalCursor);
    juce::Button::mouseExit(e);
}

void InfoButton::lookAndFeelChanged()
{
    updateIcon();
    juce::Button::lookAndFeelChanged();
}

void InfoButton::paintButton(juce::Graphics& g, bool, bool)
{
    if (icon == nullptr)
        return;
    const juce::Rectangle<float> area(2.0f, 2.0f, (float) juce::jmax(0, getWidth() - 4),
                                      (float) juce::jmax(0, getHeight() - 4));
    icon->drawWithin(g, area, juce::RectanglePlacement::centred, 1.0f);

    if (hasKeyboardFocus(false))
        drawFocusMark(g, getLocalBounds().toFloat(), (float) getHeight() * 0.5f);
}
