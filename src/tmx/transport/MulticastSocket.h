#pragma once

#include <juce_core/juce_core.h>

namespace tmx::transport
{

/** Multicast operations the framework's datagram socket lacks: membership on a chosen interface,
    the outgoing interface and the time-to-live. They act on the native handle of an open, bound socket. */
class MulticastSocket
{
public:
    /** Joins the group on the interface with this address; an empty address means the interface of
        the best route to the public internet, or any interface when there is none. */
    static bool joinMulticast(juce::DatagramSocket& socket, const juce::String& group,
                              const juce::String& interfaceAddress);

    /** Leaves the group; an empty address falls back like the join, so the same interface is left. */
    static bool leaveMulticast(juce::DatagramSocket& socket, const juce::String& group,
                               const juce::String& interfaceAddress);

    /** Makes the interface with this address the one datagrams to a group leave through. */
    static bool setMulticastInterface(juce::DatagramSocket& socket, const juce::String& address);

    static bool setMulticastTtl(juce::DatagramSocket& socket, int ttl);

    /** The shared join/leave step on a native handle. */
    static bool setMulticastMembership(int handle, const juce::String& group, const juce::String& interfaceAddress,
                                       bool join);

    /** Open (valid handle) and bound; every operation needs both. */
    static bool isUsable(juce::DatagramSocket& socket);
};

} // namespace tmx::transport
