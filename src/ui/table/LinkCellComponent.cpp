#include "ui/table/LinkCellComponent.h"

#include "ui/CustomLookAndFeel.h"
#include "ui/table/WebLink.h"

void LinkCellComponent::mouseEnter(const juce::MouseEvent&)
{
    hovered = true;
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
    repaint();
}

void LinkCellComponent::mouseExit(const juce::MouseEvent&)
{
    hovered = false;
    setMouseCursor(juce::MouseCursor::NormalCursor);
    repaint();
}

void LinkCellComponent::mouseDown(const juce::MouseEvent& e)
{
    if (url.isEmpty())
        return;

    if (e.mods.isLeftButtonDown())
    {
        WebLink::open(url);
    }
    else if (e.mods.isRightButtonDown())
    {
        juce::SystemClipboard::copyTextToClipboard(url);

        if (onToast)
            onToast("Copied to clipboard!");
    }
}

void LinkCellComponent::paint(juce::Graphics& g)
{
    auto area = getLocalBounds();
    area.removeFromRight(juce::jmin(12, area.getWidth()));

    const auto accent = findColour(CustomLookAndFeel::accentColourId);
    g.setColour(hovered ? accent : accent.withAlpha(0.8f));
    g.setFont(juce::Font(17.0f, juce::Font::underlined));
    g.drawText(url, area, juce::Justification::centredLeft, true);
}
