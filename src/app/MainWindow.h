#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class AppContext;

/** The one top-level window; holds the main layout and keeps its position and size in the settings. */
class MainWindow : public juce::DocumentWindow
{
public:
    MainWindow(const juce::String& name, AppContext* context);
    ~MainWindow() override;

    void closeButtonPressed() override;

    /** Hands the keyboard to the first control only when the window itself gains the focus; a click on anything
        that takes no focus leaves it where it is. */
    std::unique_ptr<juce::ComponentTraverser> createKeyboardFocusTraverser() override;

private:
    AppContext* appContext;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainWindow)
};
