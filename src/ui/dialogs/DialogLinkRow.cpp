#include "ui/dialogs/DialogLinkRow.h"

#include "ui/Theme.h"

DialogLinkRow::DialogLinkRow()
{
    linkLabel.setJustificationType(juce::Justification::centredLeft);
    linkLabel.setColour(juce::Label::textColourId, themeForeground);
    linkLabel.setFont(juce::Font(17.0f, juce::Font::plain));
    addAndMakeVisible(linkLabel);

    openButton.setMouseCursor(juce::MouseCursor::PointingHandCursor);
    // Opening the page keeps the dialog open.
    openButton.onClick = [this]
    {
        if (url.isNotEmpty())
            juce::URL(url).launchInDefaultBrowser();
    };
    addAndMakeVisible(openButton);
}

void DialogLinkRow::lookAndFeelChanged()
{
    linkLabel.setColour(juce::Label::textColourId, themeForeground);
}

void DialogLinkRow::resized()
{
    auto row = getLocalBounds();
    const int textWidth = linkLabel.getFont().getStringWidth(linkLabel.getText());
    linkLabel.setBounds(row.removeFromLeft(juce::jmin(row.getWidth(), textWidth)));
    row.removeFromLeft(juce::jmin(row.getWidth(), 40));
    openButton.setBounds(row.removeFromLeft(juce::jmin(row.getWidth(), 150)));
}
