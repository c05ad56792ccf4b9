#include "ui/table/NetEditButtonComponent.h"

#include "ui/EmbeddedResources.h"
#include "ui/Theme.h"

NetEditButtonComponent::NetEditButtonComponent(const juce::String& name) : juce::Button(name)
{
    setMouseClickGrabsKeyboardFocus(false);
    loadIcon();
}

void NetEditButtonComponent::loadIcon()
{
    icon = createIconDrawable(EmbeddedResources::editIconSvg(), themeForeground);
}

void NetEditButtonComponent::lookAndFeelChanged()
{
    loadIcon();
    repaint();
}

void NetEditButtonComponent::paintButton(juce::Graphics& g, bool, bool shouldDrawButtonAsDown)
{
    if (isMouseOver() || shouldDrawButtonAsDown)
    {
        g.setColour(findColour(juce::ListBox::textColourId).withAlpha(0.1f));
        g.fillEllipse(0.0f, 0.0f, (float) getWidth(), (float) getHeight());
    }

    if (icon != nullptr)
    {
        const auto area = getLocalBounds().reduced(6).toFloat();
        icon->drawWithin(g, area, juce::RectanglePlacement::centred, 1.0f);
    }

    if (hasKeyboardFocus(false))
        drawFocusMark(g, getLocalBounds().toFloat(), (float) getHeight() * 0.5f);
}
