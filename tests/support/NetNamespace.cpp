#include "NetNamespace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <stdexcept>
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

    if (fd < 0)
        throw std::runtime_error("cannot create a network namespace: the discovery tests run only in private "
                                 "namespaces, which needs root (use scripts/test)");
    run("ip link set lo up");
}

NetNamespace::~NetNamespace()
{
    ::close(fd);
}

juce::String NetNamespace::path() const
{
    return "/proc/" + juce::String(static_cast<int>(::getpid())) + "/fd/" + juce::String(fd);
}

void NetNamespace::run(const juce::String& command) const
{
    juce::ChildProcess process;
    if (! process.start(juce::StringArray { "nsenter", "--net=" + path(), "sh", "-c", command + " 2>&1" }))
    {
        ADD_FAILURE() << "cannot run nsenter";
        return;
    }
    const auto output = process.readAllProcessOutput();
    if (process.getExitCode() != 0)
        ADD_FAILURE() << "command failed: " << command << "\n" << output;
}

bool NetNamespace::enter() const
{
    return ::setns(fd, CLONE_NEWNET) == 0;
}
