#include "MulticastProtocolTestData.h"

#include "tmx/MessageKind.h"
#include "support/WireTexts.h"
#include "tmx/protocol/MulticastProtocol.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

using tmx::protocol::MulticastProtocol;
using wire::action;

namespace
{

struct Parsed
{
    bool ok = false;
    int kind = -1;
    tmx::DeviceEvent event;
};

// Parses from a heap block of exactly the text's size, so any read past it trips the sanitizer.
Parsed parse(const std::string& text, const juce::String& sender = "10.231.0.2", int port = 1236)
{
    Parsed p;
    auto block = std::make_unique<char[]>(text.size() + (text.empty() ? 1 : 0));
    if (! text.empty())
        std::memcpy(block.get(), text.data(), text.size());
    MulticastProtocol protocol;
    p.kind = 99;
    EXPECT_NO_THROW(p.ok = protocol.parse(block.get(), text.size(), sender, port, p.kind, p.event));
    return p;
}

std::string asText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

// A deviceInfo message with the given members after api and msg.
std::string deviceInfo(const std::string& members)
{
    return R"({"api":"TMXv1","msg":"deviceInfo")" + std::string(members.empty() ? "" : ",") + members + "}";
}

tmx::DeviceInfo commandTarget()
{
    tmx::DeviceInfo d;
    d.networks[0].state = 2;
    d.networks[0].mac = "00:11:22:33:44:55";
    d.networks[0].dhcp = false;
    d.networks[0].ip = "192.168.1.40";
    d.networks[0].mask = "255.255.255.0";
    d.networks[1].state = 2;
    d.networks[1].mac = "00:11:22:33:44:56";
    d.networks[1].dhcp = true;
    d.networks[1].ip = "10.0.0.7";
    d.networks[1].mask = "255.0.0.0";
    d.port = 80;
    return d;
}

tmx::NetworkChangeRequest exampleRequest()
{
    tmx::NetworkChangeRequest r;
    r.iface = 0;
    r.dhcp = false;
    r.ip = "192.168.1.50";
    r.mask = "255.255.255.0";
    r.gateway = "192.168.1.1";
    r.dns1 = "192.168.1.1";
    r.dns2 = "192.168.1.2";
    return r;
}

} // namespace

// ---------------------------------------------------------------- commands and announcement

namespace
{
const std::string commonSettings = "{ #msg#: #network#, #value#: { #common#: { #gw#: #192.168.1.1#, #dns#: [ "
                                   "#192.168.1.1#, #192.168.1.2#  ]  }, #iface#: [ ";
} // namespace

TEST(MulticastProtocolBuild, FinderAndReservedCommands)
{
    MulticastProtocol protocol;
    const std::string mac = "00:11:22:33:44:55";
    EXPECT_EQ(asText(protocol.buildCommand(commandTarget(), tmx::FinderRequest { true })),
              action(mac, 80, "{ #msg#: #finder#, #value#: true, #time#: 60  }"));
    EXPECT_EQ(asText(protocol.buildCommand(commandTarget(), tmx::FinderRequest { false })),
              action(mac, 80, "{ #msg#: #finder#, #value#: false  }"));
    EXPECT_EQ(asText(protocol.buildCommand(commandTarget(), tmx::ReservedRequest {})), action(mac, 80, ""));
    // This family has no request of its own.
    EXPECT_TRUE(protocol.buildRequest(tmx::MessageKind::query).empty());
}

TEST(MulticastProtocolBuild, NetworkSettingsCarryBothInterfaces)
{
    MulticastProtocol protocol;
    EXPECT_EQ(asText(protocol.buildCommand(commandTarget(), exampleRequest())),
              action("00:11:22:33:44:55", 80,
                     commonSettings + "{ #dhcp#: false, #ip#: #192.168.1.50#, #mask#: #255.255.255.0#  }, "
                                      "{ #dhcp#: true, #ip#: #10.0.0.7#, #mask#: #255.0.0.0#  }  ]  }  }"));

    // The second interface changes; the first goes out as stored.
    auto request = exampleRequest();
    request.iface = 1;
    request.dhcp = true;
    request.ip = "";
    request.mask = "";
    auto device = commandTarget();
    device.port = 8080;
    EXPECT_EQ(asText(protocol.buildCommand(device, request)),
              action("00:11:22:33:44:55", 8080,
                     commonSettings + "{ #dhcp#: false, #ip#: #192.168.1.40#, #mask#: #255.255.255.0#  }, "
                                      "{ #dhcp#: true, #ip#: ##, #mask#: ##  }  ]  }  }"));

    // A device that reported no interfaces still gets both entries.
    EXPECT_EQ(asText(protocol.buildCommand(tmx::DeviceInfo {}, exampleRequest())),
              action("", 80,
                     commonSettings + "{ #dhcp#: false, #ip#: #192.168.1.50#, #mask#: #255.255.255.0#  }, "
                                      "{ #dhcp#: false, #ip#: ##, #mask#: ##  }  ]  }  }"));

    for (int iface : { -1, 2, 7 })
    {
        request.iface = iface;
        EXPECT_TRUE(protocol.buildCommand(commandTarget(), request).empty()) << iface;
    }
}

TEST(MulticastProtocolBuild, QuoteInsideAValueBecomesBackslashHash)
{
    MulticastProtocol protocol;
    auto request = exampleRequest();
    request.ip = "1\"2";
    const auto text = asText(protocol.buildCommand(commandTarget(), request));
    // Compact writer: #ip#: #1\"2#; quotes to '#': #1\#2#; outer escaping doubles the backslash.
    EXPECT_NE(text.find(R"(#ip#: #1\\#2#, #mask#)"), std::string::npos) << text;
    // The params string itself holds no double quote.
    const auto start = text.find("\"params\": \"") + 11;
    const auto end = text.rfind("\" \n}");
    ASSERT_LT(start, end);
    EXPECT_EQ(text.substr(start, end - start).find('"'), std::string::npos);
}

namespace
{
tmx::DeviceInfo announcedRecord()
{
    tmx::DeviceInfo r;
    r.name = "Rack 2";
    r.model = "DEMO-1";
    r.fw = "1.0.3";
    r.ip = "192.168.1.20";
    r.port = 80;
    r.web = "192.168.1.20:80";
    r.networks[0].state = 2;
    r.networks[0].name = "eth0";
    r.networks[0].ip = "192.168.1.20";
    r.networks[0].mac = "00:11:22:33:44:55";
    r.networks[0].dhcp = true;
    r.networks[0].gw = "192.168.1.1";
    r.networks[0].dns1 = "192.168.1.1";
    r.networks[0].mask = "255.255.255.0";  // never written
    r.tarn = { true, "w-1", true };
    r.id = "not written";
    r.protocolId = 2;
    return r;
}

const char* const announcementHead = "{\n"
                                     "  \"api\": \"TMXv1\",\n"
                                     "  \"msg\": \"deviceInfo\",\n"
                                     "  \"name\": \"Rack 2\",\n"
                                     "  \"model\": \"DEMO-1\",\n"
                                     "  \"fw\": \"1.0.3\",\n"
                                     "  \"ip\": \"192.168.1.20\",\n"
                                     "  \"port\": 80,\n"
                                     "  \"web\": \"192.168.1.20:80\",\n"
                                     "  \"finder\": false,\n"
                                     "  \"finderStatus\": false,\n"
                                     "  \"networks\": [\n";
const char* const announcementInterface = "    {\n"
                                          "      \"name\": \"eth0\",\n"
                                          "      \"ip\": \"192.168.1.20\",\n"
                                          "      \"mac\": \"00:11:22:33:44:55\",\n"
                                          "      \"dhcp\": true,\n"
                                          "      \"gw\": \"192.168.1.1\",\n"
                                          "      \"dns1\": \"192.168.1.1\",\n"
                                          "      \"dns2\": \"\" \n"
                                          "    } \n";
} // namespace

TEST(MulticastProtocolBuild, AnnouncementWithTarn)
{
    MulticastProtocol protocol;
    const std::string expected = std::string(announcementHead) + announcementInterface
                                 + "  ],\n"
                                   "  \"tarn\": {\n"
                                   "    \"workspaceUUID\": \"w-1\",\n"
                                   "    \"isHost\": true \n"
                                   "  } \n"
                                   "}";
    EXPECT_EQ(asText(protocol.buildAnnouncement(announcedRecord(), tmx::MessageKind::deviceInfo)), expected);
}

TEST(MulticastProtocolBuild, AnnouncementWithoutTarnOrInterfaces)
{
    MulticastProtocol protocol;
    auto record = announcedRecord();
    record.tarn.isTarn = false;
    EXPECT_EQ(asText(protocol.buildAnnouncement(record, tmx::MessageKind::deviceInfo)),
              std::string(announcementHead) + announcementInterface + "  ] \n}");

    record.networks[0].state = 0;
    EXPECT_EQ(asText(protocol.buildAnnouncement(record, tmx::MessageKind::deviceInfo)),
              std::string(announcementHead) + "  ] \n}");

    for (int kind : { 0, 2, 3 })
        EXPECT_TRUE(protocol.buildAnnouncement(record, kind).empty()) << kind;
}

TEST(MulticastProtocolBuild, AnnouncementParsesBackIntoTheRecord)
{
    MulticastProtocol protocol;
    auto record = announcedRecord();
    record.networks[1] = { 1, "eth1", "00:11:22:33:44:56", false, "0.0.0.0", "", "", "", "" };
    const auto p = parse(asText(protocol.buildAnnouncement(record, tmx::MessageKind::deviceInfo)));
    ASSERT_TRUE(p.ok);
    ASSERT_EQ(p.kind, tmx::MessageKind::deviceInfo);
    const auto& d = p.event.info;
    EXPECT_EQ(d.name, "Rack 2");
    EXPECT_EQ(d.model, "DEMO-1");
    EXPECT_EQ(d.fw, "1.0.3");
    EXPECT_EQ(d.web, "192.168.1.20:80");
    EXPECT_EQ(d.networks[0].state, 2u);
    EXPECT_TRUE(d.networks[0].dhcp);
    EXPECT_TRUE(d.networks[0].mask.empty());  // the announcement carries no mask
    EXPECT_EQ(d.networks[1].state, 1u);
    EXPECT_TRUE(d.tarn.isTarn);
    EXPECT_EQ(d.tarn.workspaceUUID, "w-1");
    EXPECT_EQ(d.id, "00:11:22:33:44:55-00:11:22:33:44:56-80");
}

// ---------------------------------------------------------------- parsing

TEST(MulticastProtocolParse, TypicalDeviceInfo)
{
    const auto before = juce::Time::getCurrentTime();
    const auto p = parse(typicalDeviceInfo, "192.168.10.41", 1236);
    const auto after = juce::Time::getCurrentTime();
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.kind, tmx::MessageKind::deviceInfo);
    EXPECT_EQ(p.event.event, 0u);
    EXPECT_EQ(p.event.senderAddress, "192.168.10.41");
    EXPECT_EQ(p.event.senderPort, 1236);

    const auto& d = p.event.info;
    EXPECT_EQ(d.protocolId, 2u);
    EXPECT_EQ(d.name, "Stage Left");
    EXPECT_EQ(d.model, "TARN-X16");
    EXPECT_EQ(d.fw, "3.2.14");
    EXPECT_EQ(d.ip, "192.168.10.41");
    EXPECT_EQ(d.port, 80);
    EXPECT_EQ(d.web, "192.168.10.41:80");
    EXPECT_FALSE(d.finder);
    EXPECT_FALSE(d.finderStatus);
    EXPECT_EQ(d.id, "00:1B:C5:0A:41:7E-00:1B:C5:0A:41:7F-80");
    EXPECT_GE(d.expiry.toMilliseconds(), before.toMilliseconds() + 5000);
    EXPECT_LE(d.expiry.toMilliseconds(), after.toMilliseconds() + 5000);

    const auto& n0 = d.networks[0];
    EXPECT_EQ(n0.state, 2u);
    EXPECT_EQ(n0.name, "eth0");
    EXPECT_EQ(n0.ip, "192.168.10.41");
    EXPECT_EQ(n0.mac, "00:1B:C5:0A:41:7E");
    EXPECT_TRUE(n0.dhcp);
    EXPECT_EQ(n0.mask, "255.255.255.0");
    EXPECT_EQ(n0.gw, "192.168.10.1");
    EXPECT_EQ(n0.dns1, "192.168.10.1");
    EXPECT_EQ(n0.dns2, "");

    const auto& n1 = d.networks[1];
    EXPECT_EQ(n1.state, 2u);
    EXPECT_EQ(n1.name, "eth1");
    EXPECT_EQ(n1.ip, "10.20.0.41");
    EXPECT_EQ(n1.mac, "00:1B:C5:0A:41:7F");
    EXPECT_FALSE(n1.dhcp);
    EXPECT_EQ(n1.mask, "255.255.0.0");
    EXPECT_EQ(n1.gw, "10.20.0.1");
    EXPECT_EQ(n1.dns1, "10.20.0.1");

    EXPECT_TRUE(d.tarn.isTarn);
    EXPECT_EQ(d.tarn.workspaceUUID, "6f1c2d3e-8a9b-4c5d-9e0f-1a2b3c4d5e6f");
    EXPECT_TRUE(d.tarn.isHost);
}

TEST(MulticastProtocolParse, ApiAcceptance)
{
    for (const char* api : { "TMX", "TMXv1", "TMX 1.2", "TMX-anything" })
    {
        const auto p = parse(R"({"api":")" + std::string(api) + R"(","msg":"deviceInfo"})");
        EXPECT_TRUE(p.ok) << api;
        EXPECT_EQ(p.kind, tmx::MessageKind::deviceInfo) << api;
    }
    for (const char* text : { R"({"api":"TM","msg":"deviceInfo"})", R"({"api":"tmx","msg":"deviceInfo"})",
                              R"({"api":"","msg":"deviceInfo"})", R"({"msg":"deviceInfo"})",
                              R"({"api":" TMX","msg":"deviceInfo"})",
                              R"({"api":{"v":"TMX"},"msg":"deviceInfo"})" })
    {
        const auto p = parse(text, "10.0.0.5", 7);
        EXPECT_FALSE(p.ok) << text;
        EXPECT_EQ(p.kind, 0) << text;
        // Rejected before the sender is copied.
        EXPECT_TRUE(p.event.senderAddress.isEmpty()) << text;
    }
}

TEST(MulticastProtocolParse, NonStringApiOrMsgIsRejectedWithoutThrowing)
{
    const auto number = parse(R"({"api":5,"msg":"deviceInfo"})");
    EXPECT_FALSE(number.ok);
    EXPECT_EQ(number.kind, 0);
    EXPECT_FALSE(parse(R"({"api":true,"msg":"deviceInfo"})").ok);
    EXPECT_FALSE(parse(R"({"api":"TMX","msg":4})").ok);
    EXPECT_FALSE(parse(R"({"api":"TMX","msg":null})").ok);
    // A later non-string "api" after a good one still fails the lookup.
    EXPECT_FALSE(parse(R"({"api":"TMX","api":[1],"msg":"deviceInfo"})").ok);
}

TEST(MulticastProtocolParse, MsgKinds)
{
    const auto action = parse(R"({"api":"TMX 1.2","msg":"action","mac":"00:11:22:33:44:55","params":"{ }"})",
                              "10.0.0.8", 1236);
    EXPECT_TRUE(action.ok);
    EXPECT_EQ(action.kind, tmx::MessageKind::action);
    EXPECT_EQ(action.event.senderAddress, "10.0.0.8");
    EXPECT_EQ(action.event.senderPort, 1236);
    EXPECT_TRUE(action.event.info.id.empty());
    EXPECT_EQ(action.event.info.protocolId, 0u);

    const auto noParams = parse(R"({"api":"TMX","msg":"action"})");
    EXPECT_TRUE(noParams.ok);
    EXPECT_EQ(noParams.kind, tmx::MessageKind::action);

    const auto badParams = parse(R"({"api":"TMX","msg":"action","params":{"msg":"finder"}})");
    EXPECT_FALSE(badParams.ok);
    EXPECT_EQ(badParams.kind, tmx::MessageKind::action);

    for (const char* text : { R"({"api":"TMX","msg":"deviceinfo"})", R"({"api":"TMX","msg":"deviceInfo "})",
                              R"({"api":"TMX","msg":"actions"})", R"({"api":"TMX","msg":""})",
                              R"({"api":"TMX"})", R"({"api":"TMX","msg":"query"})" })
    {
        const auto p = parse(text, "10.0.0.5", 7);
        EXPECT_FALSE(p.ok) << text;
        EXPECT_EQ(p.kind, 0) << text;
        // By then the sender had been copied.
        EXPECT_EQ(p.event.senderAddress, "10.0.0.5") << text;
    }

    // The later "msg" wins; keys are case-sensitive.
    EXPECT_EQ(parse(R"({"api":"TMX","msg":"action","msg":"deviceInfo"})").kind, tmx::MessageKind::deviceInfo);
    EXPECT_FALSE(parse(R"({"API":"TMX","msg":"deviceInfo"})").ok);
}

TEST(MulticastProtocolParse, MembersInAnyOrderWithDefaults)
{
    // api and msg need not come first.
    const auto p = parse(R"({"name":"N","port":81,"msg":"deviceInfo","api":"TMX"})");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.event.info.name, "N");
    EXPECT_EQ(p.event.info.port, 81);
    EXPECT_EQ(p.event.info.id, "81");

    const auto bare = parse(deviceInfo(""));
    ASSERT_TRUE(bare.ok);
    EXPECT_EQ(bare.event.info.id, "80");
    EXPECT_EQ(bare.event.info.port, 80);
    EXPECT_EQ(bare.event.info.networks[0].state, 0u);
    EXPECT_EQ(bare.event.info.networks[1].state, 0u);
    EXPECT_FALSE(bare.event.info.tarn.isTarn);
}

TEST(MulticastProtocolParse, WrongTypesAreIgnored)
{
    const auto p = parse(deviceInfo(R"("name":5,"model":true,"fw":null,"ip":[1],"port":"8080","web":{},)"
                                    R"("finder":"yes","finderStatus":1,"networks":{"ip":"1.2.3.4"},"tarn":[1])"));
    ASSERT_TRUE(p.ok);
    const auto& d = p.event.info;
    EXPECT_TRUE(d.name.empty() && d.model.empty() && d.fw.empty() && d.ip.empty() && d.web.empty());
    EXPECT_EQ(d.port, 80);
    EXPECT_FALSE(d.finder);
    EXPECT_FALSE(d.finderStatus);
    EXPECT_EQ(d.networks[0].state, 0u);
    EXPECT_FALSE(d.tarn.isTarn);
    EXPECT_EQ(d.id, "80");
}

TEST(MulticastProtocolParse, ResetsAPreviouslyFilledRecord)
{
    MulticastProtocol protocol;
    tmx::DeviceEvent event;
    event.info.name = "stale";
    event.info.port = 1;
    event.info.networks[1].state = 2;
    event.info.tarn.isTarn = true;
    const std::string text = deviceInfo(R"("model":"M")");
    int kind = 0;
    ASSERT_TRUE(protocol.parse(text.data(), text.size(), "a", 1, kind, event));
    EXPECT_TRUE(event.info.name.empty());
    EXPECT_EQ(event.info.port, 80);
    EXPECT_EQ(event.info.networks[1].state, 0u);
    EXPECT_FALSE(event.info.tarn.isTarn);
    EXPECT_EQ(event.info.model, "M");
}

TEST(MulticastProtocolParse, PortTruncation)
{
    auto portOf = [](const std::string& value)
    {
        const auto p = parse(deviceInfo("\"port\":" + value));
        EXPECT_TRUE(p.ok) << value;
        return p.event.info.port;
    };
    EXPECT_EQ(portOf("70000"), 4464);
    EXPECT_EQ(portOf("-1"), 65535);
    EXPECT_EQ(portOf("80.9"), 80);
    EXPECT_EQ(portOf("-80.9"), 65456);  // truncated toward zero: -80
    EXPECT_EQ(portOf("8080"), 8080);
    EXPECT_EQ(portOf("0"), 0);
    EXPECT_EQ(portOf("65536"), 0);
    EXPECT_EQ(portOf("1e3"), 1000);
    EXPECT_EQ(portOf("2147483647"), 65535);
    EXPECT_EQ(portOf("2147483648"), 0);   // beyond 32 bits
    EXPECT_EQ(portOf("-2147483648"), 0);  // low 16 bits of INT32_MIN
    EXPECT_EQ(portOf("-2147483649"), 0);
    EXPECT_EQ(portOf("-2147483647"), 1);
    EXPECT_EQ(portOf("1e300"), 0);
    EXPECT_EQ(portOf("\"80\""), 80);  // a string is ignored
    EXPECT_EQ(portOf("\"8080\""), 80);

    EXPECT_EQ(parse(deviceInfo(R"("port":70000)")).event.info.id, "4464");
}

TEST(MulticastProtocolParse, MacRulesAndIds)
{
    auto withMacs = [](const std::string& mac0, const std::string& mac1)
    {
        return parse(deviceInfo(R"("port":8080,"networks":[{"ip":"1.1.1.1","mac":")" + mac0
                                + R"("},{"ip":"2.2.2.2","mac":")" + mac1 + R"("}])"));
    };
    auto p = withMacs("00-11-22-aa-bb-cc", "0011.22aa.bbcd");
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.event.info.networks[0].mac, "00:11:22:AA:BB:CC");
    EXPECT_EQ(p.event.info.networks[1].mac, "00:11:22:AA:BB:CD");
    EXPECT_EQ(p.event.info.id, "00:11:22:AA:BB:CC-00:11:22:AA:BB:CD-8080");

    // 10 or 13 hex digits leave the MAC empty; the present interface adds only its hyphen.
    p = withMacs("00112233aa", "00112233aabbc");
    ASSERT_TRUE(p.ok);
    EXPECT_TRUE(p.event.info.networks[0].mac.empty());
    EXPECT_TRUE(p.event.info.networks[1].mac.empty());
    EXPECT_EQ(p.event.info.id, "--8080");

    // A bad MAC after a good one keeps the good one.
    p = parse(deviceInfo(R"("networks":[{"ip":"1.1.1.1","mac":"00:11:22:33:44:55","mac":"bad"}])"));
    EXPECT_EQ(p.event.info.networks[0].mac, "00:11:22:33:44:55");
    EXPECT_EQ(p.event.info.id, "00:11:22:33:44:55-80");

    // Only the second interface present.
    p = parse(deviceInfo(R"("networks":[{"mac":"00:11:22:33:44:55"},{"ip":"0.0.0.0","mac":"aabbccddeeff"}])"));
    EXPECT_EQ(p.event.info.networks[0].state, 0u);
    EXPECT_EQ(p.event.info.networks[0].mac, "00:11:22:33:44:55");  // filled, but absent
    EXPECT_EQ(p.event.info.networks[1].state, 1u);
    EXPECT_EQ(p.event.info.id, "AA:BB:CC:DD:EE:FF-80");
}

TEST(MulticastProtocolParse, NetworksElements)
{
    const auto p = parse(deviceInfo(
        R"("networks":["eth0",42,{"ip":"0.0.0.0","name":"b","dhcp":true,"mask":"m","gw":"g","dns1":"d1","dns2":"d2"},)"
        R"({"ip":"9.9.9.9","mac":"010203040506"}])"));
    ASSERT_TRUE(p.ok);
    // Elements 0 and 1 are not objects: skipped. Element 2 is beyond the two interfaces.
    EXPECT_EQ(p.event.info.networks[0].state, 0u);
    EXPECT_EQ(p.event.info.networks[1].state, 0u);
    EXPECT_TRUE(p.event.info.networks[1].name.empty());
    EXPECT_EQ(p.event.info.id, "80");

    const auto q = parse(deviceInfo(
        R"("networks":[{"ip":"0.0.0.0","name":"b","dhcp":true,"mask":"m","gw":"g","dns1":"d1","dns2":"d2",)"
        R"("extra":{"deep":[1,2,{"ip":"x"}]}},{"ip":"0.0.0.00"},{"ip":"3.3.3.3","mac":"010203040506"}])"));
    ASSERT_TRUE(q.ok);
    const auto& n0 = q.event.info.networks[0];
    EXPECT_EQ(n0.state, 1u);
    EXPECT_EQ(n0.ip, "0.0.0.0");
    EXPECT_EQ(n0.name, "b");
    EXPECT_TRUE(n0.dhcp);
    EXPECT_EQ(n0.mask, "m");
    EXPECT_EQ(n0.gw, "g");
    EXPECT_EQ(n0.dns1, "d1");
    EXPECT_EQ(n0.dns2, "d2");
    EXPECT_EQ(q.event.info.networks[1].state, 2u);  // one more zero is another address
    EXPECT_EQ(q.event.info.id, "--80");

    // An element with no string "ip" fills fields but stays absent.
    const auto r = parse(deviceInfo(R"("networks":[{"mac":"00:11:22:33:44:55","ip":7}])"));
    EXPECT_EQ(r.event.info.networks[0].state, 0u);
    EXPECT_EQ(r.event.info.networks[0].mac, "00:11:22:33:44:55");
    EXPECT_EQ(r.event.info.id, "80");
}

TEST(MulticastProtocolParse, RepeatedMembersAreReadAgain)
{
    const auto p = parse(deviceInfo(R"("name":"first","name":"second","networks":[{"ip":"1.1.1.1","name":"a"}],)"
                                    R"("networks":[{"name":"b"}])"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.event.info.name, "second");
    // The second array is read into the same interface: the name changes, the address stays.
    EXPECT_EQ(p.event.info.networks[0].name, "b");
    EXPECT_EQ(p.event.info.networks[0].state, 2u);
}

TEST(MulticastProtocolParse, Tarn)
{
    const auto empty = parse(deviceInfo(R"("tarn":{})"));
    ASSERT_TRUE(empty.ok);
    EXPECT_TRUE(empty.event.info.tarn.isTarn);
    EXPECT_TRUE(empty.event.info.tarn.workspaceUUID.empty());
    EXPECT_FALSE(empty.event.info.tarn.isHost);

    const auto other = parse(deviceInfo(R"("tarn":{"workspaceUUID":7,"isHost":"yes","name":"x","ip":"1.2.3.4"})"));
    ASSERT_TRUE(other.ok);
    EXPECT_TRUE(other.event.info.tarn.isTarn);
    EXPECT_TRUE(other.event.info.tarn.workspaceUUID.empty());
    EXPECT_FALSE(other.event.info.tarn.isHost);
    EXPECT_TRUE(other.event.info.ip.empty());  // a nested "ip" is not the device's
}

TEST(MulticastProtocolParse, EscapedStringsAreResolved)
{
    const auto p = parse(deviceInfo(R"("name":"Rack \"A\"","model":"x\ny","networks":[{"ip":"1.1.1.1","name":"e\\0"}])"));
    ASSERT_TRUE(p.ok);
    EXPECT_EQ(p.event.info.name, "Rack \"A\"");
    EXPECT_EQ(p.event.info.model, "xny");
    EXPECT_EQ(p.event.info.networks[0].name, "e\\0");

    // Escapes inside api and msg too.
    const auto q = parse(R"({"api":"T\MX","msg":"device\Info"})");
    EXPECT_TRUE(q.ok);
    EXPECT_EQ(q.kind, tmx::MessageKind::deviceInfo);
}

TEST(MulticastProtocolParse, CutShort)
{
    // Cut right after a complete string member: accepted, nothing is an error.
    const auto afterString = parse(R"({"api":"TMX","msg":"deviceInfo","name":"x")");
    EXPECT_TRUE(afterString.ok);
    EXPECT_EQ(afterString.event.info.name, "x");

    // Cut inside a string value: rejected with kind 4.
    const auto insideString = parse(R"({"api":"TMX","msg":"deviceInfo","name":"x)");
    EXPECT_FALSE(insideString.ok);
    EXPECT_EQ(insideString.kind, tmx::MessageKind::deviceInfo);

    // Cut right after a literal: fewer than 5 bytes remain.
    EXPECT_FALSE(parse(R"({"api":"TMX","msg":"deviceInfo","finder":true)").ok);
    EXPECT_TRUE(parse(R"({"api":"TMX","msg":"deviceInfo","finder":true})").ok);
    EXPECT_TRUE(parse(R"({"api":"TMX","msg":"deviceInfo","finder":true})").event.info.finder);

    // A number running to the end is never converted: accepted, port untouched.
    const auto number = parse(R"({"api":"TMX","msg":"deviceInfo","port":8080)");
    EXPECT_TRUE(number.ok);
    EXPECT_EQ(number.event.info.port, 80);
}

TEST(MulticastProtocolParse, SyntaxErrorsReject)
{
    for (const std::string members : { std::string(R"("name":"x" "port":+1)"), std::string(R"('name':"x")"),
                                       std::string(R"("name" / :"x")"), std::string(R"("finder":tru})"),
                                       std::string(R"("port":1.2.3)"), std::string(R"("port":1e999)"),
                                       std::string(R"("networks":[{"ip":"1.1.1.1"}}])"),
                                       std::string(R"("tarn":{"isHost":nul}})"), std::string("\"name\":\"x\",\xc3\xa9") })
    {
        const auto p = parse(deviceInfo(members));
        EXPECT_FALSE(p.ok) << members;
        EXPECT_EQ(p.kind, tmx::MessageKind::deviceInfo) << members;
    }
    // Bytes after the closing brace are never looked at.
    EXPECT_TRUE(parse(deviceInfo(R"("name":"x")") + "garbage ]]] \"").ok);
    // Leading bytes before the first bracket are ignored; comments and missing commas are fine.
    EXPECT_TRUE(parse("junk {\"api\":\"TMX\"\n/ a comment\n\"msg\":\"deviceInfo\",,}").ok);
}

TEST(MulticastProtocolParse, NotJsonAtAll)
{
    for (const std::string text : { std::string(), std::string("TMX deviceInfo"), std::string("\x03\xD9\x00", 3),
                                    std::string("}"), std::string("["), std::string("[\"TMX\",\"deviceInfo\"]") })
    {
        const auto p = parse(text);
        EXPECT_FALSE(p.ok);
        EXPECT_EQ(p.kind, 0);
    }
    // A null pointer with no bytes is just an empty datagram.
    MulticastProtocol protocol;
    tmx::DeviceEvent event;
    int kind = 5;
    EXPECT_FALSE(protocol.parse(nullptr, 0, "", 0, kind, event));
    EXPECT_EQ(kind, 0);
}

TEST(MulticastProtocolParse, NeverReadsPastSize)
{
    // Every prefix of a real message, parsed from an exact-size block and from a block with misleading bytes
    // after the cut, gives the same answer.
    const std::string full = typicalDeviceInfo;
    for (size_t n = 0; n <= full.size(); ++n)
    {
        const std::string prefix = full.substr(0, n);
        const auto exact = parse(prefix);

        std::string padded = prefix + "\"}]}\"}";
        MulticastProtocol protocol;
        tmx::DeviceEvent event;
        int kind = 0;
        const bool ok = protocol.parse(padded.data(), n, "10.231.0.2", 1236, kind, event);
        ASSERT_EQ(ok, exact.ok) << n;
        ASSERT_EQ(kind, exact.kind) << n;
        ASSERT_EQ(event.info.id, exact.event.info.id) << n;
        ASSERT_EQ(event.info.name, exact.event.info.name) << n;
    }
}

TEST(MulticastProtocolParse, DeepNestingIsSurvived)
{
    // About 2,000 nested brackets in one datagram: skipped or refused, never a crash.
    std::string deep = deviceInfo(R"("extra":)" + std::string(1000, '[') + std::string(1000, ']'));
    EXPECT_TRUE(parse(deep).ok);
    std::string deepNetworks
        = deviceInfo(R"("networks":[)" + std::string(1000, '[') + std::string(1000, ']') + R"(,{"ip":"1.1.1.1"}])");
    const auto p = parse(deepNetworks);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(p.event.info.networks[1].state, 2u);  // the deep one was element 0
    std::string unclosed = deviceInfo(R"("x":)" + std::string(2000, '{'));
    EXPECT_NO_FATAL_FAILURE(parse(unclosed));
}
