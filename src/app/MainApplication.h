#pragma once

#include "ui/CustomLookAndFeel.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <memory>

class AppContext;
class DisplayConnection;
class InstanceChannel;
class MainWindow;
class QuitSignals;

/** The application object: builds everything at start-up and tears it down in a fixed order. */
class MainApplication : public juce::JUCEApplication
{
public:
    MainApplication();
    ~MainApplication() override;

    const juce::String getApplicationName() override;
    const juce::String getApplicationVersion() override;
    bool moreThanOneInstanceAllowed() override;
    void initialise(const juce::String& commandLine) override;
    void shutdown() override;
    void anotherInstanceStarted(const juce::String& commandLine) override;
    void systemRequestedQuit() override;

    /** Ends a start that has no display, then hands this start over to the running instance when this user's
        instance lock is taken. */
    bool initialiseApp() override;

    /** The updater's two dialogs, shown on the window's overlay. */
    void showUpdateAvailableDialog(const juce::String& version, const juce::String& url);
    void showDownloadCompleteDialog(const juce::File& file);

    static constexpr const char* demoDevicesSwitch = "--demo-devices";

private:
    /** The display went: what a quit would keep is kept without it. */
    void displayLost();

    CustomLookAndFeel lookAndFeel;
    std::unique_ptr<AppContext> appContext;
    std::unique_ptr<MainWindow> mainWindow;
    std::unique_ptr<InstanceChannel> instanceChannel;
    std::unique_ptr<QuitSignals> quitSignals;
    std::unique_ptr<DisplayConnection> displayConnection;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(MainApplication)
};
