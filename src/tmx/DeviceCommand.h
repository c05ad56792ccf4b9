#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace tmx
{

/** Start (true) or stop (false) a device's identification. */
struct FinderRequest
{
    bool value = false;
};

/** Reserved command without data; nothing in the program builds it. */
struct ReservedRequest
{
};

/** New settings for one of a device's two interfaces. */
struct NetworkChangeRequest
{
    int32_t iface = 0;  // 0 or 1
    bool dhcp = false;
    std::string ip;
    std::string mask;
    std::string gateway;
    std::string dns1;
    std::string dns2;
};

using DeviceCommand = std::variant<FinderRequest, ReservedRequest, NetworkChangeRequest>;

} // namespace tmx
