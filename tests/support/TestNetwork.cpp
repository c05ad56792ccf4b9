#include "TestNetwork.h"

#include <gtest/gtest.h>

#include <sched.h>
#include <unistd.h>

TestNetwork::TestNetwork()
    : localNamespace(std::make_unique<NetNamespace>())
{
    originalNamespace = NetNamespace::openCurrent();
    if (! localNamespace->enter())
        ADD_FAILURE() << "cannot enter the test's network namespace";
}

TestNetwork::~TestNetwork()
{
    if (originalNamespace >= 0)
    {
        ::setns(originalNamespace, CLONE_NEWNET);
        ::close(originalNamespace);
    }
}

NetNamespace& TestNetwork::addHost()
{
    hosts.push_back(std::make_unique<NetNamespace>());
    return *hosts.back();
}

TestNetwork::Link TestNetwork::connect(NetNamespace& host, bool defaultRoute)
{
    const int n = ++linkCount;
    Link link;
    link.host = &host;
    link.localName = "bdl" + juce::String(n);
    link.remoteName = "bdr" + juce::String(n);
    link.localAddress = "10.231." + juce::String(n) + ".1";
    link.remoteAddress = "10.231." + juce::String(n) + ".2";

    local().runOrFail("ip link add " + link.localName + " type veth peer name " + link.remoteName + " netns "
                      + host.path());
    local().runOrFail("ip addr add " + link.localAddress + "/24 dev " + link.localName + " && ip link set "
                      + link.localName + " up");
    host.runOrFail("ip addr add " + link.remoteAddress + "/24 dev " + link.remoteName + " && ip link set "
                   + link.remoteName + " up");

    if (defaultRoute)
    {
        local().runOrFail("ip route add default dev " + link.localName);
        host.runOrFail("ip route add default dev " + link.remoteName);
    }
    return link;
}
