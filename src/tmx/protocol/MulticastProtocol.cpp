#include "tmx/protocol/MulticastProtocol.h"

#include "json/json_reader.h"
#include "tmx/MessageKind.h"
#include "tmx/protocol/ProtocolText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

namespace tmx::protocol
{

namespace
{
    using json_reader::value_t;

    enum Tag : size_t
    {
        tagNumber = 0,
        tagString = 1,
        tagBool = 2,
        tagArray = 3,
        tagObject = 4
    };

    const std::string apiKey = "api";
    const std::string msgKey = "msg";
    const std::string paramsKey = "params";

    inline bool keyIs(std::string_view key, std::string_view name) noexcept
    {
        return key.size() == name.size() && std::memcmp(key.data(), name.data(), name.size()) == 0;
    }

    inline void copyString(std::string& field, const value_t& value)
    {
        const auto text = *std::get_if<std::string_view>(&value);
        field.assign(text.data(), text.size());
    }

    // Truncated toward zero to 32 bits, then the low 16 bits; out of the 32-bit range it is 0.
    uint16_t portFromNumber(double value) noexcept
    {
        const double whole = std::trunc(value);
        if (! (whole >= -2147483648.0 && whole <= 2147483647.0))
            return 0;
        return static_cast<uint16_t>(static_cast<uint32_t>(static_cast<int32_t>(whole)) & 0xFFFFu);
    }

    // One member of a "networks" element.
    void readNetworkInfoMember(NetworkInfo& net, std::string_view key, const value_t& value)
    {
        const size_t tag = value.index();
        if (tag == tagString)
        {
            switch (key.size())
            {
                case 2:
                    if (keyIs(key, "ip"))
                    {
                        copyString(net.ip, value);
                        net.state = keyIs(net.ip, "0.0.0.0") ? 1u : 2u;
                    }
                    else if (keyIs(key, "gw"))
                        copyString(net.gw, value);
                    break;
                case 3:
                    if (keyIs(key, "mac"))
                    {
                        // A text that is no MAC address keeps what the field held.
                        auto mac = normaliseMacAddress(*std::get_if<std::string_view>(&value));
                        if (! mac.empty())
                            net.mac = std::move(mac);
                    }
                    break;
                case 4:
                    if (keyIs(key, "name"))
                        copyString(net.name, value);
                    else if (keyIs(key, "mask"))
                        copyString(net.mask, value);
                    else if (keyIs(key, "dns1"))
                        copyString(net.dns1, value);
                    else if (keyIs(key, "dns2"))
                        copyString(net.dns2, value);
                    break;
                default:
                    break;
            }
        }
        else if (tag == tagBool && keyIs(key, "dhcp"))
        {
            net.dhcp = *std::get_if<bool>(&value);
        }
    }

    void readTarnMember(TarnInfo& tarn, std::string_view key, const value_t& value)
    {
        if (value.index() == tagString && keyIs(key, "workspaceUUID"))
            copyString(tarn.workspaceUUID, value);
        else if (value.index() == tagBool && keyIs(key, "isHost"))
            tarn.isHost = *std::get_if<bool>(&value);
    }

    // One top-level member of a "deviceInfo" message; "networks" and "tarn" are walked on the same reader.
    void readDeviceInfoMember(json_reader::reader_t& reader, DeviceInfo& info, std::string_view key,
                              const value_t& value)
    {
        switch (value.index())
        {
            case tagString:
                switch (key.size())
                {
                    case 2:
                        if (keyIs(key, "fw"))
                            copyString(info.fw, value);
                        else if (keyIs(key, "ip"))
                            copyString(info.ip, value);
                        break;
                    case 3:
                        if (keyIs(key, "web"))
                            copyString(info.web, value);
                        break;
                    case 4:
                        if (keyIs(key, "name"))
                            copyString(info.name, value);
                        break;
                    case 5:
                        if (keyIs(key, "model"))
                            copyString(info.model, value);
                        break;
                    default:
                        break;
                }
                break;

            case tagNumber:
                if (keyIs(key, "port"))
                    info.port = portFromNumber(*std::get_if<double>(&value));
                break;

            case tagBool:
                if (keyIs(key, "finder"))
                    info.finder = *std::get_if<bool>(&value);
                else if (keyIs(key, "finderStatus"))
                    info.finderStatus = *std::get_if<bool>(&value);
                break;

            case tagArray:
                if (keyIs(key, "networks"))
                {
                    // Only the first two elements, and only objects; the reader skips the rest.
                    json_reader::forEachElement(reader, [&reader, &info](unsigned int index, const value_t& element)
                    {
                        if (index < 2 && element.index() == tagObject)
                        {
                            NetworkInfo* net = &info.networks[index];
                            json_reader::forEachMember(reader, [net](std::string_view k, const value_t& v)
                            {
                                readNetworkInfoMember(*net, k, v);
                            });
                        }
                    });
                }
                break;

            case tagObject:
                if (keyIs(key, "tarn"))
                {
                    info.tarn.isTarn = true;
                    TarnInfo* tarn = &info.tarn;
                    json_reader::forEachMember(reader, [tarn](std::string_view k, const value_t& v)
                    {
                        readTarnMember(*tarn, k, v);
                    });
                }
                break;

            default:
                break;
        }
    }

    std::string makeId(const DeviceInfo& info)
    {
        std::string id;
        id.reserve(40);
        for (const auto& net : info.networks)
            if (net.state != 0)
            {
                id += net.mac;
                id += '-';
            }
        id += toDecimalString(info.port);
        return id;
    }

    std::vector<uint8_t> toBytes(const std::string& text)
    {
        return std::vector<uint8_t>(text.begin(), text.end());
    }

    // The parameter text travels inside a JSON string, so its own quotes become '#'.
    void writeParamsText(json_writer::object_t object, std::string params)
    {
        std::replace(params.begin(), params.end(), '"', '#');
        json_writer::writeKey(object, "params");
        json_writer::writeString(object, params);
    }

    void writeIfaceSettings(json_writer::array_t array, bool dhcp, const std::string& ip, const std::string& mask)
    {
        json_writer::writeObject(array, [&](json_writer::object_t o)
        {
            json_writer::writeKey(o, "dhcp");
            json_writer::writeBool(o, dhcp);
            json_writer::writeKey(o, "ip");
            json_writer::writeString(o, ip);
            json_writer::writeKey(o, "mask");
            json_writer::writeString(o, mask);
        });
    }

    void writeActionHead(json_writer::object_t o, const DeviceInfo& device)
    {
        json_writer::writeKey(o, "api");
        json_writer::writeString(o, "TMX 1.2");
        json_writer::writeKey(o, "msg");
        json_writer::writeString(o, "action");
        json_writer::writeKey(o, "mac");
        json_writer::writeString(o, device.networks[0].mac);
        json_writer::writeKey(o, "port");
        json_writer::writeNumber(o, device.port);
    }
}

namespace
{
// The body of one "networks" element of an announcement.
void writeNetworkInfoJson(json_writer::object_t o, const NetworkInfo& net)
{
    json_writer::writeKey(o, "name");
    json_writer::writeString(o, net.name);
    json_writer::writeKey(o, "ip");
    json_writer::writeString(o, net.ip);
    json_writer::writeKey(o, "mac");
    json_writer::writeString(o, net.mac);
    json_writer::writeKey(o, "dhcp");
    json_writer::writeBool(o, net.dhcp);
    json_writer::writeKey(o, "gw");
    json_writer::writeString(o, net.gw);
    json_writer::writeKey(o, "dns1");
    json_writer::writeString(o, net.dns1);
    json_writer::writeKey(o, "dns2");
    json_writer::writeString(o, net.dns2);
}

// The body of an announcement document.
void writeDeviceInfoJson(json_writer::object_t o, const DeviceInfo& record)
{
    json_writer::writeKey(o, "api");
    json_writer::writeString(o, "TMXv1");
    json_writer::writeKey(o, "msg");
    json_writer::writeString(o, "deviceInfo");
    json_writer::writeKey(o, "name");
    json_writer::writeString(o, record.name);
    json_writer::writeKey(o, "model");
    json_writer::writeString(o, record.model);
    json_writer::writeKey(o, "fw");
    json_writer::writeString(o, record.fw);
    json_writer::writeKey(o, "ip");
    json_writer::writeString(o, record.ip);
    json_writer::writeKey(o, "port");
    json_writer::writeNumber(o, record.port);
    json_writer::writeKey(o, "web");
    json_writer::writeString(o, record.web);
    json_writer::writeKey(o, "finder");
    json_writer::writeBool(o, record.finder);
    json_writer::writeKey(o, "finderStatus");
    json_writer::writeBool(o, record.finderStatus);
    json_writer::writeKey(o, "networks");
    json_writer::writeArray(o, [&record](json_writer::array_t a)
    {
        for (const auto& net : record.networks)
            if (net.state != 0)
                json_writer::writeObject(a, [&net](json_writer::object_t element) { writeNetworkInfoJson(element, net); });
    });
    if (record.tarn.isTarn)
    {
        json_writer::writeKey(o, "tarn");
        json_writer::writeObject(o, [&record](json_writer::object_t t)
        {
            json_writer::writeKey(t, "workspaceUUID");
            json_writer::writeString(t, record.tarn.workspaceUUID);
            json_writer::writeKey(t, "isHost");
            json_writer::writeBool(t, record.tarn.isHost);
        });
    }
}
} // namespace

bool MulticastProtocol::parse(const void* data, size_t size, const juce::String& senderAddress, int senderPort,
                              int& kind, DeviceEvent& out)
{
    kind = MessageKind::none;
    try
    {
        json_reader::reader_t reader;
        json_reader::open(reader, std::string_view(static_cast<const char*>(data), data != nullptr ? size : 0));

        const std::string_view api = json_reader::findString(reader, apiKey);
        if (api.size() < 3 || std::memcmp(api.data(), "TMX", 3) != 0)
            return false;
        const std::string_view msg = json_reader::findString(reader, msgKey);

        out.senderAddress = senderAddress;
        out.senderPort = senderPort;

        if (keyIs(msg, "deviceInfo"))
        {
            kind = MessageKind::deviceInfo;
            DeviceInfo& info = out.info;
            info = DeviceInfo();
            info.protocolId = 2;

            json_reader::forEachMember(reader, [&reader, &info](std::string_view key, const value_t& value)
            {
                readDeviceInfoMember(reader, info, key, value);
            });
            if (reader.error != nullptr)
                return false;

            info.id = makeId(info);
            info.expiry = juce::Time::getCurrentTime() + juce::RelativeTime::seconds(5.0);
            return true;
        }

        if (keyIs(msg, "action"))
        {
            kind = MessageKind::action;
            // Not used, but a "params" that is no string makes the message unreadable.
            json_reader::findString(reader, paramsKey);
            return true;
        }

        kind = MessageKind::none;
        return false;
    }
    catch (...)
    {
        // A datagram from the network must never take the receive thread down.
        return false;
    }
}

std::vector<uint8_t> MulticastProtocol::buildAnnouncement(const DeviceInfo& record, int kind)
{
    if (kind != MessageKind::deviceInfo)
        return {};
    return toBytes(json_writer::writeDocument(false, [&record](json_writer::object_t o) { writeDeviceInfoJson(o, record); }));
}

std::vector<uint8_t> MulticastProtocol::buildCommand(const DeviceInfo& device, const DeviceCommand& command)
{
    // A device has two interfaces; a request for another one could not say which settings to change.
    if (const auto* network = std::get_if<NetworkChangeRequest>(&command))
        if (network->iface < 0 || network->iface >= static_cast<int32_t>(device.networks.size()))
            return {};

    return toBytes(json_writer::writeDocument(false, [&device, &command](json_writer::object_t o)
    {
        writeActionHead(o, device);
        if (const auto* finder = std::get_if<FinderRequest>(&command))
            writeFinderParams(o, *finder);
        else if (const auto* network = std::get_if<NetworkChangeRequest>(&command))
            writeNetworkParams(o, *network, device);
    }));
}

void MulticastProtocol::writeFinderParams(json_writer::object_t object, const FinderRequest& request)
{
    writeParamsText(object, json_writer::writeDocument(true, [&request](json_writer::object_t p)
    {
        json_writer::writeKey(p, "msg");
        json_writer::writeString(p, "finder");
        json_writer::writeKey(p, "value");
        json_writer::writeBool(p, request.value);
        if (request.value)
        {
            json_writer::writeKey(p, "time");
            json_writer::writeNumber(p, 60);
        }
    }));
}

void MulticastProtocol::writeNetworkParams(json_writer::object_t object, const NetworkChangeRequest& request,
                                           const DeviceInfo& device)
{
    writeParamsText(object, json_writer::writeDocument(true, [&request, &device](json_writer::object_t p)
    {
        json_writer::writeKey(p, "msg");
        json_writer::writeString(p, "network");
        json_writer::writeKey(p, "value");
        json_writer::writeObject(p, [&request, &device](json_writer::object_t value)
        {
            json_writer::writeKey(value, "common");
            json_writer::writeObject(value, [&request](json_writer::object_t common)
            {
                json_writer::writeKey(common, "gw");
                json_writer::writeString(common, request.gateway);
                json_writer::writeKey(common, "dns");
                json_writer::writeArray(common, [&request](json_writer::array_t dns)
                {
                    json_writer::writeArrayString(dns, request.dns1);
                    json_writer::writeArrayString(dns, request.dns2);
                });
            });
            json_writer::writeKey(value, "iface");
            json_writer::writeArray(value, [&request, &device](json_writer::array_t ifaces)
            {
                // The changed interface from the request, the other one as the device last described it.
                for (int32_t i = 0; i < 2; ++i)
                {
                    if (i == request.iface)
                        writeIfaceSettings(ifaces, request.dhcp, request.ip, request.mask);
                    else
                    {
                        const auto& net = device.networks[static_cast<size_t>(i)];
                        writeIfaceSettings(ifaces, net.dhcp, net.ip, net.mask);
                    }
                }
            });
        });
    }));
}

} // namespace tmx::protocol
