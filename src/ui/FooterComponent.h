#pragma once

#include "ui/InfoButton.h"
#include "ui/ThemeToggleButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

class AppContext;

/** The strip below the table: the device count, the theme switch and the about button. */
class FooterComponent : public juce::Component, private juce::ValueTree::Listener, public juce::AsyncUpdater
{
public:
    explicit FooterComponent(AppContext& appContext);
    ~FooterComponent() override;

    /** Recounts every device of the state tree, whatever the table shows; repaints on a later turn. */
    void setDeviceCount();

    /** Shows the about dialog through the context's dialog callback. */
    void showAboutDialog();

    AppContext* appContext;
    juce::ValueTree deviceList;
    juce::String countText;
    InfoButton infoButton;
    ThemeToggleButton themeToggle;

    void paint(juce::Graphics& g) override;
    void resized() override;

private:
    void valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree& child) override;
    void valueTreeChildRemoved(juce::ValueTree& parent, juce::ValueTree& child, int index) override;
    void handleAsyncUpdate() override;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(FooterComponent)
};
