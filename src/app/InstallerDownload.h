#pragma once

#include "app/WebRequest.h"

#include <juce_core/juce_core.h>

#include <memory>

/**
    Fetches the installer on a thread of its own, so neither a slow server nor a quit holds the
    message thread, into a file that it created itself: nothing that was there before is reused or
    appended to. Reports to its listener like the framework's own download task; a download that
    does not complete removes its file.
*/
class InstallerDownload : public juce::URL::DownloadTask, private juce::Thread
{
public:
    /** Creates the target exclusively (in place of a leftover of ours, else under a free sibling name)
        and starts; null when no file could be created. getTargetLocation() names the file in use. */
    static std::unique_ptr<InstallerDownload> start(const juce::URL& url, const juce::File& target,
                                                    juce::URL::DownloadTaskListener& listener);

    /** Cancels the transfer and waits for the thread. */
    ~InstallerDownload() override;

private:
    InstallerDownload(const juce::URL& url, const juce::File& file, int fd, juce::URL::DownloadTaskListener& listener);

    void run() override;
    bool fetch();

    static int createExclusively(juce::File& file);

    WebRequest request;
    int fd;
    juce::URL::DownloadTaskListener& listener;

    JUCE_DECLARE_NON_COPYABLE(InstallerDownload)
};
