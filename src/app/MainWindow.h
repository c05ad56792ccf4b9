#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

class AppContext;

/** The one top-level window; holds the main layout and keeps its position and size in the settings. */
class MainWindow : public juce::DocumentWindow
{
public:
    MainWindow(const juce::String& name, AppContext* context);
    ~MainWindow() override;

    void closeButtonPressed() override;
    void resized() override;

private:
    /** Brings a size outside the resize limits back inside them. */
    void keepWithinLimits();

    AppContext* appContext;
    juce::Rectangle<int> lastCorrected;  // the last place outside the limits that was corrected

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainWindow)
};
