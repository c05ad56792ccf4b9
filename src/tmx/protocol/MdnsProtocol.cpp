#include "tmx/protocol/MdnsProtocol.h"

namespace tmx::protocol
{

bool MdnsProtocol::parse(const void*, size_t, const juce::String&, int, int&, DeviceEvent&)
{
    return true;
}

} // namespace tmx::protocol
