#pragma once

#include "tmx/protocol/IProtocol.h"

namespace tmx::protocol
{

/** The mDNS channel's protocol: accepts every datagram and recognises nothing in it. */
class MdnsProtocol : public IProtocol
{
public:
    ~MdnsProtocol() override = default;

    /** True, with kind and event untouched, so the engine ignores the datagram. */
    bool parse(const void* data, size_t size, const juce::String& senderAddress, int senderPort,
               int& kind, DeviceEvent& out) override;
};

} // namespace tmx::protocol
