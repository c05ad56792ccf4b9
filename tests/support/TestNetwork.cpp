#include "TestNetwork.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <ifaddrs.h>
#include <sched.h>
#include <unistd.h>

#include <stdexcept>

TestNetwork::TestNetwork()
    : localNamespace(std::make_unique<NetNamespace>()),
      originalNamespace(::open("/proc/thread-self/ns/net", O_RDONLY | O_CLOEXEC))
{
    if (! localNamespace->enter() || ! isPrivate())
        throw std::runtime_error("cannot enter the test's own network namespace");
}

TestNetwork::~TestNetwork()
{
    ::setns(originalNamespace, CLONE_NEWNET);
    ::close(originalNamespace);
}

bool TestNetwork::isPrivate()
{
    juce::StringArray foreign;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0)
        return false;
    for (auto* entry = list; entry != nullptr; entry = entry->ifa_next)
    {
        const juce::String name(entry->ifa_name);
        if (name != "lo" && ! name.startsWith("bdl"))
            foreign.addIfNotAlreadyThere(name);
    }
    ::freeifaddrs(list);

    if (foreign.isEmpty())
        return true;
    ADD_FAILURE() << "refusing to open discovery sockets on this machine's network (interfaces "
                  << foreign.joinIntoString(", ") << "); tests run in a private network namespace";
    return false;
}

NetNamespace& TestNetwork::addHost()
{
    hosts.push_back(std::make_unique<NetNamespace>());
    return *hosts.back();
}

TestNetwork::Link TestNetwork::connect(NetNamespace& host, bool defaultRoute)
{
    const auto n = juce::String(++linkCount);
    Link link { &host, "10.231." + n + ".1", "10.231." + n + ".2", "bdl" + n, "bdr" + n };

    local().run("ip link add " + link.localName + " type veth peer name " + link.remoteName + " netns " + host.path()
                + " && ip addr add " + link.localAddress + "/24 dev " + link.localName + " && ip link set "
                + link.localName + " up");
    host.run("ip addr add " + link.remoteAddress + "/24 dev " + link.remoteName + " && ip link set " + link.remoteName
             + " up");
    if (defaultRoute)
    {
        local().run("ip route add default dev " + link.localName);
        host.run("ip route add default dev " + link.remoteName);
    }
    return link;
}
