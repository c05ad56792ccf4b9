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
    void moved() override;
    void resized() override;

    /** Puts the state the window last showed into the settings; talks to no window system, so it serves
        when the display has gone. */
    void storeShownState();

    /** Hands the keyboard to the first control only when the window itself gains the focus; a click on anything
        that takes no focus leaves it where it is. */
    std::unique_ptr<juce::ComponentTraverser> createKeyboardFocusTraverser() override;

private:
    void rememberShownState();

    /** Brings a size outside the resize limits back inside them. */
    void keepWithinLimits();

    AppContext* appContext;
    juce::String shownState;  // kept as the window moves: once the display is gone, it can no longer be asked
    juce::Rectangle<int> lastCorrected;  // the last place outside the limits that was corrected

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainWindow)
};
