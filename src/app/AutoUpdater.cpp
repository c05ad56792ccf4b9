#include "app/AutoUpdater.h"

#include "app/DetachedProcess.h"
#include "app/InstallerDownload.h"
#include "app/PrivateFolders.h"
#include "app/WebRequest.h"

#include <juce_events/juce_events.h>

#include <mutex>

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
// so giving up is safe.
constexpr int checkExitWaitMs = 2000;
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

    // The download stops its thread when destroyed.
    task.reset();

    shared->checkDone.wait(checkExitWaitMs);
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

juce::File AutoUpdater::targetFileFor(const juce::String& url, const juce::File& folder)
{
    const auto name = juce::URL(url).getFileName();
    auto suffix = name.fromLastOccurrenceOf(".", true, false);

    if (suffix.isEmpty())
        suffix = ".tmp";

    return folder.getChildFile("setup_discovery_temp" + suffix);
}

bool AutoUpdater::startInstaller(const juce::File& installer)
{
    if (!installer.existsAsFile())
        return false;

    // A download carries no execute bit.
    installer.setExecutePermission(true);

    // An argument list: part of the file's name comes from the manifest, and a shell would read
    // characters such as ';' in it as commands.
    return DetachedProcess::start({ installer.getFullPathName(), installerArguments });
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

void AutoUpdater::downloadToTemp(const juce::String& url)
{
    // A download still running would write into the same file.
    task.reset();
    targetFile = juce::File();

    // Only a folder nobody else can write to keeps another user from planting or swapping the file
    // that is run.
    const auto folder = PrivateFolders::cache();

    if (folder == juce::File())
        return;

    task = InstallerDownload::start(juce::URL(url), targetFileFor(url, folder), *this);

    if (task != nullptr)
        targetFile = task->getTargetLocation();
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

    const bool complete = success && targetFile.existsAsFile() && targetFile.getSize() >= 1;

    task.reset();

    if (complete && onDownloaded)
        onDownloaded(targetFile);
}
