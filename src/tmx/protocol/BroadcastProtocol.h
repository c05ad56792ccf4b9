#pragma once

#include "tmx/protocol/IProtocol.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tmx::protocol
{

/** The fixed binary frames of the VESK family: the broadcast query, its replies and two commands. */
class BroadcastProtocol : public IProtocol
{
public:
    BroadcastProtocol();
    ~BroadcastProtocol() override = default;

    /** Accepts a reply of either form; kind 4 and a filled record, or false with kind 0. */
    bool parse(const void* data, size_t size, const juce::String& senderAddress, int senderPort,
               int& kind, DeviceEvent& out) override;

    /** The query frame for kind 3; nothing for other kinds. */
    std::vector<uint8_t> buildRequest(int kind) override;

    /** The Finder or network-settings frame; nothing for the reserved command. */
    std::vector<uint8_t> buildCommand(const DeviceInfo& device, const DeviceCommand& command) override;

    /** Four bytes, first byte first, as dotted decimal. */
    static std::string formatIpv4(const uint8_t* bytes);

    /** Appends the 55-byte network-settings frame for one interface of the device. */
    static void buildNetworkSettingsPacket(std::vector<uint8_t>& out, const DeviceInfo& device,
                                           const NetworkChangeRequest& request);

    /** Both reply forms carry the same inner length: a whole reply is this long. */
    static constexpr size_t replySize = 219;
    /** The last field read ends here, so shorter datagrams are not replies. */
    static constexpr size_t minimumReplySize = 214;

private:
    std::array<uint8_t, 20> replyHeaderA {};
    std::array<uint8_t, 20> replyHeaderB {};
    std::array<uint8_t, 23> queryFrame {};
};

} // namespace tmx::protocol
