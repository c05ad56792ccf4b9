#include "app/InstallerDownload.h"

#include "app/WebRequest.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <utility>

namespace
{
// The framework's own block size: progress is reported before each block.
constexpr int blockSize = 0x8000;

// How long the destructor gives a cancelled transfer to end.
constexpr int exitWaitMs = 500;

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        const auto written = ::write(fd, data, size);

        if (written < 0 && errno == EINTR)
            continue;

        if (written <= 0)
            return false;

        data += written;
        size -= static_cast<size_t>(written);
    }

    return true;
}
}  // namespace

// What the transfer thread works on. It is shared, so a thread that outlives its task never touches freed memory.
struct InstallerDownload::Transfer
{
    Transfer(const juce::URL& url, const juce::File& target, int fileHandle,
             juce::URL::DownloadTaskListener& taskListener)
        : request(url), file(target), fd(fileHandle), listener(taskListener)
    {
    }

    ~Transfer()
    {
        if (fd >= 0)
            ::close(fd);
    }

    WebRequest request;
    const juce::File file;
    int fd;  // the thread's until done is signalled, then guarded by mutex
    juce::URL::DownloadTaskListener& listener;
    std::atomic<bool> cancelled { false };
    juce::WaitableEvent done { true };

    std::mutex mutex;
    InstallerDownload* task = nullptr;  // guarded by mutex: the listener is called only while it is set
    bool succeeded = false;             // guarded by mutex
};

std::unique_ptr<InstallerDownload> InstallerDownload::start(const juce::URL& url, const juce::File& folder,
                                                            const juce::String& prefix, const juce::String& suffix,
                                                            juce::URL::DownloadTaskListener& listener)
{
    auto path = folder.getChildFile(prefix + "XXXXXX").getFullPathName().toStdString();
    const auto suffixLength = static_cast<int>(suffix.toStdString().size());
    path += suffix.toStdString();

    // Created exclusively under a name no one else has: a second download, even by another of our
    // instances, never writes into this one's file.
    const int fd = ::mkostemps(path.data(), suffixLength, O_CLOEXEC);

    if (fd < 0)
    {
        const int error = errno;
        juce::Logger::writeToLog("Update not downloaded: no file can be made in \"" + folder.getFullPathName()
                                 + "\" (" + juce::String(std::strerror(error)) + ")");
        return nullptr;
    }

    auto transfer = std::make_shared<Transfer>(url, juce::File(juce::String::fromUTF8(path.c_str())), fd, listener);
    std::unique_ptr<InstallerDownload> download(new InstallerDownload(transfer, transfer->file));

    try
    {
        std::thread([transfer] { run(transfer); }).detach();
    }
    catch (const std::system_error& failure)
    {
        juce::Logger::writeToLog("Update not downloaded: no thread for it (" + juce::String(failure.what()) + ")");
        transfer->done.signal();
        return nullptr;
    }

    return download;
}

InstallerDownload::InstallerDownload(std::shared_ptr<Transfer> state, const juce::File& file)
    : transfer(std::move(state))
{
    targetLocation = file;
    const std::lock_guard<std::mutex> lock(transfer->mutex);
    transfer->task = this;
}

InstallerDownload::~InstallerDownload()
{
    bool succeeded = false;

    {
        const std::lock_guard<std::mutex> lock(transfer->mutex);
        transfer->task = nullptr;
        succeeded = transfer->succeeded;
    }

    transfer->cancelled = true;

    if (!transfer->done.wait(0))
        transfer->request.cancel();

    // An installer that was not completely written is of no use to anyone.
    if (!transfer->done.wait(exitWaitMs) || !succeeded)
        ::unlink(transfer->file.getFullPathName().toRawUTF8());
}

int InstallerDownload::releaseFile()
{
    const std::lock_guard<std::mutex> lock(transfer->mutex);

    if (!transfer->succeeded)
        return -1;

    return std::exchange(transfer->fd, -1);
}

void InstallerDownload::run(const std::shared_ptr<Transfer>& transfer)
{
    bool ok = fetch(*transfer);

    // Kept open for reading only: a file that is open for writing cannot be started.
    if (ok)
    {
        const auto path = "/proc/self/fd/" + std::to_string(transfer->fd);
        const int readOnly = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        ::close(transfer->fd);
        transfer->fd = readOnly;
        ok = readOnly >= 0;
    }

    if (!ok)
    {
        ::unlink(transfer->file.getFullPathName().toRawUTF8());

        if (transfer->fd >= 0)
            ::close(transfer->fd);

        transfer->fd = -1;
    }

    {
        const std::lock_guard<std::mutex> lock(transfer->mutex);
        transfer->succeeded = ok;

        if (auto* task = transfer->task)
        {
            task->error = !ok;
            task->finished = true;
            transfer->listener.finished(task, ok);
        }
    }

    transfer->done.signal();
}

bool InstallerDownload::fetch(Transfer& transfer)
{
    auto* stream = transfer.request.open();

    if (stream == nullptr)
        return false;

    const auto total = stream->getTotalLength();
    juce::int64 downloaded = 0;
    juce::HeapBlock<char> buffer(blockSize);

    const auto report = [&transfer, &stream, total, &downloaded](bool progress) {
        const std::lock_guard<std::mutex> lock(transfer.mutex);

        if (auto* task = transfer.task)
        {
            task->httpCode = stream->getStatusCode();
            task->contentLength = total;
            task->downloaded = downloaded;

            if (progress)
                transfer.listener.progress(task, downloaded, total);
        }
    };

    while (!(stream->isExhausted() || stream->isError() || transfer.cancelled))
    {
        report(true);

        const auto left = total < 0 ? juce::int64(blockSize) : total - downloaded;
        const auto wanted = static_cast<int>(juce::jmin<juce::int64>(blockSize, left));
        const auto got = stream->read(buffer.get(), wanted);

        if (got < 0 || transfer.cancelled || stream->isError())
            return false;

        if (!writeAll(transfer.fd, buffer.get(), static_cast<size_t>(got)))
            return false;

        downloaded += got;

        if (downloaded == total)
            break;
    }

    report(false);

    // A short body is a broken transfer, not a small installer.
    return !transfer.cancelled && !stream->isError() && (total < 0 || downloaded >= total);
}
