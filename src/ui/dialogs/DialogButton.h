#pragma once

#include "ui/dialogs/DialogAction.h"

#include <juce_gui_basics/juce_gui_basics.h>

/** One action button of a dialog, drawn by its action's style; no hover or pressed look, a mark while it has the
    keyboard focus. */
class DialogButton : public juce::Button
{
public:
    explicit DialogButton(const DialogAction& action);

    const DialogAction& getAction() const { return action; }

    void paintButton(juce::Graphics& g, bool shouldDrawButtonAsHighlighted, bool shouldDrawButtonAsDown) override;

private:
    DialogAction action;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(DialogButton)
};
