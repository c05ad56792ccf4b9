#pragma once

#include <juce_core/juce_core.h>

#include <memory>

/**
    Fetches the installer on a thread of its own, so neither a slow server nor a quit holds the
    message thread, into a new file of its own name: nothing that was there before is reused or
    appended to, and two downloads never share a file. Reports to its listener like the framework's
    own download task; a download that does not complete removes its file.
*/
class InstallerDownload : public juce::URL::DownloadTask
{
public:
    /** Creates folder/<prefix>XXXXXX<suffix> exclusively, with a part of its own in place of the X's,
        and starts; null, with a log line that says why, when no file could be created or no thread
        started. getTargetLocation() names the file. */
    static std::unique_ptr<InstallerDownload> start(const juce::URL& url, const juce::File& folder,
                                                    const juce::String& prefix, const juce::String& suffix,
                                                    juce::URL::DownloadTaskListener& listener);

    /** Cancels the transfer; the listener is not called from then on. The thread gets half a second to
        end; one that cannot (a connect or name lookup that hangs) is left to finish on its own state, and
        the unfinished file is removed. */
    ~InstallerDownload() override;

    /** Once the listener heard of a success: the written file's descriptor, open for reading, which
        the caller now owns; -1 otherwise. */
    int releaseFile();

private:
    struct Transfer;

    InstallerDownload(std::shared_ptr<Transfer> transfer, const juce::File& file);

    static void run(const std::shared_ptr<Transfer>& transfer);
    static bool fetch(Transfer& transfer);

    const std::shared_ptr<Transfer> transfer;

    JUCE_DECLARE_NON_COPYABLE(InstallerDownload)
};
