#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <memory>

class InstallerDownload;

/**
    Checks the maker's update manifest once, downloads a newer installer into a folder of the user's
    own and starts it. The network work runs on background threads; every result reaches the owner's
    callbacks on the message thread, and never after the updater is gone.
*/
class AutoUpdater : public juce::URL::DownloadTaskListener
{
public:
    /** The manifest address and the platform key default to the build's own. */
    explicit AutoUpdater(const juce::String& currentVersion,
                         const juce::String& manifestAddress = defaultManifestAddress(),
                         const juce::String& platformKey = defaultPlatformKey());

    /** Cancels a running check and download and waits about a second at most: a connect or name lookup
        that hangs is left to end on the threads' own state. Posted results that arrive later are dropped. */
    ~AutoUpdater() override;

    std::function<void(juce::String version, juce::String url)> onUpdateAvailable;
    std::function<void(int percent)> onProgress;
    std::function<void(juce::File)> onDownloaded;

    /** Reads the manifest on the calling thread and posts an offer when it names a newer version. */
    void checkForUpdate();

    /** Runs checkForUpdate once on a detached thread that never touches this object itself. */
    void checkForUpdateInBackground();

    /** Message thread: starts downloading the installer, on a thread of its own, to a new file named
        "setup_discovery_temp-" + a part of its own + suffix in the user's private cache folder. False, with
        a log line that says why, when the folder or the file cannot be had: nothing will be reported then. */
    bool downloadToTemp(const juce::String& url);

    /** Removes the installers earlier runs left in the user's private cache folder (links themselves, never
        what they lead to). Only for the start that holds the user's instance lock: another start's download
        may be running. */
    static void removeLeftoverInstallers();

    void finished(juce::URL::DownloadTask* task, bool success) override;
    void progress(juce::URL::DownloadTask* task, juce::int64 bytesDownloaded, juce::int64 totalLength) override;

    bool isDownloading() const { return task != nullptr; }

    /** "https://" + the build's web host + the manifest's path. */
    static juce::String defaultManifestAddress();

    /** The build's platform key ("linux" switches the check off). */
    static juce::String defaultPlatformKey();

    /** The comparable number of a version text: "V1.2r3" -> 1.2, "1.10" -> 1.1. */
    static float versionNumber(const juce::String& versionText);

    /** The end of a saved installer's name: the address's file name from its last "." on, the whole
        name without one, ".tmp" without a name. */
    static juce::String installerSuffix(const juce::String& url);

    /** Starts the installer this updater downloaded last with "/SILENT", as an argument list and never
        through a shell, and only while installer still names the very file that was written; false when
        it is not started. */
    bool startInstaller(const juce::File& installer);

    static constexpr const char* manifestPath = "/images/downloads/software/package_discovery_last.json";
    static constexpr const char* installerArguments = "/SILENT";
    static constexpr const char* installerPrefix = "setup_discovery_temp-";

private:
    struct Shared;

    static juce::String readManifest(Shared& state);
    static void runCheck(const std::shared_ptr<Shared>& state);
    void downloadFinished(juce::URL::DownloadTask* finishedTask, bool success);

    juce::String currentVersion;
    juce::File targetFile;
    std::unique_ptr<InstallerDownload> task;

    // The last complete download, held open since it was written, so a file put in its place is recognised.
    int downloadedFd = -1;
    juce::File downloadedFile;
    juce::int64 downloadedSize = 0;

    // What the check thread and posted calls need outlives this object; owner is cleared on destruction.
    const std::shared_ptr<Shared> shared;

    JUCE_DECLARE_NON_COPYABLE(AutoUpdater)
};
