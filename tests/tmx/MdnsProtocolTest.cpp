#include "tmx/protocol/MdnsProtocol.h"

#include <gtest/gtest.h>

#include <memory>

TEST(MdnsProtocol, AcceptsEverythingAndRecognisesNothing)
{
    std::unique_ptr<tmx::protocol::IProtocol> protocol = std::make_unique<tmx::protocol::MdnsProtocol>();
    const uint8_t datagram[] = { 0x00, 0x00, 0x84, 0x00, 0x00, 0x00, 0x00, 0x01 };
    tmx::DeviceEvent event;
    event.info.name = "untouched";
    int kind = 0;
    EXPECT_TRUE(protocol->parse(datagram, sizeof(datagram), "10.0.0.2", 5353, kind, event));
    EXPECT_EQ(kind, 0);
    EXPECT_EQ(event.info.name, "untouched");
    EXPECT_TRUE(event.senderAddress.isEmpty());
    EXPECT_EQ(event.senderPort, 0);

    EXPECT_TRUE(protocol->buildRequest(3).empty());
    EXPECT_TRUE(protocol->buildAnnouncement(tmx::DeviceInfo(), 4).empty());
    EXPECT_TRUE(protocol->buildCommand(tmx::DeviceInfo(), tmx::FinderRequest { true }).empty());
}
