#include "tmx/DeviceCommand.h"
#include "tmx/DeviceEvent.h"
#include "tmx/DeviceInfo.h"
#include "tmx/EndpointConfig.h"
#include "tmx/MessageKind.h"

#include <gtest/gtest.h>

#include <utility>

namespace
{

tmx::DeviceInfo filledDevice()
{
    tmx::DeviceInfo d;
    d.id = "00:11:22:33:44:55-80";
    d.expiry = juce::Time(1700000000000);
    d.name = "Stage rack with a name longer than the small-string buffer";
    d.model = "VESK-8";
    d.fw = "2.4.1";
    d.ip = "192.168.1.20";
    d.port = 8080;
    d.web = "http://rack-a.local:80";
    d.finder = true;
    d.finderStatus = true;
    d.protocolId = 3;
    d.networks[0] = { 2, "eth0", "00:11:22:33:44:55", true, "192.168.1.20", "255.255.255.0", "192.168.1.1",
                      "192.168.1.1", "8.8.8.8" };
    d.networks[1] = { 1, "eth1", "00:11:22:33:44:56", false, "0.0.0.0", "", "", "", "" };
    d.tarn = { true, "3f2c1a9e-workspace-uuid-0001", true };
    return d;
}

void expectTextsEmpty(const tmx::DeviceInfo& d)
{
    EXPECT_TRUE(d.id.empty());
    EXPECT_TRUE(d.name.empty());
    EXPECT_TRUE(d.model.empty());
    EXPECT_TRUE(d.fw.empty());
    EXPECT_TRUE(d.ip.empty());
    EXPECT_TRUE(d.web.empty());
    EXPECT_TRUE(d.tarn.workspaceUUID.empty());
    for (const auto& n : d.networks)
    {
        EXPECT_TRUE(n.name.empty());
        EXPECT_TRUE(n.mac.empty());
        EXPECT_TRUE(n.ip.empty());
        EXPECT_TRUE(n.mask.empty());
        EXPECT_TRUE(n.gw.empty());
        EXPECT_TRUE(n.dns1.empty());
        EXPECT_TRUE(n.dns2.empty());
    }
}

void expectSameDevice(const tmx::DeviceInfo& a, const tmx::DeviceInfo& b)
{
    EXPECT_EQ(a.id, b.id);
    EXPECT_EQ(a.expiry, b.expiry);
    EXPECT_EQ(a.name, b.name);
    EXPECT_EQ(a.model, b.model);
    EXPECT_EQ(a.fw, b.fw);
    EXPECT_EQ(a.ip, b.ip);
    EXPECT_EQ(a.port, b.port);
    EXPECT_EQ(a.web, b.web);
    EXPECT_EQ(a.finder, b.finder);
    EXPECT_EQ(a.finderStatus, b.finderStatus);
    EXPECT_EQ(a.protocolId, b.protocolId);
    for (size_t i = 0; i < 2; ++i)
    {
        EXPECT_EQ(a.networks[i].state, b.networks[i].state);
        EXPECT_EQ(a.networks[i].name, b.networks[i].name);
        EXPECT_EQ(a.networks[i].mac, b.networks[i].mac);
        EXPECT_EQ(a.networks[i].dhcp, b.networks[i].dhcp);
        EXPECT_EQ(a.networks[i].ip, b.networks[i].ip);
        EXPECT_EQ(a.networks[i].mask, b.networks[i].mask);
        EXPECT_EQ(a.networks[i].gw, b.networks[i].gw);
        EXPECT_EQ(a.networks[i].dns1, b.networks[i].dns1);
        EXPECT_EQ(a.networks[i].dns2, b.networks[i].dns2);
    }
    EXPECT_EQ(a.tarn.isTarn, b.tarn.isTarn);
    EXPECT_EQ(a.tarn.workspaceUUID, b.tarn.workspaceUUID);
    EXPECT_EQ(a.tarn.isHost, b.tarn.isHost);
}

// Numbers and flags survive a move; only texts are taken.
void expectNumbersOfFilled(const tmx::DeviceInfo& d)
{
    EXPECT_EQ(d.expiry, juce::Time(1700000000000));
    EXPECT_EQ(d.port, 8080);
    EXPECT_TRUE(d.finder);
    EXPECT_TRUE(d.finderStatus);
    EXPECT_EQ(d.protocolId, 3u);
    EXPECT_EQ(d.networks[0].state, 2u);
    EXPECT_TRUE(d.networks[0].dhcp);
    EXPECT_EQ(d.networks[1].state, 1u);
    EXPECT_FALSE(d.networks[1].dhcp);
    EXPECT_TRUE(d.tarn.isTarn);
    EXPECT_TRUE(d.tarn.isHost);
}

} // namespace

TEST(Records, DefaultDeviceInfo)
{
    const tmx::DeviceInfo d;
    expectTextsEmpty(d);
    EXPECT_EQ(d.expiry.toMilliseconds(), 0);
    EXPECT_EQ(d.port, 80);
    EXPECT_FALSE(d.finder);
    EXPECT_FALSE(d.finderStatus);
    EXPECT_EQ(d.protocolId, 0u);
    ASSERT_EQ(d.networks.size(), 2u);
    for (const auto& n : d.networks)
    {
        EXPECT_EQ(n.state, 0u);
        EXPECT_FALSE(n.dhcp);
    }
    EXPECT_FALSE(d.tarn.isTarn);
    EXPECT_FALSE(d.tarn.isHost);
}

TEST(Records, DefaultEventCommandAndEndpoint)
{
    const tmx::DeviceEvent e;
    EXPECT_EQ(e.event, 0u);
    EXPECT_TRUE(e.senderAddress.isEmpty());
    EXPECT_EQ(e.senderPort, 0);
    EXPECT_EQ(e.info.port, 80);

    const tmx::DeviceCommand c;
    EXPECT_EQ(c.index(), 0u);
    EXPECT_FALSE(std::get<tmx::FinderRequest>(c).value);

    const tmx::NetworkChangeRequest r;
    EXPECT_EQ(r.iface, 0);
    EXPECT_FALSE(r.dhcp);
    EXPECT_TRUE(r.ip.empty() && r.mask.empty() && r.gateway.empty() && r.dns1.empty() && r.dns2.empty());

    const tmx::EndpointConfig ep;
    EXPECT_TRUE(ep.address.isEmpty());
    EXPECT_EQ(ep.port, 0);
    EXPECT_FALSE(ep.anyFlagSet());
    // Any one flag byte makes a channel, whatever it means.
    for (int flag = 0; flag < 4; ++flag)
    {
        tmx::EndpointConfig one;
        (flag == 0 ? one.enabled : flag == 1 ? one.allowCommands : flag == 2 ? one.announce : one.query) = 1;
        EXPECT_TRUE(one.anyFlagSet()) << flag;
    }

    EXPECT_EQ(tmx::MessageKind::none, 0);
    EXPECT_EQ(tmx::MessageKind::action, 2);
    EXPECT_EQ(tmx::MessageKind::query, 3);
    EXPECT_EQ(tmx::MessageKind::deviceInfo, 4);
}

TEST(Records, CopyLeavesSourceUnchanged)
{
    const tmx::DeviceInfo source = filledDevice();
    tmx::DeviceInfo constructed(source);
    expectSameDevice(constructed, filledDevice());
    expectSameDevice(source, filledDevice());

    tmx::DeviceInfo assigned;
    assigned.name = "old";
    assigned = source;
    expectSameDevice(assigned, filledDevice());
    expectSameDevice(source, filledDevice());

    // The copy is deep: changing it leaves the source alone.
    constructed.networks[1].mac = "changed";
    constructed.tarn.workspaceUUID = "changed";
    EXPECT_EQ(source.networks[1].mac, "00:11:22:33:44:56");
    EXPECT_EQ(source.tarn.workspaceUUID, "3f2c1a9e-workspace-uuid-0001");
}

TEST(Records, MoveEmptiesSourceTextsAndKeepsNumbers)
{
    tmx::DeviceInfo source = filledDevice();
    tmx::DeviceInfo constructed(std::move(source));
    expectSameDevice(constructed, filledDevice());
    expectTextsEmpty(source);
    expectNumbersOfFilled(source);

    tmx::DeviceInfo again = filledDevice();
    tmx::DeviceInfo assigned;
    assigned.name = "a name that was here before";
    assigned = std::move(again);
    expectSameDevice(assigned, filledDevice());
    expectTextsEmpty(again);
    expectNumbersOfFilled(again);
}

TEST(Records, EventCopyAndMove)
{
    tmx::DeviceEvent e;
    e.event = 1;
    e.senderAddress = "10.231.0.2";
    e.senderPort = 45454;
    e.info = filledDevice();

    tmx::DeviceEvent copy(e);
    EXPECT_EQ(copy.event, 1u);
    EXPECT_EQ(copy.senderAddress, "10.231.0.2");
    EXPECT_EQ(copy.senderPort, 45454);
    expectSameDevice(copy.info, filledDevice());

    tmx::DeviceEvent moved(std::move(e));
    EXPECT_EQ(moved.senderAddress, "10.231.0.2");
    expectSameDevice(moved.info, filledDevice());
    expectTextsEmpty(e.info);
    EXPECT_EQ(e.senderPort, 45454);
}

TEST(Records, CommandVariantAssignments)
{
    tmx::NetworkChangeRequest request;
    request.iface = 1;
    request.dhcp = true;
    request.ip = "192.168.1.50";
    request.mask = "255.255.255.0";
    request.gateway = "192.168.1.1";
    request.dns1 = "192.168.1.1";
    request.dns2 = "192.168.1.2";

    tmx::DeviceCommand command = tmx::FinderRequest { true };
    ASSERT_EQ(command.index(), 0u);
    EXPECT_TRUE(std::get<tmx::FinderRequest>(command).value);

    command = request;  // from a Finder request: switches alternative, copies all seven fields
    ASSERT_EQ(command.index(), 2u);
    const auto* held = std::get_if<tmx::NetworkChangeRequest>(&command);
    ASSERT_NE(held, nullptr);
    EXPECT_EQ(held->iface, 1);
    EXPECT_TRUE(held->dhcp);
    EXPECT_EQ(held->ip, "192.168.1.50");
    EXPECT_EQ(held->mask, "255.255.255.0");
    EXPECT_EQ(held->gateway, "192.168.1.1");
    EXPECT_EQ(held->dns1, "192.168.1.1");
    EXPECT_EQ(held->dns2, "192.168.1.2");
    EXPECT_EQ(request.ip, "192.168.1.50");  // a copy: the request is untouched

    // Onto a variant that already holds a network request: overwritten in place.
    tmx::NetworkChangeRequest second;
    second.iface = 0;
    second.ip = "10.0.0.9";
    command = second;
    ASSERT_EQ(command.index(), 2u);
    EXPECT_EQ(std::get_if<tmx::NetworkChangeRequest>(&command), held);
    EXPECT_EQ(held->iface, 0);
    EXPECT_FALSE(held->dhcp);
    EXPECT_EQ(held->ip, "10.0.0.9");
    EXPECT_TRUE(held->mask.empty() && held->gateway.empty() && held->dns1.empty() && held->dns2.empty());

    command = tmx::ReservedRequest {};
    EXPECT_EQ(command.index(), 1u);
    EXPECT_THROW((void) std::get<tmx::FinderRequest>(command), std::bad_variant_access);

    command = tmx::FinderRequest { false };
    EXPECT_EQ(command.index(), 0u);
    EXPECT_FALSE(std::get<tmx::FinderRequest>(command).value);
}

