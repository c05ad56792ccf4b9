// libFuzzer target: MulticastProtocol::parse on arbitrary datagrams.
// It must never throw, never read past the datagram, and give a well-formed result when it accepts.

#include "tmx/MessageKind.h"
#include "tmx/protocol/MulticastProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The transport reads at most 2048 bytes per datagram.
    if (size > 2048)
        return 0;

    // An exact-size copy, so a read past the end is caught even when libFuzzer's buffer is larger.
    auto copy = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
    if (size != 0)
        std::memcpy(copy.get(), data, size);

    tmx::protocol::MulticastProtocol protocol;
    tmx::DeviceEvent event;
    int kind = -1;
    const bool ok = protocol.parse(copy.get(), size, "10.231.0.2", 1236, kind, event);

    if (ok && kind != tmx::MessageKind::deviceInfo && kind != tmx::MessageKind::action)
        std::abort();
    if (! ok && kind != tmx::MessageKind::none && kind != tmx::MessageKind::deviceInfo
        && kind != tmx::MessageKind::action)
        std::abort();
    if (ok && kind == tmx::MessageKind::deviceInfo)
    {
        // The id always ends with the port, and only present interfaces contribute to it.
        if (event.info.id.empty() || event.info.protocolId != 2)
            std::abort();
        for (const auto& net : event.info.networks)
        {
            if (net.state > 2 || (! net.mac.empty() && net.mac.size() != 17))
                std::abort();
            if (net.state == 1 && net.ip != "0.0.0.0")
                std::abort();
        }
    }
    return 0;
}
