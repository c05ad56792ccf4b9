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

    static bool isValid(std::string_view text);
};

} // namespace tmx::transport
