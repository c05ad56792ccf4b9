#pragma once

#include "ui/dialogs/DialogButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** A link text with an "Open in new tab" button, left-aligned in the card. */
class DialogLinkRow : public juce::Component
{
public:
    DialogLinkRow();

    void lookAndFeelChanged() override;
    void resized() override;

    juce::Label linkLabel;
    DialogButton openButton { DialogAction { 0, "Open in new tab", 1 } };
    juce::String url;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DialogLinkRow)
};
