#include "app/InstanceChannel.h"

#include "app/PrivateFolders.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace
{
const char* const greeting = "BrelmDiscovery\n";
constexpr size_t maxMessageSize = 64 * 1024;

bool makeAddress(const juce::File& file, sockaddr_un& address)
{
    const auto path = file.getFullPathName().toStdString();
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

juce::File inRuntimeFolder(const char* name)
{
    const auto folder = PrivateFolders::runtime();
    return folder == juce::File() ? juce::File() : folder.getChildFile(name);
}

bool writeAll(int fd, const char* data, size_t size)
{
    while (size > 0)
    {
        const auto written = ::send(fd, data, size, MSG_NOSIGNAL);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= static_cast<size_t>(written);
    }
    return true;
}
} // namespace

InstanceChannel::InstanceChannel(std::function<void(const juce::String&)> callback)
    : juce::Thread("Instance channel"), onMessage(std::move(callback)), alive(std::make_shared<bool>(true))
{
}

InstanceChannel::~InstanceChannel()
{
    *alive = false;
    signalThreadShouldExit();
    if (wakeFds[1] >= 0)
    {
        const char byte = 0;
        [[maybe_unused]] const auto written = ::write(wakeFds[1], &byte, 1);
    }
    stopThread(2000);
    if (listenFd >= 0)
        ::close(listenFd);
    for (int fd : wakeFds)
        if (fd >= 0)
            ::close(fd);
    // Not File::deleteFile: JUCE's mode test takes a socket for a directory.
    if (boundFile != juce::File())
        ::unlink(boundFile.getFullPathName().toRawUTF8());
    // Only after the socket is gone: the next instance binds its own under the same name once it holds the lock.
    if (lockFd >= 0)
        ::close(lockFd);
}

juce::File InstanceChannel::socketFile()
{
    return inRuntimeFolder("BrelmDiscovery.socket");
}

bool InstanceChannel::claim()
{
    const auto file = inRuntimeFolder("BrelmDiscovery.lock");
    lockFd = file == juce::File() ? -1
                                  : ::open(file.getFullPathName().toRawUTF8(),
                                           O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);

    if (lockFd >= 0 && ::flock(lockFd, LOCK_EX | LOCK_NB) == 0)
        return true;

    const bool taken = lockFd >= 0 && errno == EWOULDBLOCK;
    if (lockFd >= 0)
        ::close(lockFd);
    lockFd = -1;
    if (taken)
        return false;

    // Better a second window than none at all.
    juce::Logger::writeToLog("Instance lock unavailable at \"" + file.getFullPathName()
                             + "\"; another instance may run alongside");
    return true;
}

bool InstanceChannel::listen()
{
    const auto file = socketFile();
    sockaddr_un address;
    if (!makeAddress(file, address) || (listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) < 0)
    {
        juce::Logger::writeToLog("Instance channel: cannot listen on \"" + file.getFullPathName() + "\"");
        return false;
    }

    // Whoever holds the instance lock owns the name; a file left by a crashed run is stale.
    ::unlink(address.sun_path);
    const auto oldMask = ::umask(077);
    const bool bound = ::bind(listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    ::umask(oldMask);

    if (!bound || ::listen(listenFd, 4) != 0)
    {
        // A second start would then wait for a hand-over that never comes.
        juce::Logger::writeToLog("Instance channel: cannot listen on \"" + file.getFullPathName()
                                 + "\": " + juce::String(std::strerror(errno)));
        ::close(listenFd);
        listenFd = -1;
        return false;
    }

    if (::pipe2(wakeFds, O_CLOEXEC) != 0)
    {
        ::close(listenFd);
        listenFd = -1;
        return false;
    }

    boundFile = file;
    startThread();
    return true;
}

void InstanceChannel::run()
{
    while (!threadShouldExit())
    {
        pollfd fds[2] = { { listenFd, POLLIN, 0 }, { wakeFds[0], POLLIN, 0 } };
        if (::poll(fds, 2, -1) <= 0 || (fds[1].revents & POLLIN) != 0 || (fds[0].revents & POLLIN) == 0)
            continue;

        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client >= 0)
        {
            handleConnection(client);
            ::close(client);
        }
    }
}

void InstanceChannel::handleConnection(int clientFd)
{
    std::string received;
    const auto deadline = juce::Time::getMillisecondCounter() + 2000;

    while (received.size() < maxMessageSize && !threadShouldExit())
    {
        const auto now = juce::Time::getMillisecondCounter();
        if (now >= deadline)
            return;  // a client that never finishes is dropped

        pollfd pfd { clientFd, POLLIN, 0 };
        if (::poll(&pfd, 1, static_cast<int>(juce::jmin<juce::uint32>(deadline - now, 100))) <= 0)
            continue;

        char buffer[1024];
        const auto count = ::recv(clientFd, buffer, sizeof(buffer), 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        received.append(buffer, static_cast<size_t>(count));
    }

    const std::string prefix(greeting);
    if (received.compare(0, prefix.size(), prefix) != 0)
        return;

    const auto commandLine = juce::String::fromUTF8(received.data() + prefix.size(),
                                                    static_cast<int>(received.size() - prefix.size()));
    std::weak_ptr<bool> token = alive;
    auto callback = onMessage;
    juce::MessageManager::callAsync([token, callback, commandLine]
    {
        const auto flag = token.lock();
        if (flag != nullptr && *flag && callback)
            callback(commandLine);
    });
}

bool InstanceChannel::notifyRunningInstance(const juce::String& commandLine, int timeoutMs)
{
    sockaddr_un address;
    if (!makeAddress(socketFile(), address))
        return false;

    const std::string message = std::string(greeting) + commandLine.toStdString();
    const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(juce::jmax(0, timeoutMs));

    for (;;)
    {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd < 0)
            return false;

        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0)
        {
            const bool sent = writeAll(fd, message.data(), message.size());
            ::shutdown(fd, SHUT_WR);
            ::close(fd);
            return sent;
        }
        ::close(fd);

        // The running instance may not have opened its socket yet.
        if (juce::Time::getMillisecondCounter() >= deadline)
            return false;
        juce::Thread::sleep(50);
    }
}
