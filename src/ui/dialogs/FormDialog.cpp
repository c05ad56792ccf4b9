#include "ui/dialogs/FormDialog.h"

void showFormDialogImpl(CustomDialogOverlay& overlay, const juce::String& title, const juce::String& message,
                        const std::vector<DialogField>& fields, const std::vector<DialogAction>& actions,
                        int dismissActionId, FormDialogCallback callback, IconSource icon)
{
    overlay.title.titleLabel.setFont(juce::Font(24.0f, juce::Font::plain));
    overlay.title.resized();
    overlay.messageLabel.setFont(juce::Font(17.0f, juce::Font::plain));

    overlay.formCallback = std::move(callback);
    overlay.callback = nullptr;
    overlay.dismissActionId = dismissActionId;

    overlay.setTitle(title, icon);
    overlay.messageLabel.setText(message, juce::dontSendNotification);

    overlay.detailView.text = {};
    overlay.detailView.repaint();

    // Replaces (and deletes) the previous form.
    overlay.form = std::make_unique<DynamicFormComponent>(fields);
    overlay.addAndMakeVisible(*overlay.form);

    overlay.replaceButtons(actions, true);

    overlay.linkRow.setVisible(false);
    overlay.title.setVisible(true);
    overlay.messageLabel.setVisible(message.isNotEmpty());
    overlay.detailViewport.setVisible(false);
    overlay.present();
}
