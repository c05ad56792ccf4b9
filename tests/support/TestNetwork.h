#pragma once

#include "NetNamespace.h"

#include <memory>
#include <vector>

/**
    Test hosts joined by veth pairs. The constructor moves the calling thread (the test's message thread, where
    the engine opens its sockets) into a namespace of its own, so nothing a test sends reaches the machine's
    network even when it is run by hand; the destructor moves it back.

    Link n uses 10.231.n.0/24: .1 on the local side, .2 on the host side.
*/
class TestNetwork
{
public:
    struct Link
    {
        NetNamespace* host = nullptr;
        juce::String localAddress, remoteAddress;  // our side, the host's side
        juce::String localName, remoteName;        // interface names
    };

    TestNetwork();
    ~TestNetwork();

    NetNamespace& local() { return *localNamespace; }

    NetNamespace& addHost();

    /** A veth pair to the host. With defaultRoute both ends route everything through it. */
    Link connect(NetNamespace& host, bool defaultRoute = true);
    Link addConnectedHost() { return connect(addHost()); }

    /** Fails the current test unless the calling thread sees only loopback and this suite's own links;
        every test that opens discovery sockets checks this first. */
    static bool isPrivate();

private:
    std::unique_ptr<NetNamespace> localNamespace;
    std::vector<std::unique_ptr<NetNamespace>> hosts;
    int originalNamespace = -1;
    int linkCount = 0;

    JUCE_DECLARE_NON_COPYABLE(TestNetwork)
};
