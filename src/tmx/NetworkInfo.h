#pragma once

#include <cstdint>
#include <string>

namespace tmx
{

/** One network interface of a device, as the device reported it. */
struct NetworkInfo
{
    uint32_t state = 0;  // 0 absent, 1 present with address "0.0.0.0", 2 present with another address
    std::string name;
    std::string mac;
    bool dhcp = false;
    std::string ip;
    std::string mask;
    std::string gw;
    std::string dns1;
    std::string dns2;
};

} // namespace tmx
