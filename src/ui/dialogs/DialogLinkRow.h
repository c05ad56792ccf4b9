#pragma once

#include "ui/dialogs/DialogButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A link text with an "Open in new tab" button, left-aligned in the card. */
class DialogLinkRow : public juce::Component
{
public:
    DialogLinkRow();

    /** Sets the link text and address and lays the row out again: the label is sized to its text. */
    void setLink(const juce::String& text, const juce::String& address);

    void lookAndFeelChanged() override;
    void resized() override;

    juce::Label linkLabel;
    DialogButton openButton { DialogAction { 0, "Open in new tab", 1 } };
    juce::String url;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DialogLinkRow)
};
