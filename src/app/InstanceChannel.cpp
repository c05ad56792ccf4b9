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

#include <string>

namespace
{
const char* const greeting = "BrelmDiscovery\n";
constexpr size_t maxMessageSize = 64 * 1024;
constexpr char acknowledgement = '!';

// A socket address holds 107 bytes of path. A longer one (a long home without a runtime folder) is reached
// through a descriptor of its folder, whose name under /proc stays short; the caller closes folderFd.
bool makeAddress(const juce::File& file, sockaddr_un& address, int& folderFd)
{
    std::memset(&address, 0, sizeof(address));
    address.sun_family = AF_UNIX;
    folderFd = -1;

    if (file == juce::File())
        return false;

    auto path = file.getFullPathName().toStdString();

    if (path.size() >= sizeof(address.sun_path))
    {
        folderFd = ::open(file.getParentDirectory().getFullPathName().toRawUTF8(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (folderFd < 0)
            return false;
        path = "/proc/self/fd/" + std::to_string(folderFd) + "/" + file.getFileName().toStdString();
    }

    if (path.size() >= sizeof(address.sun_path))
    {
        errno = ENAMETOOLONG;
        return false;
    }

    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

juce::File inRuntimeFolder(const char* name, juce::String* refusal = nullptr)
{
    const auto folder = PrivateFolders::runtime(refusal);
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

// Connects to the running instance and sends the message; the connected socket, or -1.
int sendToRunningInstance(const std::string& message)
{
    sockaddr_un address;
    int folderFd = -1;
    int fd = makeAddress(InstanceChannel::socketFile(), address, folderFd)
                 ? ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)
                 : -1;

    if (fd >= 0
        && (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0
            || !writeAll(fd, message.data(), message.size()) || ::shutdown(fd, SHUT_WR) != 0))
    {
        ::close(fd);
        fd = -1;
    }

    if (folderFd >= 0)
        ::close(folderFd);
    return fd;
}
} // namespace

InstanceChannel::InstanceChannel(std::function<bool(const juce::String&)> callback)
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

InstanceChannel::Lock InstanceChannel::tryLock()
{
    if (lockFd >= 0)
        return Lock::held;

    juce::String problem;
    const auto file = inRuntimeFolder("BrelmDiscovery.lock", &problem);

    if (file != juce::File())
    {
        const int fd = ::open(file.getFullPathName().toRawUTF8(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        const int error = fd < 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0 ? errno : 0;

        if (fd >= 0 && error == 0)
        {
            lockFd = fd;
            return Lock::held;
        }

        if (fd >= 0)
            ::close(fd);
        if (fd >= 0 && error == EWOULDBLOCK)
            return Lock::taken;

        problem = "\"" + file.getFullPathName() + "\" (" + juce::String(std::strerror(error)) + ")";
    }

    // Better a second window than none at all.
    claimProblem = "Instance lock unavailable: " + problem + "; another instance may run alongside";
    return Lock::unavailable;
}

bool InstanceChannel::claim(const juce::String& commandLine, int timeoutMs)
{
    const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(juce::jmax(0, timeoutMs));
    const auto timeLeft = [deadline] {
        const auto now = juce::Time::getMillisecondCounter();
        return now < deadline ? static_cast<int>(deadline - now) : 0;
    };

    // The running instance reads no more than this.
    auto message = std::string(greeting) + commandLine.toStdString();
    message.resize(juce::jmin(message.size(), maxMessageSize));

    for (;;)
    {
        if (tryLock() != Lock::taken)
            return true;

        // It may not listen yet (starting), or no longer (closing); it answers only when it acts on this.
        if (const int fd = sendToRunningInstance(message); fd >= 0)
        {
            // Meanwhile it may close and free the lock without a word.
            bool answered = false;
            while (!answered && timeLeft() > 0 && tryLock() != Lock::held)
            {
                pollfd pfd { fd, POLLIN, 0 };
                answered = ::poll(&pfd, 1, juce::jmin(100, timeLeft())) > 0;
            }

            char answer = 0;
            const bool handedOver = answered && ::recv(fd, &answer, 1, 0) == 1 && answer == acknowledgement;
            ::close(fd);

            if (handedOver)
                return false;
            if (lockFd >= 0)
                return true;
        }

        if (timeLeft() == 0)
        {
            juce::Logger::writeToLog("Instance channel: the running instance did not answer");
            return false;
        }
        juce::Thread::sleep(juce::jmin(50, timeLeft()));
    }
}

bool InstanceChannel::listen()
{
    if (claimProblem.isNotEmpty())
        juce::Logger::writeToLog(claimProblem);

    juce::String problem;
    const auto file = inRuntimeFolder("BrelmDiscovery.socket", &problem);
    sockaddr_un address;
    int folderFd = -1;

    if (file != juce::File())
    {
        // Whoever holds the instance lock owns the name; a file left by a crashed run is stale.
        ::unlink(file.getFullPathName().toRawUTF8());
        const auto oldMask = ::umask(077);
        const bool listening = makeAddress(file, address, folderFd)
                               && (listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) >= 0
                               && ::bind(listenFd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0
                               && ::listen(listenFd, 4) == 0 && ::pipe2(wakeFds, O_CLOEXEC) == 0;
        const int error = listening ? 0 : errno;
        ::umask(oldMask);

        if (folderFd >= 0)
            ::close(folderFd);
        if (!listening)
            problem = "\"" + file.getFullPathName() + "\" (" + juce::String(std::strerror(error)) + ")";
    }

    if (problem.isNotEmpty())
    {
        // A second start would then wait for a hand-over that never comes.
        juce::Logger::writeToLog("Instance channel: cannot listen: " + problem);
        if (listenFd >= 0)
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
            handleConnection(client);
    }
}

void InstanceChannel::handleConnection(int clientFd)
{
    // Closed wherever the last copy goes: after the answer, or unanswered when the call is dropped.
    const std::shared_ptr<int> client(new int(clientFd), [](int* fd) {
        ::close(*fd);
        delete fd;
    });

    std::string received;
    const auto deadline = juce::Time::getMillisecondCounter() + 2000;

    for (;;)
    {
        const auto now = juce::Time::getMillisecondCounter();
        if (now >= deadline || threadShouldExit() || received.size() > maxMessageSize)
            return;  // a client that never finishes, or says too much, is dropped

        pollfd pfd { clientFd, POLLIN, 0 };
        if (::poll(&pfd, 1, static_cast<int>(juce::jmin<juce::uint32>(deadline - now, 100))) <= 0)
            continue;

        char buffer[1024];
        const auto count = ::recv(clientFd, buffer, sizeof(buffer), 0);
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            return;
        if (count == 0)
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

    // Answered from the message thread, and only when we act on it: a start that hears nothing knows
    // we are closing and tries the lock again. After a quit no call is taken, and the socket just closes.
    juce::MessageManager::callAsync([token, callback, commandLine, client]
    {
        const auto flag = token.lock();
        if (flag != nullptr && *flag && callback && callback(commandLine))
            ::send(*client, &acknowledgement, 1, MSG_NOSIGNAL | MSG_DONTWAIT);
    });
}
