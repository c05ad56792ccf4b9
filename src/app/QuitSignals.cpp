#include "app/QuitSignals.h"

#include <juce_events/juce_events.h>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace
{
// Made once and never closed: a handler may write to it from any thread at any moment.
int wakePipe[2] = { -1, -1 };

void wakeMessageThread(int)
{
    const int savedErrno = errno;
    const char byte = 0;
    [[maybe_unused]] const auto written = ::write(wakePipe[1], &byte, 1);  // a full pipe already holds a request
    errno = savedErrno;
}
}  // namespace

QuitSignals::QuitSignals(std::function<void()> callback) : onQuitRequest(std::move(callback))
{
    if (wakePipe[0] < 0 && ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
    {
        juce::Logger::writeToLog("Quit signals cannot be handled: no pipe");
        return;
    }

    struct sigaction action {};
    action.sa_handler = wakeMessageThread;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);

    for (const int signal : { SIGTERM, SIGHUP, SIGINT })
        ::sigaction(signal, &action, nullptr);

    juce::LinuxEventLoop::registerFdCallback(wakePipe[0], [this](int fd) {
        char bytes[16];
        while (::read(fd, bytes, sizeof(bytes)) > 0)
        {
        }

        if (onQuitRequest)
            onQuitRequest();
    });
    watching = true;
}

QuitSignals::~QuitSignals()
{
    if (watching)
        juce::LinuxEventLoop::unregisterFdCallback(wakePipe[0]);
}
