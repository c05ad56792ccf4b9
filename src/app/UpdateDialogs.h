#pragma once

#include <juce_core/juce_core.h>

#include <functional>

class AppContext;

/** The updater's side of the user interface: its two dialogs, the progress toast and the start at quit. */
struct UpdateDialogs
{
    enum ActionId
    {
        cancelId = 0,
        acceptId = 1,
        updateNowId = 1,
        updateOnExitId = 2
    };

    /** Asks whether to download the offered version; "Accept" starts the download with a progress toast. */
    static void showUpdateAvailableDialog(AppContext& context, const juce::String& version, const juce::String& url);

    /** Offers to run the downloaded installer now (then quit), on exit, or to discard it. */
    static void showDownloadCompleteDialog(AppContext& context, const juce::File& file, std::function<void()> quit);

    /** Puts the download's progress into the toast on screen. */
    static void showDownloadProgress(AppContext& context, int percent);

    /** The quit road: starts an installer kept for exit, at most once. */
    static void startInstallerOnQuit(AppContext& context);

    static juce::String progressText(int percent);
};
