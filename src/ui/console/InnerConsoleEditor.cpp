#include "ui/console/InnerConsoleEditor.h"

InnerConsoleEditor::InnerConsoleEditor(juce::CodeDocument& document)
    : juce::CodeEditorComponent(document, nullptr)
{
}

void InnerConsoleEditor::addPopupMenuItems(juce::PopupMenu& menu, const juce::MouseEvent*)
{
    menu.addItem(juce::StandardApplicationCommandIDs::selectAll, "Select All", true);
    menu.addItem(juce::StandardApplicationCommandIDs::copy, "Copy", !getHighlightedRegion().isEmpty());
    menu.addSeparator();
    menu.addItem(juce::StandardApplicationCommandIDs::del, "Clear All", true);
}

void InnerConsoleEditor::performPopupMenuAction(int menuItemID)
{
    switch (menuItemID)
    {
        case juce::StandardApplicationCommandIDs::selectAll:
            selectAll();
            break;
        case juce::StandardApplicationCommandIDs::copy:
            copyToClipboard();
            break;
        case juce::StandardApplicationCommandIDs::del:
            // Dropping the undo history frees the removed text too.
            getDocument().replaceAllContent({});
            getDocument().clearUndoHistory();
            break;
        default:
            break;
    }
}
