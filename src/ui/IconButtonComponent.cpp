#include "ui/IconButtonComponent.h"

#include "ui/Theme.h"

IconButtonComponent::IconButtonComponent()
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
}

IconButtonComponent::~IconButtonComponent() = default;

void IconButtonComponent::updateIcon()
{
    drawable = createIconDrawable(icon, active ? themeBackground : themeForeground);
}

void IconButtonComponent::mouseEnter(const juce::MouseEvent&)
{
    hovered = true;
    repaint();
}

void IconButtonComponent::mouseExit(const juce::MouseEvent&)
{
    hovered = false;
    repaint();
}

void IconButtonComponent::mouseUp(const juce::MouseEvent& e)
{
    // Any button counts; a press that became a drag does not.
    if (e.mouseWasClicked() && onClick)
        onClick();
}

void IconButtonComponent::lookAndFeelChanged()
{
    updateIcon();
}

void IconButtonComponent::paint(juce::Graphics& g)
{
    const auto r = getLocalBounds().toFloat();
    const float stroke = hovered ? 1.5f : 1.0f;

    g.setColour(active ? themeForeground : themeBackground);
    g.fillRoundedRectangle(r, 8.0f);

    g.setColour(themeForeground);
    const float half = stroke / 2.0f;
    g.drawRoundedRectangle(r.getX() + half, r.getY() + half, juce::jmax(0.0f, r.getWidth() - stroke),
                           juce::jmax(0.0f, r.getHeight() - stroke), 8.0f, stroke);

    if (drawable != nullptr)
    {
        const float pad = iconPadding;
        const juce::Rectangle<float> area(r.getX() + pad, r.getY() + pad, juce::jmax(0.0f, r.getWidth() - 2 * pad),
                                          juce::jmax(0.0f, r.getHeight() - 2 * pad));
        drawable->drawWithin(g, area, juce::RectanglePlacement::centred, 1.0f);
    }
}
