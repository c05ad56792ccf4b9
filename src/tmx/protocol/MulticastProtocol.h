#pragma once

#include "json/json_writer.h"
#include "tmx/protocol/IProtocol.h"

#include <cstdint>
#include <vector>

namespace tmx::protocol
{

/** The multicast channel's JSON messages: "deviceInfo" descriptions in, "action" commands out. */
class MulticastProtocol : public IProtocol
{
public:
    ~MulticastProtocol() override = default;

    /** A "deviceInfo" gives kind 4 and the record, an "action" kind 2; everything else is false. Never throws. */
    bool parse(const void* data, size_t size, const juce::String& senderAddress, int senderPort,
               int& kind, DeviceEvent& out) override;

    /** The "deviceInfo" message describing the record, for kind 4; nothing otherwise. */
    std::vector<uint8_t> buildAnnouncement(const DeviceInfo& record, int kind) override;

    /** The "action" message carrying the command for the device. */
    std::vector<uint8_t> buildCommand(const DeviceInfo& device, const DeviceCommand& command) override;

    /** Write the "params" member of an action: a compact document with its quotes turned into '#'. */
    static void writeFinderParams(json_writer::object_t object, const FinderRequest& request);
    static void writeNetworkParams(json_writer::object_t object, const NetworkChangeRequest& request,
                                   const DeviceInfo& device);
};

} // namespace tmx::protocol
