#include "ui/dialogs/DialogLinkRow.h"

#include "ui/Theme.h"
#include "ui/table/WebLink.h"

DialogLinkRow::DialogLinkRow()
{
    linkLabel.setJustificationType(juce::Justification::centredLeft);
    // The label is sized to its text; its default side borders would squeeze it.
    linkLabel.setBorderSize({});
    linkLabel.setColour(juce::Label::textColourId, themeForeground);
    linkLabel.setFont(juce::Font(17.0f, juce::Font::plain));
    addAndMakeVisible(linkLabel);

    openButton.setMouseCursor(juce::MouseCursor::PointingHandCursor);
    // Opening the page keeps the dialog open.
    openButton.onClick = [this]
    {
        if (url.isNotEmpty())
            WebLink::launch(url);
    };
    addAndMakeVisible(openButton);
}

void DialogLinkRow::setLink(const juce::String& text, const juce::String& address)
{
    linkLabel.setText(text, juce::dontSendNotification);
    url = address;
    resized();
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
