#include "ui/table/FinderButtonComponent.h"

#include "ui/Theme.h"

FinderButtonComponent::FinderButtonComponent()
{
    setMouseClickGrabsKeyboardFocus(false);
}

void FinderButtonComponent::mouseEnter(const juce::MouseEvent&)
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
}

void FinderButtonComponent::mouseExit(const juce::MouseEvent&)
{
    setMouseCursor(juce::MouseCursor::NormalCursor);
}

void FinderButtonComponent::paint(juce::Graphics& g)
{
    auto colour = findColour(juce::TextButton::buttonColourId);
    if (! isEnabled())
        colour = colour.withAlpha(0.2f);

    g.setColour(colour);
    g.fillRoundedRectangle(getLocalBounds().toFloat(), 8.0f);

    g.setColour(nearBlack);
    getLookAndFeel().drawButtonText(g, *this, isMouseOver(), isMouseButtonDown());

    if (hasKeyboardFocus(false))
        drawFocusMark(g, getLocalBounds().toFloat(), 8.0f);
}
