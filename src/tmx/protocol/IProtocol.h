#pragma once

#include "tmx/DeviceCommand.h"
#include "tmx/DeviceEvent.h"
#include "tmx/DeviceInfo.h"

#include <juce_core/juce_core.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tmx::protocol
{

/** A wire protocol: turns datagrams into device events and builds the datagrams the engine sends. */
class IProtocol
{
public:
    virtual ~IProtocol() = default;

    /** False for a datagram that is not this protocol's own or cannot be read. */
    virtual bool parse(const void* data, size_t size, const juce::String& senderAddress, int senderPort,
                       int& kind, DeviceEvent& out) = 0;

    virtual std::vector<uint8_t> buildAnnouncement(const DeviceInfo& record, int kind) { return {}; }
    virtual std::vector<uint8_t> buildRequest(int kind) { return {}; }
    virtual std::vector<uint8_t> buildCommand(const DeviceInfo& device, const DeviceCommand& command) { return {}; }
};

} // namespace tmx::protocol
