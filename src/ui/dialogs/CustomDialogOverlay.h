#pragma once

#include "ui/IconSource.h"
#include "ui/dialogs/DialogAction.h"
#include "ui/dialogs/DialogButton.h"
#include "ui/dialogs/DialogField.h"
#include "ui/dialogs/DialogLayoutMetrics.h"
#include "ui/dialogs/DialogLinkRow.h"
#include "ui/dialogs/DialogMessageComponent.h"
#include "ui/dialogs/DialogTitleComponent.h"
#include "ui/dialogs/DynamicFormComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

using FormDialogCallback = std::function<void(int, const std::map<juce::String, juce::String>&)>;

/** The one dialog mechanism: dims the window and shows a card in its centre, in place (never a window of its own). */
class CustomDialogOverlay : public juce::Component
{
public:
    CustomDialogOverlay();
    ~CustomDialogOverlay() override;

    /** Shows a message dialog, replacing whatever dialog is open; the replaced dialog's callback is dropped. */
    void showMessageDialog(const juce::String& title, const juce::String& message, const juce::String& detailText,
                           const std::vector<DialogAction>& actions, int dismissActionId,
                           std::function<void(int)> callback, IconSource icon, const juce::String& linkText,
                           const juce::String& linkUrl);

    /** Measures the card's parts at one card width. */
    DialogLayoutMetrics measureLayout(float cardWidth) const;

    void mouseDown(const juce::MouseEvent& e) override;
    void lookAndFeelChanged() override;
    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    friend void showFormDialogImpl(CustomDialogOverlay& overlay, const juce::String& title,
                                   const juce::String& message, const std::vector<DialogField>& fields,
                                   const std::vector<DialogAction>& actions, int dismissActionId,
                                   FormDialogCallback callback, IconSource icon);

    void setTitle(const juce::String& text, IconSource newIcon);
    void present();
    void replaceButtons(const std::vector<DialogAction>& actions, bool forForm);
    void buttonClicked(int actionId, bool forForm);
    void finish(int actionId, bool forForm);
    void buryOldButtons();

    juce::Rectangle<float> cardBounds;
    DialogTitleComponent title;
    juce::Label messageLabel;
    DialogMessageComponent detailView;
    juce::Viewport detailViewport;
    DialogLinkRow linkRow;
    juce::OwnedArray<DialogButton> buttons;
    int32_t dismissActionId = -1;
    std::function<void(int)> callback;
    std::unique_ptr<DynamicFormComponent> form;
    FormDialogCallback formCallback;

    // Whoever had the keyboard when the dialog opened gets it back when it closes, if still on screen.
    juce::Component::SafePointer<juce::Component> focusBeforeDialog;

    // A result callback may open the next dialog while the pressed button's click is still running;
    // replaced buttons wait here until that click has returned.
    int clicksRunning = 0;
    juce::OwnedArray<DialogButton> retiredButtons;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CustomDialogOverlay)
};
