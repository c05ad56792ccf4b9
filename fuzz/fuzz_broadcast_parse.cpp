// libFuzzer target: BroadcastProtocol::parse on arbitrary datagrams.
// It must never throw, never read past the datagram, and accept only the two reply forms.

#include "tmx/MessageKind.h"
#include "tmx/protocol/BroadcastProtocol.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 2048)
        return 0;

    auto copy = std::make_unique<uint8_t[]>(size == 0 ? 1 : size);
    if (size != 0)
        std::memcpy(copy.get(), data, size);

    tmx::protocol::BroadcastProtocol protocol;
    tmx::DeviceEvent event;
    int kind = -1;
    const bool ok = protocol.parse(copy.get(), size, "10.231.0.2", 45455, kind, event);

    if (ok != (kind == tmx::MessageKind::deviceInfo) || (! ok && kind != tmx::MessageKind::none))
        std::abort();
    if (event.senderPort != 45455)
        std::abort();
    if (ok)
    {
        if (size < 214 || data[0] != 0x03 || data[1] != 0xD9 || (data[2] != 0x94 && data[2] != 0x28))
            std::abort();
        if (event.info.model.compare(0, 4, "VESK") != 0 || event.info.networks[0].mac.size() != 17
            || event.info.id != event.info.networks[0].mac + "-80" || event.info.protocolId != 3)
            std::abort();
        if (event.info.name.size() > 32 || event.info.fw.size() > 16 || event.info.web.size() > 7 + 32 + 3)
            std::abort();
    }
    return 0;
}
