#include "app/AutoUpdater.h"

#include "app/DetachedProcess.h"
#include "app/InstallerDownload.h"
#include "app/PrivateFolders.h"
#include "app/WebRequest.h"

#include <juce_events/juce_events.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#ifndef BRELM_WEB_HOST
#define BRELM_WEB_HOST "www.brelm.example"
#endif
#ifndef BRELM_UPDATE_PLATFORM
#define BRELM_UPDATE_PLATFORM "linux"
#endif

// Everything a check thread or a posted call may touch. It is shared, so it outlives the updater
// when a thread or a queued message still holds it.
struct AutoUpdater::Shared
{
    juce::String manifestAddress;
    juce::String platformKey;
    juce::String currentVersion;

    // Read and cleared on the message thread only.
    AutoUpdater* owner = nullptr;

    std::mutex mutex;
    bool cancelled = false;             // guarded by mutex
    WebRequest* request = nullptr;      // the manifest request in flight, guarded by mutex

    juce::WaitableEvent checkDone { true };
};

namespace
{
// How long the destructor waits for a cancelled check thread to leave; it only holds shared state,
// so giving up is safe. The download gets as long again.
constexpr int checkExitWaitMs = 500;
}  // namespace

juce::String AutoUpdater::readManifest(Shared& shared)
{
    WebRequest request { juce::URL(shared.manifestAddress) };

    {
        const std::lock_guard<std::mutex> lock(shared.mutex);

        if (shared.cancelled)
            return {};

        shared.request = &request;
    }

    juce::String text;

    if (auto* stream = request.open())
        text = stream->readEntireStreamAsString();

    const std::lock_guard<std::mutex> lock(shared.mutex);
    shared.request = nullptr;
    return shared.cancelled ? juce::String() : text;
}

void AutoUpdater::runCheck(const std::shared_ptr<Shared>& shared)
{
    if (shared->platformKey == "linux" || shared->platformKey == "unsupported")
        return;

    const auto text = readManifest(*shared);

    // An error page or any other answer that is not a JSON object is ignored.
    if (text.isEmpty() || !text.trim().startsWithChar('{'))
        return;

    const auto json = juce::JSON::parse(text);

    if (json.getDynamicObject() == nullptr)
        return;

    const auto remote = json.getProperty("version", {}).toString();

    if (!(AutoUpdater::versionNumber(remote) > AutoUpdater::versionNumber(shared->currentVersion)))
        return;

    auto* urls = json.getProperty("url", {}).getDynamicObject();

    if (urls == nullptr || !urls->hasProperty(shared->platformKey))
        return;

    const auto url = urls->getProperty(shared->platformKey).toString();

    // The file is run silently: only take it from an address that cannot be swapped on the way.
    if (!url.startsWithIgnoreCase("https://"))
        return;

    {
        const std::lock_guard<std::mutex> lock(shared->mutex);

        if (shared->cancelled)
            return;
    }

    juce::MessageManager::callAsync([shared, remote, url] {
        if (auto* owner = shared->owner)
            if (owner->onUpdateAvailable)
                owner->onUpdateAvailable(remote, url);
    });
}

AutoUpdater::AutoUpdater(const juce::String& version, const juce::String& manifestAddress,
                         const juce::String& platformKey)
    : currentVersion(version), shared(std::make_shared<Shared>())
{
    shared->manifestAddress = manifestAddress;
    shared->platformKey = platformKey;
    shared->currentVersion = version;
    shared->owner = this;
    shared->checkDone.signal();
}

AutoUpdater::~AutoUpdater()
{
    shared->owner = nullptr;

    {
        const std::lock_guard<std::mutex> lock(shared->mutex);
        shared->cancelled = true;

        if (shared->request != nullptr)
            shared->request->cancel();
    }

    task.reset();
    shared->checkDone.wait(checkExitWaitMs);

    if (downloadedFd >= 0)
        ::close(downloadedFd);
}

juce::String AutoUpdater::defaultManifestAddress()
{
    return juce::String("https://") + BRELM_WEB_HOST + manifestPath;
}

juce::String AutoUpdater::defaultPlatformKey()
{
    return BRELM_UPDATE_PLATFORM;
}

float AutoUpdater::versionNumber(const juce::String& versionText)
{
    return versionText.trimCharactersAtStart("vV").upToFirstOccurrenceOf("r", false, true).getFloatValue();
}

juce::String AutoUpdater::installerSuffix(const juce::String& url)
{
    const auto suffix = juce::URL(url).getFileName().fromLastOccurrenceOf(".", true, false);
    return suffix.isEmpty() ? juce::String(".tmp") : suffix;
}

bool AutoUpdater::startInstaller(const juce::File& installer)
{
    if (downloadedFd < 0 || installer != downloadedFile)
        return false;

    // What the path leads to now must be the file we wrote, unchanged: not one put in its place, nor
    // one in a folder swapped in above it.
    const auto path = installer.getFullPathName();
    struct stat kept {}, found {};
    const int fd = ::open(path.toRawUTF8(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    const bool same = fd >= 0 && ::fstat(fd, &found) == 0 && ::fstat(downloadedFd, &kept) == 0
                      && S_ISREG(kept.st_mode) && found.st_dev == kept.st_dev && found.st_ino == kept.st_ino
                      && kept.st_uid == ::geteuid() && kept.st_size == downloadedSize;

    if (fd >= 0)
        ::close(fd);

    if (!same)
    {
        juce::Logger::writeToLog("Installer not started: \"" + path + "\" is not the file that was downloaded");
        return false;
    }

    // A download carries no execute bit; it is given through our own descriptor, never the path.
    ::fchmod(downloadedFd, 0700);

    // An argument list: part of the file's name comes from the manifest, and a shell would read
    // characters such as ';' in it as commands.
    return DetachedProcess::start({ path, installerArguments });
}

void AutoUpdater::checkForUpdate()
{
    runCheck(shared);
}

void AutoUpdater::checkForUpdateInBackground()
{
    auto state = shared;
    state->checkDone.reset();

    const bool launched = juce::Thread::launch([state] {
        runCheck(state);
        state->checkDone.signal();
    });

    if (!launched)
        state->checkDone.signal();
}

bool AutoUpdater::downloadToTemp(const juce::String& url)
{
    // A download still running would write into the same file.
    task.reset();
    targetFile = juce::File();

    // Only a folder nobody else can write to keeps another user from planting or swapping the file
    // that is run.
    juce::String refusal;
    const auto folder = PrivateFolders::cache(&refusal);

    if (folder == juce::File())
    {
        juce::Logger::writeToLog("Update not downloaded: " + refusal);
        return false;
    }

    task = InstallerDownload::start(juce::URL(url), folder, installerPrefix, installerSuffix(url), *this);

    if (task != nullptr)
        targetFile = task->getTargetLocation();

    return task != nullptr;
}

void AutoUpdater::removeLeftoverInstallers()
{
    const auto folder = PrivateFolders::cache();
    const int fd = folder == juce::File() ? -1
                                          : ::open(folder.getFullPathName().toRawUTF8(),
                                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* const entries = fd < 0 ? nullptr : ::fdopendir(fd);

    if (entries == nullptr)
    {
        if (fd >= 0)
            ::close(fd);
        return;
    }

    // Named relative to the folder's own handle and unlinked, never followed: a link goes, not what it leads to.
    std::vector<std::string> leftovers;
    const std::string prefix(installerPrefix);

    while (const auto* entry = ::readdir(entries))
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0)
            leftovers.emplace_back(entry->d_name);

    for (const auto& name : leftovers)
        ::unlinkat(fd, name.c_str(), 0);

    ::closedir(entries);
}

void AutoUpdater::progress(juce::URL::DownloadTask*, juce::int64 bytesDownloaded, juce::int64 totalLength)
{
    if (totalLength < 1)
        return;

    const auto percent = static_cast<int>(bytesDownloaded * 100 / totalLength);
    auto state = shared;

    juce::MessageManager::callAsync([state, percent] {
        if (auto* owner = state->owner)
            if (owner->onProgress)
                owner->onProgress(percent);
    });
}

void AutoUpdater::finished(juce::URL::DownloadTask* finishedTask, bool success)
{
    auto state = shared;

    juce::MessageManager::callAsync([state, finishedTask, success] {
        if (auto* owner = state->owner)
            owner->downloadFinished(finishedTask, success);
    });
}

void AutoUpdater::downloadFinished(juce::URL::DownloadTask* finishedTask, bool success)
{
    // A later download has replaced this one; its own completion will follow.
    if (task == nullptr || task.get() != finishedTask)
        return;

    const int fd = success ? task->releaseFile() : -1;
    task.reset();

    struct stat info {};

    if (fd < 0 || ::fstat(fd, &info) != 0 || info.st_size < 1)
    {
        if (fd >= 0)
            ::close(fd);

        ::unlink(targetFile.getFullPathName().toRawUTF8());
        return;
    }

    if (downloadedFd >= 0)
        ::close(downloadedFd);

    downloadedFd = fd;
    downloadedFile = targetFile;
    downloadedSize = info.st_size;

    if (onDownloaded)
        onDownloaded(targetFile);
}
