#pragma once

#include <cstdint>
#include <string_view>

namespace tmx::transport
{

/** A destination written as a dotted-decimal IPv4 address ("192.168.1.20"). Addresses come from the network,
    so only such texts are ever used: anything else (a host name, another notation) is refused, never resolved. */
class Ipv4Literal
{
public:
    /** Four decimal numbers of 0 to 255 without leading zeros, and nothing else; the address in network order. */
    static bool parse(std::string_view text, uint32_t& networkOrder);

    /** False for the addresses that never name one remote host: 0.0.0.0/8, loopback 127.0.0.0/8, multicast
        224.0.0.0/4, and 240.0.0.0/4 with the limited broadcast 255.255.255.255. */
    static bool isUnicast(uint32_t networkOrder);
};

} // namespace tmx::transport
