#include "ui/table/NetCellComponent.h"

#include "ui/Theme.h"

#include <cmath>

NetCellComponent::NetCellComponent() : editButton("EditButton")
{
    editButton.setMouseCursor(juce::MouseCursor::PointingHandCursor);

    // The text lets clicks through to the table row; only the button takes them.
    setInterceptsMouseClicks(false, true);
    addAndMakeVisible(editButton);

    editButton.onClick = [this]
    {
        if (onEditClicked)
            onEditClicked();
    };
}

void NetCellComponent::paint(juce::Graphics& g)
{
    auto area = getLocalBounds();

    if (editButton.isVisible())
        area.setWidth(juce::jmax(0, editButton.getX() - 8));

    const auto textColour = findColour(juce::ListBox::textColourId);

    if (mac.isNotEmpty())
    {
        const auto h1 = (int) std::ceil(juce::Font(17.0f).getHeight());
        const auto h2 = (int) std::ceil(juce::Font(13.0f).getHeight());
        const auto top = area.getY() + juce::jmax(0, (area.getHeight() - h1 - h2) / 2);

        g.setColour(textColour);
        g.setFont(17.0f);
        g.drawText(text, juce::Rectangle<int>(area.getX(), top, area.getWidth(), h1), juce::Justification::centredLeft, true);

        // Fixed grey in both themes.
        g.setColour(neutralGrey);
        g.setFont(13.0f);
        g.drawText(mac, juce::Rectangle<int>(area.getX(), top + h1, area.getWidth(), h2), juce::Justification::centredLeft, true);
    }
    else
    {
        g.setColour(textColour);
        g.setFont(17.0f);
        g.drawText(text, area, juce::Justification::centredLeft, true);
    }
}

void NetCellComponent::resized()
{
    if (! editButton.isVisible())
        return;

    const auto w17 = juce::Font(17.0f).getStringWidth(text);
    const auto w13 = juce::Font(13.0f).getStringWidth(mac);

    // 8 pixels after the longer line, never outside the cell.
    const auto x = juce::jmin(juce::jmax(w17, w13) + 8, getWidth() - 24);
    editButton.setBounds(x, (getHeight() - 24) / 2, 24, 24);
}
