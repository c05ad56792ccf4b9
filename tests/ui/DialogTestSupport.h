#pragma once

// Access to the inner parts of the toast, the dialog overlay and the form.

#include "UiTestSupport.h"
#include "ui/ToastOverlay.h"

/** Steps the toast's timer by hand so the animation can be followed tick by tick. */
class ToastOverlayTestAccess
{
public:
    static void tick(ToastOverlay& t) { t.timerCallback(); }
    static bool timerRunning(const ToastOverlay& t) { return t.isTimerRunning(); }
    static int state(const ToastOverlay& t) { return t.state; }
    static int holdTicks(const ToastOverlay& t) { return t.holdTicks; }
};

/** The overlay's inner parts. */
class DialogOverlayTestAccess
{
public:
    explicit DialogOverlayTestAccess(CustomDialogOverlay& o) : overlay(o) {}

    juce::Rectangle<float> card() const { return overlay.cardBounds; }
    juce::OwnedArray<DialogButton>& buttons() { return overlay.buttons; }
    DialogTitleComponent& title() { return overlay.title; }
    juce::Label& message() { return overlay.messageLabel; }
    DialogMessageComponent& detail() { return overlay.detailView; }
    juce::Viewport& detailViewport() { return overlay.detailViewport; }
    DialogLinkRow& linkRow() { return overlay.linkRow; }
    DynamicFormComponent* form() { return overlay.form.get(); }
    int dismissId() const { return overlay.dismissActionId; }

private:
    CustomDialogOverlay& overlay;
};

/** The form's controls by key. */
class FormTestAccess
{
public:
    explicit FormTestAccess(DynamicFormComponent& f) : form(f) {}

    juce::TextEditor* editor(const juce::String& key) { return find(form.textEditors, key); }
    juce::ComboBox* combo(const juce::String& key) { return find(form.comboBoxes, key); }
    SegmentedControl* segmented(const juce::String& key) { return find(form.segmentedControls, key); }
    juce::Label* label(size_t index) { return index < form.labels.size() ? form.labels[index].get() : nullptr; }
    size_t labelCount() const { return form.labels.size(); }

private:
    template <typename Map>
    static auto find(Map& map, const juce::String& key) -> decltype(map.begin()->second.get())
    {
        auto it = map.find(key);
        return it != map.end() ? it->second.get() : nullptr;
    }

    DynamicFormComponent& form;
};
