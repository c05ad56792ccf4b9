#include "WireTexts.h"

#include <cstdio>

namespace wire
{
std::string action(const std::string& mac, int port, const std::string& params)
{
    return "{\n  \"api\": \"TMX 1.2\",\n  \"msg\": \"action\",\n  \"mac\": \"" + mac + "\",\n  \"port\": "
           + std::to_string(port) + (params.empty() ? " \n}" : ",\n  \"params\": \"" + params + "\" \n}");
}

std::string finderParams(bool on)
{
    return on ? "{ #msg#: #finder#, #value#: true, #time#: 60  }" : "{ #msg#: #finder#, #value#: false  }";
}

std::string networkParams(const std::string& gw, const std::string& dns1, const std::string& dns2,
                          const IfaceParams& first, const IfaceParams& second)
{
    const auto iface = [](const IfaceParams& p)
    {
        return std::string("{ #dhcp#: ") + (p.dhcp ? "true" : "false") + ", #ip#: #" + p.ip + "#, #mask#: #" + p.mask
               + "#  }";
    };
    return "{ #msg#: #network#, #value#: { #common#: { #gw#: #" + gw + "#, #dns#: [ #" + dns1 + "#, #" + dns2
           + "#  ]  }, #iface#: [ " + iface(first) + ", " + iface(second) + "  ]  }  }";
}

std::vector<uint8_t> veskFinderFrame(bool on)
{
    return { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x55, 0x53,
             0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, uint8_t(on ? 1 : 0), 0x00, 0x0E, uint8_t(on ? 0xB8 : 0xB7) };
}

std::vector<uint8_t> veskSettingsFrame(const std::array<uint8_t, 6>& mac, bool dhcp,
                                       const std::vector<std::string>& addresses)
{
    std::vector<uint8_t> frame { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x2D, 0x00, 0x01, 0x00, 0x00,
                                 0x55, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 };
    frame.insert(frame.end(), mac.begin(), mac.end());
    frame.push_back(dhcp ? 1 : 2);
    for (const auto& address : addresses)
    {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (! address.empty())
            std::sscanf(address.c_str(), "%u.%u.%u.%u", &a, &b, &c, &d);
        frame.insert(frame.end(), { uint8_t(a), uint8_t(b), uint8_t(c), uint8_t(d) });
    }
    frame.insert(frame.end(), { 0x01, 0, 0, 0, 0, 0x00, 0x2D });
    unsigned sum = 0;
    for (size_t i = 10; i < frame.size(); ++i)
        sum += frame[i];
    frame.push_back(uint8_t(sum & 0xFF));
    return frame;
}

std::vector<SimulatedDevice::Datagram> commandsOn(const SimulatedDevice& device, int port)
{
    std::vector<SimulatedDevice::Datagram> commands;
    const auto query = SimulatedDevice::queryFrame();
    for (auto& datagram : device.receivedOn(port))
        if (datagram.bytes != query)
            commands.push_back(std::move(datagram));
    return commands;
}
} // namespace wire
