#include "ui/table/NameCellComponent.h"

NameCellComponent::NameCellComponent()
{
    setInterceptsMouseClicks(false, false);
}

void NameCellComponent::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const auto x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();

    const juce::String badgeText = isHost ? "HOST" : "GUEST";
    float badgeWidth = 0.0f;

    if (isTarn)
    {
        g.setFont(13.0f);
        badgeWidth = g.getCurrentFont().getStringWidthFloat(badgeText) + 16.0f;
    }

    g.setFont(17.0f);
    const auto textColour = findColour(juce::ListBox::textColourId);
    g.setColour(textColour);

    // The name gives up width to the badge, which always follows it 8 pixels after its end.
    auto available = w - 12.0f;
    if (isTarn)
        available -= badgeWidth + 8.0f;
    available = juce::jmax(0.0f, available);

    const auto nameWidth = g.getCurrentFont().getStringWidthFloat(name);
    const auto textWidth = juce::jmin(w, available, nameWidth);

    g.drawText(name, juce::Rectangle<float>(x, y, textWidth, h), juce::Justification::centredLeft, true);

    if (! isTarn)
        return;

    const auto badgeHeight = juce::jmin(h, 26.0f);
    const juce::Rectangle<float> badge(x + textWidth + 8.0f, y + (h - badgeHeight) / 2.0f, badgeWidth, badgeHeight);
    const auto radius = badgeHeight / 2.0f;

    if (isHost)
    {
        g.setColour(findColour(juce::TextButton::buttonColourId));
        g.fillRoundedRectangle(badge, radius);
        g.setColour(findColour(juce::TextButton::textColourOffId));
    }
    else
    {
        g.setColour(juce::Colours::transparentBlack);
        g.fillRoundedRectangle(badge, radius);
        g.setColour(textColour);
        g.drawRoundedRectangle(badge, radius, 1.0f);
    }

    g.setFont(13.0f);
    g.drawText(badgeText, badge, juce::Justification::centred, false);
}
