#pragma once

#include "app/ILogSink.h"
#include "ui/console/InnerConsoleEditor.h"

#include <juce_gui_extra/juce_gui_extra.h>

#include <memory>
#include <mutex>

/** The console pane: queues log lines from any thread and appends them in batches on the message thread. */
class ConsoleEditor : public juce::Component, private juce::AsyncUpdater, public ILogSink
{
public:
    ConsoleEditor();
    ~ConsoleEditor() override;

    void logLine(const juce::String& line) override;

    /** Takes the current theme's colours. */
    void applyColours();

    juce::CodeDocument& getDocument() { return document; }
    InnerConsoleEditor* getEditor() const { return editor.get(); }

    void lookAndFeelChanged() override;
    void paint(juce::Graphics& g) override;
    void resized() override;
    void visibilityChanged() override;

private:
    void handleAsyncUpdate() override;

    /** Moves the view to the last line, or remembers to once the view has a size. */
    void followNewestLine();

    juce::CodeDocument document;
    std::unique_ptr<InnerConsoleEditor> editor;
    std::mutex pendingMutex;
    juce::StringArray pendingLines;
    bool scrollPending = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(ConsoleEditor)
};
