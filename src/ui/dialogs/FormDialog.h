#pragma once

#include "ui/dialogs/CustomDialogOverlay.h"

/** Fills the overlay with a form dialog and shows it; the callback gets the pressed action's id and every field's value. */
void showFormDialogImpl(CustomDialogOverlay& overlay, const juce::String& title, const juce::String& message,
                        const std::vector<DialogField>& fields, const std::vector<DialogAction>& actions,
                        int dismissActionId, FormDialogCallback callback, IconSource icon);
