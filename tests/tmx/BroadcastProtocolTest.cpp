#include "ProtocolTestSupport.h"
#include "tmx/MessageKind.h"
#include "tmx/protocol/BroadcastProtocol.h"

#include <functional>

using tmx::protocol::BroadcastProtocol;
using Bytes = std::vector<uint8_t>;

TEST(BroadcastProtocol, ParseAcceptsBothReplyFormsAndNothingElse)
{
    wire::Vesk vesk;
    vesk.ip = "10.0.100.7";
    vesk.gw = "10.0.100.1";
    vesk.host = "vesk-8";
    vesk.finder = true;
    BroadcastProtocol protocol;
    EXPECT_EQ(parsed(protocol, wire::veskReply(vesk)),
              "ok=1 kind=4 from=10.231.0.2:1236 id=00:1A:2B:3C:4D:5E-80 name=Sim vesk model=VESK-8 fw=2.1 "
              "ip=10.0.100.7 port=80 web=http://vesk-8:80 finder=1/0 proto=3 expiry=5s "
              "net0=2//00:1A:2B:3C:4D:5E/1/10.0.100.7/255.255.255.0/10.0.100.1// net1=0///0///// tarn=0//0");

    const auto cut = [](wire::Vesk v, size_t size, uint8_t fill = 0) {
        auto bytes = wire::veskReply(v);
        bytes.resize(size, fill);
        return bytes;
    };
    const std::pair<std::function<Bytes(wire::Vesk)>, std::vector<std::string>> cases[] = {
        { [](wire::Vesk v) {
             v.formB = true, v.mode = 2, v.finder = false, v.model = "VESKVESK", v.host = "";
             v.mac = { 0xAB, 0xCD, 0xEF, 0x01, 0x02, 0xFF };
             return wire::veskReply(v);
         },
          { "ok=1 kind=4", "id=AB:CD:EF:01:02:FF-80", "model=VESKVESK", "web=http://:80 finder=0/0",
            "net0=2//AB:CD:EF:01:02:FF/0/10.0.100.7/255.255.255.0/10.0.100.1//" } },
        // The model from the family word on, or the word alone; fields that fill their width are taken whole.
        { [](wire::Vesk v) { return v.model = "vesk", v.mode = 0, wire::veskReply(v); },
          { "model=VESK", "net0=2//00:1A:2B:3C:4D:5E/0/10.0.100.7/255.255.255.0/10.0.100.1//" } },
        { [](wire::Vesk v) {
             v.model = "", v.name = std::string(32, 'N'), v.fw = std::string(16, 'F'), v.host = std::string(32, 'h');
             return wire::veskReply(v);
         },
          { "name=" + std::string(32, 'N') + " model=VESK fw=" + std::string(16, 'F'),
            "web=http://" + std::string(32, 'h') + ":80" } },
        // The Finder byte is the last one read; bytes after a whole reply are ignored.
        { [&](wire::Vesk v) { return cut(v, 214); }, { "ok=1 kind=4", "finder=1/0" } },
        { [&](wire::Vesk v) { return cut(v, 400, 0x41); }, { "ok=1 kind=4", "name=Sim vesk", "fw=2.1" } },
        // Rejected, the sender already read.
        { [&](wire::Vesk v) { return cut(v, 213); }, { "ok=0 kind=0 from=10.231.0.2:1236 id=" } },
        { [](wire::Vesk v) {
             auto bytes = wire::veskReply(v);
             bytes[2] = 0x95;
             return bytes;
         },
          { "ok=0 kind=0 from=10.231.0.2:1236 id=" } },
        { [](wire::Vesk) { return wire::query(); }, { "ok=0 kind=0 from=10.231.0.2:1236 id=" } },
    };
    for (size_t i = 0; i < std::size(cases); ++i)
    {
        SCOPED_TRACE(i);
        expectFields(parsed(protocol, cases[i].first(vesk)), cases[i].second);
    }
}

TEST(BroadcastProtocol, QueryAndCommandFrames)
{
    BroadcastProtocol protocol;
    EXPECT_EQ(protocol.buildRequest(tmx::MessageKind::query), wire::query());
    EXPECT_TRUE(protocol.buildRequest(tmx::MessageKind::deviceInfo).empty());
    EXPECT_TRUE(protocol.buildRequest(tmx::MessageKind::action).empty());

    tmx::DeviceInfo device;
    device.networks[0].mac = "00-1a-2b-3c-4d-5e";
    device.networks[1].mac = "aa:bb:cc:dd:ee:ff";
    EXPECT_TRUE(protocol.buildAnnouncement(device, tmx::MessageKind::deviceInfo).empty());
    EXPECT_EQ(protocol.buildCommand(device, tmx::FinderRequest { true }), wire::veskFinder(true));
    EXPECT_EQ(protocol.buildCommand(device, tmx::FinderRequest { false }), wire::veskFinder(false));
    EXPECT_TRUE(protocol.buildCommand(device, tmx::ReservedRequest {}).empty());

    // The MAC of the interface being changed, the mode, then the five addresses whatever the mode.
    tmx::NetworkChangeRequest request { 0, false, "192.168.1.20", "255.255.255.0", "", "", "" };
    EXPECT_EQ(protocol.buildCommand(device, request),
              wire::veskSettings({ 0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E }, false,
                                 { "192.168.1.20", "255.255.255.0", "", "", "" }));
    request = { 1, true, "10.0.0.7", "255.0.0.0", "10.0.0.1", "1.1.1.1", "8.8.4.4" };
    EXPECT_EQ(protocol.buildCommand(device, request),
              wire::veskSettings({ 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF }, true,
                                 { "10.0.0.7", "255.0.0.0", "10.0.0.1", "1.1.1.1", "8.8.4.4" }));

    // Addresses read as "%d.%d.%d.%d" keep each number's low byte, or are 0.0.0.0 short of four numbers; a MAC
    // text without exactly 12 hex digits is six zero bytes.
    device.networks[0].mac = "00:1A:2B";
    request = { 0, true, "300.1.2.3", "not an address", "  10.1.2.3 trailing", "1.2.3", "-1.+2.256.4.9" };
    const Bytes frame = protocol.buildCommand(device, request);
    ASSERT_EQ(frame.size(), 55u);
    EXPECT_EQ(Bytes(frame.begin() + 20, frame.begin() + 47),
              (Bytes { 0, 0, 0, 0, 0, 0, 1, 44, 1, 2, 3, 0, 0, 0, 0, 10, 1, 2, 3, 0, 0, 0, 0, 255, 2, 0, 4 }));
    request.iface = 2;
    EXPECT_TRUE(protocol.buildCommand(device, request).empty());
}
