#include "tmx/MessageKind.h"
#include "tmx/protocol/BroadcastProtocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using tmx::protocol::BroadcastProtocol;
using Bytes = std::vector<uint8_t>;

namespace
{

const Bytes headerA { 0x03, 0xD9, 0x94, 0x01, 0x01, 0xD1, 0x00, 0x01, 0x00, 0x00,
                      0x55, 0x00, 0x01, 0x03, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00 };
const Bytes headerB { 0x03, 0xD9, 0x28, 0x03, 0x01, 0xD1, 0x00, 0x01, 0x00, 0x00,
                      0x55, 0x00, 0x01, 0x20, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x00 };

void putText(Bytes& frame, size_t offset, const std::string& text)
{
    std::memcpy(frame.data() + offset, text.data(), text.size());
}

// A 219-byte reply as a device would send it.
Bytes makeReply(const Bytes& header, const std::string& model = "XVESK-8", const std::string& name = "Rack A",
                const std::string& host = "rack-a", const std::string& fw = "2.4.1")
{
    Bytes frame(219, 0);
    std::memcpy(frame.data(), header.data(), 20);
    putText(frame, 20, model);
    putText(frame, 52, name);
    const uint8_t mac[] = { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E };
    std::memcpy(frame.data() + 136, mac, 6);
    frame[142] = 1;  // DHCP
    const uint8_t addresses[] = { 192, 168, 1, 20, 255, 255, 255, 0, 192, 168, 1, 1 };
    std::memcpy(frame.data() + 143, addresses, sizeof(addresses));
    putText(frame, 164, host);
    putText(frame, 196, fw);
    frame[213] = 1;  // Finder on
    frame[216] = 0x00;
    frame[217] = 0xD1;
    return frame;
}

struct Parsed
{
    bool ok = false;
    int kind = -1;
    tmx::DeviceEvent event;
};

// Parses from a heap block of exactly the datagram's size, so reading past it trips the sanitizer.
Parsed parse(const Bytes& datagram, const juce::String& sender = "10.231.0.2", int port = 45455)
{
    Parsed p;
    auto block = std::make_unique<uint8_t[]>(datagram.size() + (datagram.empty() ? 1 : 0));
    if (! datagram.empty())
        std::memcpy(block.get(), datagram.data(), datagram.size());
    BroadcastProtocol protocol;
    p.kind = 0;
    p.ok = protocol.parse(block.get(), datagram.size(), sender, port, p.kind, p.event);
    return p;
}

tmx::DeviceInfo deviceWithMacs(const std::string& mac0, const std::string& mac1)
{
    tmx::DeviceInfo d;
    d.networks[0].mac = mac0;
    d.networks[1].mac = mac1;
    return d;
}

} // namespace

TEST(BroadcastProtocolFrames, QueryFrameAndWhatBuildsNothing)
{
    BroadcastProtocol protocol;
    const Bytes expected { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0D, 0x00, 0x01, 0x00, 0x00, 0x55, 0x00,
                           0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x6A };
    EXPECT_EQ(protocol.buildRequest(tmx::MessageKind::query), expected);
    for (int kind : { 0, 1, 2, 4, 5, -1 })
        EXPECT_TRUE(protocol.buildRequest(kind).empty()) << kind;
    EXPECT_TRUE(protocol.buildAnnouncement(tmx::DeviceInfo(), tmx::MessageKind::deviceInfo).empty());
    EXPECT_TRUE(protocol.buildCommand(deviceWithMacs("00:1A:2B:3C:4D:5E", ""), tmx::ReservedRequest {}).empty());
    tmx::NetworkChangeRequest r;
    for (int iface : { -1, 2, 1000 })
    {
        r.iface = iface;
        EXPECT_TRUE(protocol.buildCommand(deviceWithMacs("00:1A:2B:3C:4D:5E", ""), r).empty()) << iface;
    }
}

TEST(BroadcastProtocolFrames, FinderOnAndOff)
{
    BroadcastProtocol protocol;
    const auto device = deviceWithMacs("00:1A:2B:3C:4D:5E", "");
    const Bytes on { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x55, 0x53,
                     0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x0E, 0xB8 };
    const Bytes off { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0E, 0x00, 0x01, 0x00, 0x00, 0x55, 0x53,
                      0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0E, 0xB7 };
    EXPECT_EQ(protocol.buildCommand(device, tmx::FinderRequest { true }), on);
    EXPECT_EQ(protocol.buildCommand(device, tmx::FinderRequest { false }), off);
    // The Finder frame carries no address of the device.
    EXPECT_EQ(protocol.buildCommand(tmx::DeviceInfo(), tmx::FinderRequest { true }), on);
}

TEST(BroadcastProtocolFrames, NetworkSettingsStatic)
{
    BroadcastProtocol protocol;
    tmx::NetworkChangeRequest request;
    request.iface = 0;
    request.dhcp = false;
    request.ip = "192.168.1.20";
    request.mask = "255.255.255.0";
    const Bytes expected {
        0x03, 0xD9, 0x00, 0x00, 0x01, 0x2D, 0x00, 0x01, 0x00, 0x00,  // outer header
        0x55, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // inner header
        0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E,                          // MAC
        0x02,                                                        // static
        0xC0, 0xA8, 0x01, 0x14,                                      // ip
        0xFF, 0xFF, 0xFF, 0x00,                                      // mask
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // gateway, dns1, dns2
        0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x2D,
        0x30  // checksum of bytes 10..53
    };
    const auto frame = protocol.buildCommand(deviceWithMacs("00-1a-2b-3c-4d-5e", "AA:BB:CC:DD:EE:FF"), request);
    EXPECT_EQ(frame, expected);

    Bytes appended { 0xEE };
    BroadcastProtocol::buildNetworkSettingsPacket(appended, deviceWithMacs("00-1a-2b-3c-4d-5e", ""), request);
    ASSERT_EQ(appended.size(), 56u);
    EXPECT_EQ(appended[0], 0xEE);
    EXPECT_EQ(Bytes(appended.begin() + 1, appended.end()), expected);
}

TEST(BroadcastProtocolFrames, NetworkSettingsDhcpSecondInterfaceAllAddresses)
{
    BroadcastProtocol protocol;
    tmx::NetworkChangeRequest request;
    request.iface = 1;
    request.dhcp = true;
    request.ip = "10.0.0.7";
    request.mask = "255.0.0.0";
    request.gateway = "10.0.0.1";
    request.dns1 = "1.1.1.1";
    request.dns2 = "8.8.4.4";
    const Bytes expected {
        0x03, 0xD9, 0x00, 0x00, 0x01, 0x2D, 0x00, 0x01, 0x00, 0x00,
        0x55, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
        0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF,
        0x01,
        0x0A, 0x00, 0x00, 0x07,
        0xFF, 0x00, 0x00, 0x00,
        0x0A, 0x00, 0x00, 0x01,
        0x01, 0x01, 0x01, 0x01,
        0x08, 0x08, 0x04, 0x04,
        0x01, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x2D,
        0xBB
    };
    EXPECT_EQ(protocol.buildCommand(deviceWithMacs("00:1A:2B:3C:4D:5E", "aa:bb:cc:dd:ee:ff"), request), expected);
}

TEST(BroadcastProtocolFrames, NetworkSettingsAddressRules)
{
    // Offsets of the five addresses in the 55-byte frame.
    auto addressesOf = [](const tmx::NetworkChangeRequest& r)
    {
        Bytes out;
        BroadcastProtocol::buildNetworkSettingsPacket(out, deviceWithMacs("00:1A:2B", ""), r);
        EXPECT_EQ(out.size(), 55u);
        // The MAC text has too few digits: six zero bytes.
        EXPECT_EQ(Bytes(out.begin() + 20, out.begin() + 26), Bytes(6, 0));
        return Bytes(out.begin() + 27, out.begin() + 47);
    };

    tmx::NetworkChangeRequest r;
    r.ip = "300.1.2.3";            // low 8 bits: 300 -> 44
    r.mask = "not an address";     // unreadable -> 0.0.0.0
    r.gateway = "  10.1.2.3 trailing";  // leading blanks skipped, trailing text ignored
    r.dns1 = "1.2.3";              // three numbers -> 0.0.0.0
    r.dns2 = "-1.+2.256.4.9";      // signs read as sscanf does; a fifth part is ignored
    EXPECT_EQ(addressesOf(r), (Bytes { 44, 1, 2, 3, 0, 0, 0, 0, 10, 1, 2, 3, 0, 0, 0, 0, 255, 2, 0, 4 }));

    tmx::NetworkChangeRequest s;
    s.ip = "1. 2.\t3. 4";          // blanks before each number are allowed
    s.mask = "1 .2.3.4";           // but not before the dot
    s.gateway = "4294967297.0.0.1"; // beyond 32 bits: still its low byte
    s.dns1 = "192.168.001.010";    // leading zeros are decimal
    s.dns2 = "1..2.3";
    EXPECT_EQ(addressesOf(s), (Bytes { 1, 2, 3, 4, 0, 0, 0, 0, 1, 0, 0, 1, 192, 168, 1, 10, 0, 0, 0, 0 }));
}

TEST(BroadcastProtocolParse, ReplyFormAFillsTheRecord)
{
    const auto before = juce::Time::getCurrentTime();
    const auto p = parse(makeReply(headerA), "10.231.0.2", 45455);
    const auto after = juce::Time::getCurrentTime();
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.kind, tmx::MessageKind::deviceInfo);
    EXPECT_EQ(p.event.senderAddress, "10.231.0.2");
    EXPECT_EQ(p.event.senderPort, 45455);
    EXPECT_EQ(p.event.event, 0u);

    const auto& d = p.event.info;
    EXPECT_EQ(d.protocolId, 3u);
    EXPECT_EQ(d.name, "Rack A");
    EXPECT_EQ(d.model, "VESK-8");
    EXPECT_EQ(d.fw, "2.4.1");
    EXPECT_TRUE(d.finder);
    EXPECT_FALSE(d.finderStatus);
    EXPECT_EQ(d.ip, "192.168.1.20");
    EXPECT_EQ(d.port, 80);
    EXPECT_EQ(d.web, "http://rack-a:80");
    EXPECT_EQ(d.id, "00:1A:2B:3C:4D:5E-80");
    EXPECT_GE(d.expiry.toMilliseconds(), before.toMilliseconds() + 5000);
    EXPECT_LE(d.expiry.toMilliseconds(), after.toMilliseconds() + 5000);

    const auto& n0 = d.networks[0];
    EXPECT_EQ(n0.state, 2u);
    EXPECT_EQ(n0.mac, "00:1A:2B:3C:4D:5E");
    EXPECT_TRUE(n0.dhcp);
    EXPECT_EQ(n0.ip, "192.168.1.20");
    EXPECT_EQ(n0.mask, "255.255.255.0");
    EXPECT_EQ(n0.gw, "192.168.1.1");
    EXPECT_TRUE(n0.name.empty() && n0.dns1.empty() && n0.dns2.empty());
    EXPECT_EQ(d.networks[1].state, 0u);
    EXPECT_TRUE(d.networks[1].mac.empty());
    EXPECT_FALSE(d.tarn.isTarn);
    EXPECT_TRUE(d.tarn.workspaceUUID.empty());
}

TEST(BroadcastProtocolParse, ReplyFormBAccepted)
{
    const auto p = parse(makeReply(headerB, "VESK-16", "Rack B"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.kind, tmx::MessageKind::deviceInfo);
    EXPECT_EQ(p.event.info.name, "Rack B");
    EXPECT_EQ(p.event.info.model, "VESK-16");
}

TEST(BroadcastProtocolParse, ResetsAPreviouslyFilledRecord)
{
    BroadcastProtocol protocol;
    tmx::DeviceEvent event;
    event.info.name = "stale";
    event.info.networks[1].state = 2;
    event.info.networks[1].mac = "stale";
    event.info.tarn.isTarn = true;
    event.info.finderStatus = true;
    const auto reply = makeReply(headerA);
    int kind = 0;
    ASSERT_TRUE(protocol.parse(reply.data(), reply.size(), "10.0.0.1", 1, kind, event));
    EXPECT_EQ(event.info.name, "Rack A");
    EXPECT_EQ(event.info.networks[1].state, 0u);
    EXPECT_TRUE(event.info.networks[1].mac.empty());
    EXPECT_FALSE(event.info.tarn.isTarn);
    EXPECT_FALSE(event.info.finderStatus);
}

TEST(BroadcastProtocolParse, Rejections)
{
    // Header byte 2 off by one: rejected, but the sender is copied first.
    auto wrong = makeReply(headerA);
    wrong[2] = 0x95;
    auto p = parse(wrong, "10.231.0.9", 45454);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.kind, 0);
    EXPECT_EQ(p.event.senderAddress, "10.231.0.9");
    EXPECT_EQ(p.event.senderPort, 45454);
    EXPECT_TRUE(p.event.info.id.empty());

    // Any single byte of either header changed is a rejection.
    for (const auto* header : { &headerA, &headerB })
        for (size_t i = 0; i < 20; ++i)
        {
            auto reply = makeReply(*header);
            reply[i] ^= 0x40;
            EXPECT_FALSE(parse(reply).ok) << i;
        }

    // The query itself (what another program on the network might send) is no reply.
    EXPECT_FALSE(parse(Bytes { 0x03, 0xD9, 0x00, 0x00, 0x01, 0x0D, 0x00, 0x01, 0x00, 0x00, 0x55, 0x00,
                               0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0D, 0x6A }).ok);
    EXPECT_FALSE(parse(Bytes {}).ok);
    EXPECT_FALSE(parse(Bytes(19, 0x03)).ok);
    EXPECT_FALSE(parse(headerA).ok);
}

TEST(BroadcastProtocolParse, LengthLimits)
{
    auto reply = makeReply(headerA);
    EXPECT_FALSE(parse(Bytes(reply.begin(), reply.begin() + 213)).ok);

    const auto shortest = parse(Bytes(reply.begin(), reply.begin() + 214));
    ASSERT_TRUE(shortest.ok);
    EXPECT_TRUE(shortest.event.info.finder);  // byte 213 is the last one read
    EXPECT_EQ(shortest.event.info.fw, "2.4.1");

    // Longer than a reply: the bytes after the 219th are ignored.
    reply.resize(400, 0x41);
    const auto longer = parse(reply);
    ASSERT_TRUE(longer.ok);
    EXPECT_EQ(longer.event.info.name, "Rack A");
    EXPECT_EQ(longer.event.info.id, "00:1A:2B:3C:4D:5E-80");
}

TEST(BroadcastProtocolParse, ModelRule)
{
    auto modelOf = [](const std::string& text)
    {
        const auto p = parse(makeReply(headerA, text));
        EXPECT_TRUE(p.ok);
        return p.event.info.model;
    };
    EXPECT_EQ(modelOf("XVESK-8"), "VESK-8");
    EXPECT_EQ(modelOf("VESKVESK"), "VESKVESK");
    EXPECT_EQ(modelOf("vesk"), "VESK");
    EXPECT_EQ(modelOf(""), "VESK");
    EXPECT_EQ(modelOf("VES"), "VESK");
    EXPECT_EQ(modelOf("Pro VESK 4x4"), "VESK 4x4");
    EXPECT_EQ(modelOf("VESK"), "VESK");
}

TEST(BroadcastProtocolParse, TextFields)
{
    // An empty host gives the prefix and the suffix alone.
    EXPECT_EQ(parse(makeReply(headerA, "VESK-8", "Rack A", "")).event.info.web, "http://:80");

    // Full-width fields without a NUL are taken whole, and stop at their own end.
    const std::string name32(32, 'N');
    const std::string model32 = "VESK" + std::string(28, 'M');
    const std::string host32(32, 'h');
    const std::string fw16(16, '9');
    auto full = makeReply(headerA, model32, name32, host32, fw16);
    const auto p = parse(full);
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.event.info.name, name32);
    EXPECT_EQ(p.event.info.model, model32);
    EXPECT_EQ(p.event.info.web, "http://" + host32 + ":80");
    EXPECT_EQ(p.event.info.fw, fw16);

    // Bytes after the first NUL of a field are padding, not text.
    auto padded = makeReply(headerA);
    putText(padded, 52, std::string("Rack\0junk", 9));
    EXPECT_EQ(parse(padded).event.info.name, "Rack");
}

TEST(BroadcastProtocolParse, ModeFinderAndAddresses)
{
    for (uint8_t mode : { 0, 2, 3, 255 })
    {
        auto reply = makeReply(headerA);
        reply[142] = mode;
        EXPECT_FALSE(parse(reply).event.info.networks[0].dhcp) << int(mode);
    }
    auto reply = makeReply(headerB);
    reply[213] = 0x80;
    EXPECT_TRUE(parse(reply).event.info.finder);
    reply[213] = 0;
    EXPECT_FALSE(parse(reply).event.info.finder);

    const uint8_t mac[] = { 0xAB, 0xCD, 0xEF, 0x01, 0x02, 0xFF };
    std::memcpy(reply.data() + 136, mac, 6);
    const uint8_t addresses[] = { 10, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0 };
    std::memcpy(reply.data() + 143, addresses, sizeof(addresses));
    const auto p = parse(reply);
    EXPECT_EQ(p.event.info.networks[0].mac, "AB:CD:EF:01:02:FF");
    EXPECT_EQ(p.event.info.id, "AB:CD:EF:01:02:FF-80");
    EXPECT_EQ(p.event.info.ip, "10.0.0.255");
    EXPECT_EQ(p.event.info.networks[0].ip, "10.0.0.255");
    EXPECT_EQ(p.event.info.networks[0].mask, "255.0.0.0");
    EXPECT_EQ(p.event.info.networks[0].gw, "0.0.0.0");
}

TEST(BroadcastProtocolParse, ParsedMacRoundTripsIntoCommands)
{
    // The MAC the parser stores is the one the network-settings frame sends back.
    const auto p = parse(makeReply(headerA));
    ASSERT_TRUE(p.ok);
    tmx::NetworkChangeRequest r;
    r.dhcp = true;
    Bytes out;
    BroadcastProtocol::buildNetworkSettingsPacket(out, p.event.info, r);
    ASSERT_EQ(out.size(), 55u);
    EXPECT_EQ(Bytes(out.begin() + 20, out.begin() + 26), (Bytes { 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E }));
    EXPECT_EQ(out[26], 0x01);
}
