#include "tmx/protocol/BroadcastProtocol.h"

#include "tmx/MessageKind.h"
#include "tmx/protocol/ProtocolText.h"

#include <cstring>

namespace tmx::protocol
{

namespace
{
    // Reply payload offsets.
    constexpr size_t modelOffset = 20, modelSize = 32;
    constexpr size_t nameOffset = 52, nameSize = 32;
    constexpr size_t macOffset = 136;
    constexpr size_t modeOffset = 142;
    constexpr size_t ipOffset = 143, maskOffset = 147, gatewayOffset = 151;
    constexpr size_t hostOffset = 164, hostSize = 32;
    constexpr size_t firmwareOffset = 196, firmwareSize = 16;
    constexpr size_t finderOffset = 213;

    constexpr char familyWord[] = "VESK";
    constexpr size_t familyWordSize = 4;

    // A NUL-padded text field: up to its first NUL, or whole.
    std::string fieldText(const uint8_t* frame, size_t offset, size_t size)
    {
        const auto* begin = reinterpret_cast<const char*>(frame + offset);
        const void* nul = std::memchr(begin, 0, size);
        const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - begin) : size;
        return std::string(begin, length);
    }

    // Devices report extra text before the family word; the table shows the model from the word on.
    std::string modelFromText(const std::string& text)
    {
        const auto at = text.find(familyWord, 0, familyWordSize);
        if (at == std::string::npos)
            return std::string(familyWord, familyWordSize);
        return text.substr(at);
    }

    std::string formatMac(const uint8_t* bytes)
    {
        static constexpr char upperHex[] = "0123456789ABCDEF";
        std::string text(17, ':');
        for (size_t i = 0; i < 6; ++i)
        {
            text[i * 3] = upperHex[bytes[i] >> 4];
            text[i * 3 + 1] = upperHex[bytes[i] & 0x0F];
        }
        return text;
    }

    bool isBlank(char c) noexcept
    {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    }

    // One "%d" conversion as sscanf does it: blanks, an optional sign, at least one digit.
    // Only the low 8 bits of the number are ever used, so it is accumulated modulo 2^32.
    bool scanDecimal(const char*& p, const char* end, uint32_t& value) noexcept
    {
        while (p != end && isBlank(*p))
            ++p;
        bool negative = false;
        if (p != end && (*p == '+' || *p == '-'))
        {
            negative = *p == '-';
            ++p;
        }
        if (p == end || *p < '0' || *p > '9')
            return false;
        uint32_t v = 0;
        while (p != end && *p >= '0' && *p <= '9')
            v = v * 10u + static_cast<uint32_t>(*p++ - '0');
        value = negative ? 0u - v : v;
        return true;
    }

    // "%d.%d.%d.%d": four numbers give their low bytes in text order, anything less gives 0.0.0.0.
    void appendAddress(std::vector<uint8_t>& out, const std::string& text)
    {
        uint8_t bytes[4] = { 0, 0, 0, 0 };
        const char* p = text.data();
        const char* end = p + text.size();
        uint32_t numbers[4];
        int read = 0;
        while (read < 4)
        {
            if (read > 0)
            {
                if (p == end || *p != '.')
                    break;
                ++p;
            }
            if (! scanDecimal(p, end, numbers[read]))
                break;
            ++read;
        }
        if (read == 4)
            for (int i = 0; i < 4; ++i)
                bytes[i] = static_cast<uint8_t>(numbers[i] & 0xFFu);
        out.insert(out.end(), bytes, bytes + 4);
    }

    uint8_t checksum(const uint8_t* begin, const uint8_t* end) noexcept
    {
        unsigned int sum = 0;
        for (auto* p = begin; p != end; ++p)
            sum += *p;
        return static_cast<uint8_t>(sum & 0xFFu);
    }

    // Outer header, inner header, payload, inner length and checksum around one payload.
    void appendFrame(std::vector<uint8_t>& out, uint8_t command, uint8_t subCommand, const uint8_t* payload,
                     size_t payloadSize)
    {
        const size_t innerLength = payloadSize + 13;
        const uint8_t outer[] = { 0x03, 0xD9, 0x00, 0x00, 0x01,
                                  static_cast<uint8_t>(innerLength & 0xFF), static_cast<uint8_t>(innerLength >> 8),
                                  0x01, 0x00, 0x00 };
        out.insert(out.end(), outer, outer + sizeof(outer));
        const size_t innerStart = out.size();
        const uint8_t innerHeader[] = { 0x55, command, subCommand, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00 };
        out.insert(out.end(), innerHeader, innerHeader + sizeof(innerHeader));
        out.insert(out.end(), payload, payload + payloadSize);
        out.push_back(static_cast<uint8_t>(innerLength >> 8));
        out.push_back(static_cast<uint8_t>(innerLength & 0xFF));
        out.push_back(checksum(out.data() + innerStart, out.data() + out.size()));
    }
}

BroadcastProtocol::BroadcastProtocol()
{
    replyHeaderA = { 0x03, 0xD9, 0x94, 0x01, 0x01, 0xD1, 0x00, 0x01, 0x00, 0x00,
                     0x55, 0x00, 0x01, 0x03, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00 };
    replyHeaderB = { 0x03, 0xD9, 0x28, 0x03, 0x01, 0xD1, 0x00, 0x01, 0x00, 0x00,
                     0x55, 0x00, 0x01, 0x20, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00 };
    queryFrame = { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0D, 0x00, 0x01, 0x00, 0x00, 0x55, 0x00,
                   0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x6A };
}

bool BroadcastProtocol::parse(const void* data, size_t size, const juce::String& senderAddress, int senderPort,
                              int& kind, DeviceEvent& out)
{
    out.senderAddress = senderAddress;
    out.senderPort = senderPort;

    const auto* frame = static_cast<const uint8_t*>(data);
    if (frame == nullptr || size < minimumReplySize
        || (std::memcmp(frame, replyHeaderA.data(), replyHeaderA.size()) != 0
            && std::memcmp(frame, replyHeaderB.data(), replyHeaderB.size()) != 0))
    {
        kind = MessageKind::none;
        return false;
    }

    kind = MessageKind::deviceInfo;
    DeviceInfo& info = out.info;
    info = DeviceInfo();
    info.protocolId = 3;

    info.name = fieldText(frame, nameOffset, nameSize);
    info.model = modelFromText(fieldText(frame, modelOffset, modelSize));
    info.fw = fieldText(frame, firmwareOffset, firmwareSize);
    info.finder = frame[finderOffset] != 0;
    info.ip = formatIpv4(frame + ipOffset);
    info.port = 80;
    info.web = "http://" + fieldText(frame, hostOffset, hostSize) + ":80";

    NetworkInfo& net = info.networks[0];
    net.state = 2;
    net.mac = formatMac(frame + macOffset);
    net.ip = info.ip;
    net.dhcp = frame[modeOffset] == 1;
    net.mask = formatIpv4(frame + maskOffset);
    net.gw = formatIpv4(frame + gatewayOffset);

    info.id = net.mac + "-" + toDecimalString(info.port);
    info.expiry = juce::Time::getCurrentTime() + juce::RelativeTime::seconds(5.0);
    return true;
}

std::vector<uint8_t> BroadcastProtocol::buildRequest(int kind)
{
    if (kind != MessageKind::query)
        return {};
    return std::vector<uint8_t>(queryFrame.begin(), queryFrame.end());
}

std::vector<uint8_t> BroadcastProtocol::buildCommand(const DeviceInfo& device, const DeviceCommand& command)
{
    std::vector<uint8_t> out;
    if (const auto* finder = std::get_if<FinderRequest>(&command))
    {
        const uint8_t payload = finder->value ? 1 : 0;
        out.reserve(24);
        appendFrame(out, 0x53, 0x01, &payload, 1);
    }
    else if (const auto* network = std::get_if<NetworkChangeRequest>(&command))
    {
        buildNetworkSettingsPacket(out, device, *network);
    }
    return out;
}

std::string BroadcastProtocol::formatIpv4(const uint8_t* bytes)
{
    std::string text;
    text.reserve(15);
    for (int i = 0; i < 4; ++i)
    {
        if (i > 0)
            text += '.';
        const unsigned int v = bytes[i];
        if (v >= 100)
            text += static_cast<char>('0' + v / 100);
        if (v >= 10)
            text += static_cast<char>('0' + v / 10 % 10);
        text += static_cast<char>('0' + v % 10);
    }
    return text;
}

void BroadcastProtocol::buildNetworkSettingsPacket(std::vector<uint8_t>& out, const DeviceInfo& device,
                                                   const NetworkChangeRequest& request)
{
    // A device has two interfaces; any other index names no MAC address, so nothing can be sent.
    if (request.iface < 0 || request.iface >= static_cast<int32_t>(device.networks.size()))
        return;

    std::vector<uint8_t> payload;
    payload.reserve(32);
    uint8_t mac[6];
    parseMacAddress(device.networks[static_cast<size_t>(request.iface)].mac, mac);
    payload.insert(payload.end(), mac, mac + 6);
    payload.push_back(request.dhcp ? 1 : 2);
    // The addresses go out whatever the mode says.
    appendAddress(payload, request.ip);
    appendAddress(payload, request.mask);
    appendAddress(payload, request.gateway);
    appendAddress(payload, request.dns1);
    appendAddress(payload, request.dns2);
    payload.push_back(0x01);
    payload.insert(payload.end(), 4, 0x00);

    out.reserve(out.size() + 10 + 13 + payload.size());
    appendFrame(out, 0x04, 0x01, payload.data(), payload.size());
}

} // namespace tmx::protocol
