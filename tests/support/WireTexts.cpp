#include "WireTexts.h"

#include <arpa/inet.h>

#include <cstdio>
#include <cstring>

namespace wire
{
namespace
{
std::string quoted(const std::string& text)
{
    return '"' + text + '"';
}

void putAddress(std::vector<uint8_t>& frame, size_t offset, const std::string& text)
{
    in_addr address {};
    ::inet_pton(AF_INET, text.c_str(), &address);
    std::memcpy(frame.data() + offset, &address, 4);
}

} // namespace

std::vector<uint8_t> query()
{
    return { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0D, 0x00, 0x01, 0x00, 0x00, 0x55, 0x00,
             0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x6A };
}

std::string jsonNet(const std::string& ip, const std::string& mac, bool dhcp, const std::string& mask,
                    const std::string& gw, const std::string& dns1, const std::string& dns2)
{
    return "{\"name\":\"eth0\",\"ip\":" + quoted(ip) + ",\"mac\":" + quoted(mac) + ",\"dhcp\":"
           + (dhcp ? "true" : "false") + ",\"mask\":" + quoted(mask) + ",\"gw\":" + quoted(gw)
           + ",\"dns1\":" + quoted(dns1) + ",\"dns2\":" + quoted(dns2) + "}";
}

std::string deviceInfo(const std::string& name, const std::string& ip, const std::vector<std::string>& networks,
                       const std::string& extraMembers)
{
    std::string list;
    for (const auto& network : networks)
        list += (list.empty() ? "" : ",") + network;
    return "{\"api\":\"TMXv1\",\"msg\":\"deviceInfo\",\"name\":" + quoted(name)
           + ",\"model\":\"SIM-1\",\"fw\":\"1.0.0\",\"ip\":" + quoted(ip) + ",\"port\":80,\"web\":" + quoted(ip + ":80")
           + ",\"finder\":false,\"networks\":[" + list + "]" + (extraMembers.empty() ? "" : "," + extraMembers) + "}";
}

std::vector<uint8_t> veskReply(const Vesk& d)
{
    std::vector<uint8_t> bytes(219, 0);
    const uint8_t header[20] = { 0x03, 0xD9, 0x94, 0x01, 0x01, 0xD1, 0x00, 0x01, 0x00, 0x00,
                                 0x55, 0x00, 0x01, 0x03, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00 };
    std::memcpy(bytes.data(), header, sizeof(header));
    if (d.formB)
    {
        bytes[2] = 0x28;
        bytes[3] = 0x03;
        bytes[13] = 0x20;
    }
    const auto put = [&bytes](size_t offset, size_t size, const std::string& text)
    { std::memcpy(bytes.data() + offset, text.data(), std::min(size, text.size())); };
    put(20, 32, d.model);
    put(52, 32, d.name);
    std::memcpy(bytes.data() + 136, d.mac.data(), 6);
    bytes[142] = d.mode;
    putAddress(bytes, 143, d.ip);
    putAddress(bytes, 147, d.mask);
    putAddress(bytes, 151, d.gw);
    put(164, 32, d.host);
    put(196, 16, d.fw);
    bytes[213] = d.finder ? 1 : 0;
    bytes[217] = 0xD1;
    unsigned sum = 0;
    for (size_t i = 10; i < 218; ++i)
        sum += bytes[i];
    bytes[218] = static_cast<uint8_t>(sum);
    return bytes;
}

std::string action(const std::string& mac, int port, const std::string& params)
{
    return "{\n  \"api\": \"TMX 1.2\",\n  \"msg\": \"action\",\n  \"mac\": \"" + mac + "\",\n  \"port\": "
           + std::to_string(port) + (params.empty() ? " \n}" : ",\n  \"params\": \"" + params + "\" \n}");
}

std::string finderParams(bool on)
{
    return on ? "{ #msg#: #finder#, #value#: true, #time#: 60  }" : "{ #msg#: #finder#, #value#: false  }";
}

std::string networkParams(const std::string& gw, const std::string& dns1, const std::string& dns2, const Iface& first,
                          const Iface& second)
{
    const auto iface = [](const Iface& p)
    {
        return std::string("{ #dhcp#: ") + (p.dhcp ? "true" : "false") + ", #ip#: #" + p.ip + "#, #mask#: #" + p.mask
               + "#  }";
    };
    return "{ #msg#: #network#, #value#: { #common#: { #gw#: #" + gw + "#, #dns#: [ #" + dns1 + "#, #" + dns2
           + "#  ]  }, #iface#: [ " + iface(first) + ", " + iface(second) + "  ]  }  }";
}

std::vector<uint8_t> veskFinder(bool on)
{
    return { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x55, 0x53,
             0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, uint8_t(on ? 1 : 0), 0x00, 0x0E, uint8_t(on ? 0xB8 : 0xB7) };
}

std::vector<uint8_t> veskSettings(const std::array<uint8_t, 6>& mac, bool dhcp, const std::vector<std::string>& addresses)
{
    std::vector<uint8_t> bytes { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x2D, 0x00, 0x01, 0x00, 0x00,
                                 0x55, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 };
    bytes.insert(bytes.end(), mac.begin(), mac.end());
    bytes.push_back(dhcp ? 1 : 2);
    for (const auto& address : addresses)
    {
        unsigned a = 0, b = 0, c = 0, d = 0;
        std::sscanf(address.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
        bytes.insert(bytes.end(), { uint8_t(a), uint8_t(b), uint8_t(c), uint8_t(d) });
    }
    bytes.insert(bytes.end(), { 0x01, 0, 0, 0, 0, 0x00, 0x2D });
    unsigned sum = 0;
    for (size_t i = 10; i < bytes.size(); ++i)
        sum += bytes[i];
    bytes.push_back(static_cast<uint8_t>(sum));
    return bytes;
}
} // namespace wire
