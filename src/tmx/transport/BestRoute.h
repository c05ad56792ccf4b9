#pragma once

#include <juce_core/juce_core.h>

namespace tmx::transport
{

/** The local interface the system would use towards the public internet, found without sending anything. */
class BestRoute
{
public:
    /** Fixed public address whose route picks the interface. */
    static constexpr const char* referenceAddress = "8.8.8.8";

    /** First IPv4 address of the interface that carries the route to the reference address;
        empty when there is no such route or the interface has no IPv4 address. */
    static juce::String interfaceAddress();

    /** Index of the interface that carries the route to the given IPv4 address; 0 when there is none. */
    static int interfaceIndexFor(const juce::String& destination);

    /** First IPv4 address of an interface in the kernel's order; empty when it has none. */
    static juce::String firstAddressOf(int interfaceIndex);
};

} // namespace tmx::transport
