#include "app/InstallerDownload.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// The framework's own block size: progress is reported before each block.
constexpr int blockSize = 0x8000;

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

int InstallerDownload::createExclusively(juce::File& file)
{
    // The folder is the user's own, so a file under our name is a leftover of an earlier download.
    ::unlink(file.getFullPathName().toRawUTF8());

    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const int created = ::open(file.getFullPathName().toRawUTF8(),
                                   O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);

        if (created >= 0 || errno != EEXIST)
            return created;

        file = file.getNonexistentSibling();
    }

    return -1;
}

std::unique_ptr<InstallerDownload> InstallerDownload::start(const juce::URL& url, const juce::File& target,
                                                            juce::URL::DownloadTaskListener& listener)
{
    auto file = target;
    const int fd = createExclusively(file);

    if (fd < 0)
        return nullptr;

    std::unique_ptr<InstallerDownload> download(new InstallerDownload(url, file, fd, listener));
    download->startThread();
    return download;
}

InstallerDownload::InstallerDownload(const juce::URL& url, const juce::File& file, int fileHandle,
                                     juce::URL::DownloadTaskListener& taskListener)
    : juce::Thread("Installer download"), request(url), fd(fileHandle), listener(taskListener)
{
    targetLocation = file;
}

InstallerDownload::~InstallerDownload()
{
    signalThreadShouldExit();
    request.cancel();
    waitForThreadToExit(-1);

    if (fd >= 0)
        ::close(fd);
}

void InstallerDownload::run()
{
    error = !fetch();

    ::close(fd);
    fd = -1;

    if (error)
        ::unlink(targetLocation.getFullPathName().toRawUTF8());

    finished = true;

    if (!threadShouldExit())
        listener.finished(this, !error);
}

bool InstallerDownload::fetch()
{
    auto* stream = request.open();

    if (stream == nullptr)
        return false;

    httpCode = stream->getStatusCode();
    contentLength = stream->getTotalLength();
    juce::HeapBlock<char> buffer(blockSize);

    while (!(stream->isExhausted() || stream->isError() || threadShouldExit()))
    {
        listener.progress(this, downloaded, contentLength);

        const auto left = contentLength < 0 ? juce::int64(blockSize) : contentLength - downloaded;
        const auto wanted = static_cast<int>(juce::jmin<juce::int64>(blockSize, left));
        const auto got = stream->read(buffer.get(), wanted);

        if (got < 0 || threadShouldExit() || stream->isError())
            return false;

        if (!writeAll(fd, buffer.get(), static_cast<size_t>(got)))
            return false;

        downloaded += got;

        if (downloaded == contentLength)
            break;
    }

    // A short body is a broken transfer, not a small installer.
    return !threadShouldExit() && !stream->isError() && (contentLength < 0 || downloaded >= contentLength);
}
