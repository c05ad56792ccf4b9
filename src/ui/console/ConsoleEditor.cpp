#include "ui/console/ConsoleEditor.h"

#include "ui/Theme.h"

ConsoleEditor::ConsoleEditor()
{
    editor = std::make_unique<InnerConsoleEditor>(document);
    editor->setFont(juce::Font(17.0f));
    applyColours();
    editor->setOpaque(true);
    editor->setReadOnly(true);
    // Nothing to type and no caret to show: the keyboard passes the log by; the mouse selects and copies.
    editor->setWantsKeyboardFocus(false);
    editor->setLineNumbersShown(false);
    editor->setScrollbarThickness(8);
    addAndMakeVisible(*editor);
}

ConsoleEditor::~ConsoleEditor()
{
    cancelPendingUpdate();
}

void ConsoleEditor::logLine(const juce::String& line)
{
    const std::lock_guard<std::mutex> lock(pendingMutex);
    pendingLines.add(line);
    triggerAsyncUpdate();
}

void ConsoleEditor::handleAsyncUpdate()
{
    juce::StringArray lines;
    {
        // Swap so other threads can queue again at once; the document is touched without the lock.
        const std::lock_guard<std::mutex> lock(pendingMutex);
        lines.swapWith(pendingLines);
    }
    if (lines.isEmpty())
        return;

    document.insertText(document.getNumCharacters(), lines.joinIntoString("\n") + "\n");
    // The log is never undone: without this the undo history would keep a second copy of every line.
    document.clearUndoHistory();

    followNewestLine();
}

void ConsoleEditor::followNewestLine()
{
    if (editor == nullptr)
        return;

    editor->moveCaretToEnd(false);
    editor->scrollToKeepCaretOnScreen();
    // A view without a size cannot scroll (the pane is hidden at start, so never laid out): again once it has one.
    scrollPending = editor->getWidth() <= 0 || editor->getHeight() <= 0;
}

void ConsoleEditor::visibilityChanged()
{
    if (isVisible())
        followNewestLine();
}

void ConsoleEditor::applyColours()
{
    if (editor == nullptr)
        return;
    editor->setColour(juce::CodeEditorComponent::backgroundColourId, themeBackground);
    editor->setColour(juce::CodeEditorComponent::highlightColourId, accentBlue);
    editor->setColour(juce::CodeEditorComponent::defaultTextColourId, themeForeground);
    editor->setColour(juce::CaretComponent::caretColourId, juce::Colours::transparentBlack);
}

void ConsoleEditor::lookAndFeelChanged()
{
    applyColours();
    repaint();
}

void ConsoleEditor::paint(juce::Graphics& g)
{
    const auto r = getLocalBounds().toFloat();
    g.setColour(themeBackground);
    g.fillRoundedRectangle(r, 8.0f);
    g.setColour(themeForeground);
    g.drawRoundedRectangle(r.getX() + 0.5f, r.getY() + 0.5f, juce::jmax(0.0f, r.getWidth() - 1.0f),
                           juce::jmax(0.0f, r.getHeight() - 1.0f), 8.0f, 1.0f);
}

void ConsoleEditor::resized()
{
    if (editor != nullptr)
        editor->setBounds(getLocalBounds().reduced(8));
    if (scrollPending)
        followNewestLine();
}
