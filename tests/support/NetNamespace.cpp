#include "NetNamespace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cstdio>
#include <thread>

NetNamespace::NetNamespace()
{
    // unshare moves only the calling thread, so a short-lived thread makes the namespace and hands it over.
    std::thread maker([this]
    {
        if (::unshare(CLONE_NEWNET) == 0)
            fd = ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
    });
    maker.join();

    if (isValid())
        runOrFail("ip link set lo up");
    else
        ADD_FAILURE() << "cannot create a network namespace (tests need root)";
}

NetNamespace::~NetNamespace()
{
    if (fd >= 0)
        ::close(fd);
}

juce::String NetNamespace::path() const
{
    return "/proc/" + juce::String(static_cast<int>(::getpid())) + "/fd/" + juce::String(fd);
}

bool NetNamespace::run(const juce::String& command) const
{
    lastOutput.clear();
    if (! isValid())
        return false;

    const auto line = "nsenter --net=" + path() + " sh -c " + command.quoted('\'') + " 2>&1";
    FILE* pipe = ::popen(line.toRawUTF8(), "r");
    if (pipe == nullptr)
        return false;

    char buffer[512];
    while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
        lastOutput << buffer;

    const int status = ::pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void NetNamespace::runOrFail(const juce::String& command) const
{
    if (! run(command))
        ADD_FAILURE() << "command failed: " << command << "\n" << lastOutput;
}

bool NetNamespace::enter() const
{
    return isValid() && ::setns(fd, CLONE_NEWNET) == 0;
}

int NetNamespace::openCurrent()
{
    return ::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC);
}
