#pragma once

#include <juce_gui_extra/juce_gui_extra.h>

/** The console's read-only text view with its own short context menu. */
class InnerConsoleEditor : public juce::CodeEditorComponent
{
public:
    explicit InnerConsoleEditor(juce::CodeDocument& document);

    void addPopupMenuItems(juce::PopupMenu& menu, const juce::MouseEvent* mouseClickEvent) override;
    void performPopupMenuAction(int menuItemID) override;

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(InnerConsoleEditor)
};
