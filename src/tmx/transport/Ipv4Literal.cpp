#include "tmx/transport/Ipv4Literal.h"

#include <arpa/inet.h>

#include <cstring>

namespace tmx::transport
{

bool Ipv4Literal::parse(std::string_view text, uint32_t& networkOrder)
{
    // inet_pton only parses: four decimal parts, each 0 to 255, no leading zeros. "255.255.255.255" is the longest.
    char buffer[16] {};
    if (text.empty() || text.size() >= sizeof(buffer) || text.find('\0') != std::string_view::npos)
        return false;
    std::memcpy(buffer, text.data(), text.size());

    in_addr address {};
    if (::inet_pton(AF_INET, buffer, &address) != 1)
        return false;
    networkOrder = address.s_addr;
    return true;
}

bool Ipv4Literal::isUnicast(uint32_t networkOrder)
{
    const auto firstByte = ntohl(networkOrder) >> 24;
    return firstByte != 0 && firstByte != 127 && firstByte < 224;
}

} // namespace tmx::transport
