#pragma once

#include "NetNamespace.h"

#include <memory>
#include <vector>

/**
    Test hosts joined by veth pairs. The constructor makes a local namespace and moves the calling
    thread (the test's message thread, where the engine opens its sockets) into it; the destructor
    moves it back and everything made here disappears with the namespaces.

    Link n uses the subnet 10.231.n.0/24: .1 on the local side, .2 on the host side.
*/
class TestNetwork
{
public:
    struct Link
    {
        NetNamespace* host = nullptr;
        juce::String localAddress;   // our side
        juce::String remoteAddress;  // the host's side
        juce::String localName;      // interface names
        juce::String remoteName;
    };

    TestNetwork();
    ~TestNetwork();

    /** The namespace the calling thread works in while this object lives. */
    NetNamespace& local() { return *localNamespace; }

    /** A new, unconnected host. */
    NetNamespace& addHost();

    /** A veth pair from the local namespace to the host. With defaultRoute, both ends route everything
        (255.255.255.255 included) through it; give it to one link per namespace only. */
    Link connect(NetNamespace& host, bool defaultRoute = true);

    /** A host with one link, the usual set-up for one simulated device. */
    Link addConnectedHost() { return connect(addHost()); }

private:
    std::unique_ptr<NetNamespace> localNamespace;
    std::vector<std::unique_ptr<NetNamespace>> hosts;
    int originalNamespace = -1;
    int linkCount = 0;

    JUCE_DECLARE_NON_COPYABLE(TestNetwork)
};
