#include "ProtocolTestSupport.h"
#include "tmx/MessageKind.h"
#include "tmx/protocol/MulticastProtocol.h"

using tmx::protocol::MulticastProtocol;

namespace
{

std::string info(const std::string& members)
{
    return R"({"api":"TMXv1","msg":"deviceInfo",)" + members + "}";
}

const std::string rejected = "ok=0 kind=0 from=:0", none = "net0=0///0/////";

} // namespace

TEST(MulticastProtocol, ParseReadsDeviceInfoAndRecognisesActions)
{
    MulticastProtocol protocol;
    expectFields(parsed(protocol, wire::bytes(wire::typicalDeviceInfo)),
                 { "ok=1 kind=4 from=10.231.0.2:1236 id=00:1B:C5:0A:41:7E-00:1B:C5:0A:41:7F-80 name=Stage Left",
                   "model=TARN-X16 fw=3.2.14 ip=192.168.10.41 port=80 web=192.168.10.41:80 finder=0/0 proto=2",
                   "expiry=5s",
                   "net0=2/eth0/00:1B:C5:0A:41:7E/1/192.168.10.41/255.255.255.0/192.168.10.1/192.168.10.1/",
                   "net1=2/eth1/00:1B:C5:0A:41:7F/0/10.20.0.41/255.255.0.0/10.20.0.1/10.20.0.1/",
                   "tarn=1/6f1c2d3e-8a9b-4c5d-9e0f-1a2b3c4d5e6f/1" });

    const std::pair<std::string, std::vector<std::string>> cases[] = {
        // Port: truncated to 32 bits, then the low 16; out of that range 0; a string is ignored.
        { info(R"("finder":true,"port":-1)"),
          { "ok=1 kind=4", "id=65535", "port=65535", "finder=1/0", none, "tarn=0//0" } },
        { info(R"("finderStatus":true,"port":70000.9)"), { "id=4464", "port=4464", "finder=0/1" } },
        { info(R"("port":1e10,"port":"8080")"), { "id=0", "port=0" } },
        // Interfaces: "0.0.0.0" exactly is present without an address; MACs normalised, a bad one keeps the last
        // good one; only two elements are read.
        { info(R"("port":8080,"networks":[{"ip":"0.0.0.0","mac":"00-11-22-aa-bb-cc","mac":"bad","name":"b","dhcp":)"
               R"(true,"mask":"m","gw":"g","dns1":"d1","dns2":"d2"},{"ip":"0.0.0.00","mac":"0011.22aa.bbcd"},)"
               R"({"ip":"3.3.3.3","name":"third","mac":"00:00:00:00:00:03"}])"),
          { "id=00:11:22:AA:BB:CC-00:11:22:AA:BB:CD-8080", "net0=1/b/00:11:22:AA:BB:CC/1/0.0.0.0/m/g/d1/d2",
            "net1=2//00:11:22:AA:BB:CD/0/0.0.0.00////", "tarn=0//0" } },
        // Elements that are no objects count too; 13 hex digits are no MAC; an element without "ip" stays absent.
        { info(R"("networks":[[1,[2]],{"ip":"1.1.1.1","mac":"00112233aabbc"},"x"],"tarn":{})"),
          { "id=-80", none, "net1=2///0/1.1.1.1////", "tarn=1//0" } },
        { info(R"("networks":[{"mac":"001122334455","ip":7}],"tarn":{"workspaceUUID":"w","isHost":true,"ip":"9"})"),
          { "id=80 name= model= fw= ip= port=80", "net0=0//00:11:22:33:44:55/0/////", "tarn=1/w/1" } },
        // Members of another type are ignored; a repeated member is read again; escapes are resolved.
        { info(R"("name":5,"model":true,"fw":null,"ip":[1],"web":{},"finder":"yes","networks":{"ip":"1"},"tarn":[1])"),
          { "ok=1 kind=4", "name= model= fw= ip= port=80 web= finder=0/0", none, "tarn=0//0" } },
        { info(R"("name":"first","name":"Rack \"A\"","model":"x\ny","fw":"2\\1")"),
          { "name=Rack \"A\" model=xny fw=2\\1" } },
        { R"(junk {"name":"N","msg":"deviceInfo","api":"TMX"} ]]] ")", { "ok=1 kind=4", "name=N" } },
        { R"({"api":"TMX 1.2","msg":"deviceInfo","name":"cut after a string")", { "ok=1 kind=4" } },
        // Rejected before the sender is read: the "api" must begin with TMX and be a string.
        { R"({"api":"TM","msg":"deviceInfo"})", { rejected } },
        { R"({"api":"tmx1","msg":"deviceInfo"})", { rejected } },
        { R"({"api":"TMZ1","msg":"deviceInfo"})", { rejected } },
        { R"({"msg":"deviceInfo"})", { rejected } },
        { R"({"api":5,"msg":"deviceInfo"})", { rejected } },
        { R"({"api":"TMX","msg":4})", { rejected } },
        { wire::text(wire::query()), { rejected } },
        { "", { rejected } },
        // Unknown kinds, and deviceInfo texts with a syntax error anywhere.
        { R"({"api":"TMX","msg":"deviceinfo"})", { "ok=0 kind=0 from=10.231.0.2:1236" } },
        { R"({"api":"TMX","msg":"deviceInfo","name":"x)", { "ok=0 kind=4" } },
        { R"({"api":"TMX","msg":"deviceInfo","finder":true)", { "ok=0 kind=4" } },
        { info(R"("networks":[{"ip":"1.1.1.1"}}])"), { "ok=0 kind=4" } },
        // An action is recognised and otherwise ignored; its "params" must be a string.
        { R"({"api":"TMX 1.2","msg":"action","params":"{ }"})", { "ok=1 kind=2 from=10.231.0.2:1236 id=", "proto=0" } },
        { R"({"api":"TMX","msg":"action","params":{"msg":"finder"}})", { "ok=0 kind=2" } },
    };
    for (const auto& [text, fields] : cases)
    {
        SCOPED_TRACE(text);
        expectFields(parsed(protocol, wire::bytes(text)), fields);
    }
}

namespace
{

tmx::DeviceInfo target()
{
    tmx::DeviceInfo d;
    d.networks[0] = { 2, "eth0", "00:11:22:33:44:55", false, "192.168.1.40", "255.255.255.0", "", "", "" };
    d.networks[1] = { 2, "eth1", "00:11:22:33:44:56", true, "10.0.0.7", "255.0.0.0", "", "", "" };
    return d;
}

} // namespace

TEST(MulticastProtocol, CommandsAreActionTexts)
{
    MulticastProtocol protocol;
    const std::string mac = "00:11:22:33:44:55";
    for (const bool on : { true, false })
        EXPECT_EQ(wire::text(protocol.buildCommand(target(), tmx::FinderRequest { on })),
                  wire::action(mac, 80, wire::finderParams(on)));
    EXPECT_EQ(wire::text(protocol.buildCommand(target(), tmx::ReservedRequest {})), wire::action(mac, 80, ""));
    EXPECT_TRUE(protocol.buildRequest(tmx::MessageKind::query).empty());

    // The interface the request names takes its settings, the other one goes out as the device described it.
    tmx::NetworkChangeRequest request { 0,           false,         "192.168.1.50", "255.255.255.0",
                                        "192.168.1.1", "192.168.1.1", "192.168.1.2" };
    EXPECT_EQ(wire::text(protocol.buildCommand(target(), request)),
              wire::action(mac, 80, wire::networkParams("192.168.1.1", "192.168.1.1", "192.168.1.2",
                                                        { false, "192.168.1.50", "255.255.255.0" },
                                                        { true, "10.0.0.7", "255.0.0.0" })));
    auto device = target();
    device.port = 8080;
    request = { 1, true, "", "", "", "8.8.8.8", "" };
    EXPECT_EQ(wire::text(protocol.buildCommand(device, request)),
              wire::action(mac, 8080, wire::networkParams("", "8.8.8.8", "", { false, "192.168.1.40", "255.255.255.0" },
                                                          { true, "", "" })));
    // A device that reported no interface gets both entries; a quote in a value cannot end the params string.
    request = { 0, false, "1\"2", "", "", "", "" };
    EXPECT_EQ(wire::text(protocol.buildCommand(tmx::DeviceInfo {}, request)),
              wire::action("", 80, wire::networkParams("", "", "", { false, "1\\\\#2", "" }, { false, "", "" })));
    request.iface = 2;
    EXPECT_TRUE(protocol.buildCommand(target(), request).empty());
}

TEST(MulticastProtocol, AnnouncementDescribesTheRecord)
{
    tmx::DeviceInfo record = target();
    record.name = "Rack 2";
    record.model = "DEMO-1";
    record.fw = "1.0.3";
    record.ip = "192.168.1.20";
    record.web = "192.168.1.20:80";
    record.finderStatus = true;
    record.networks[0] = { 2, "eth0", "00:11:22:33:44:55", true, "192.168.1.20", "255.255.255.0", "192.168.1.1",
                           "192.168.1.1", "" };
    record.networks[1].state = 0;
    record.tarn = { true, "w-1", true };
    const std::string head = "{\n  \"api\": \"TMXv1\",\n  \"msg\": \"deviceInfo\",\n  \"name\": \"Rack 2\",\n"
                             "  \"model\": \"DEMO-1\",\n  \"fw\": \"1.0.3\",\n  \"ip\": \"192.168.1.20\",\n"
                             "  \"port\": 80,\n  \"web\": \"192.168.1.20:80\",\n  \"finder\": false,\n"
                             "  \"finderStatus\": true,\n  \"networks\": [\n";
    const std::string iface = "    {\n      \"name\": \"eth0\",\n      \"ip\": \"192.168.1.20\",\n"
                              "      \"mac\": \"00:11:22:33:44:55\",\n      \"dhcp\": true,\n"
                              "      \"gw\": \"192.168.1.1\",\n      \"dns1\": \"192.168.1.1\",\n"
                              "      \"dns2\": \"\" \n    } \n";
    MulticastProtocol protocol;
    EXPECT_EQ(wire::text(protocol.buildAnnouncement(record, tmx::MessageKind::deviceInfo)),
              head + iface + "  ],\n  \"tarn\": {\n    \"workspaceUUID\": \"w-1\",\n    \"isHost\": true \n  } \n}");
    record.tarn.isTarn = false;
    record.networks[0].state = 0;
    EXPECT_EQ(wire::text(protocol.buildAnnouncement(record, tmx::MessageKind::deviceInfo)), head + "  ] \n}");
    EXPECT_TRUE(protocol.buildAnnouncement(record, tmx::MessageKind::query).empty());
}
