#pragma once

namespace tmx
{

/** Codes a protocol's parse reports and the engine hands to the builders. */
namespace MessageKind
{
    enum : int
    {
        none = 0,
        action = 2,
        query = 3,
        deviceInfo = 4
    };
}

} // namespace tmx
