#include "app/AppStateIds.h"
#include "app/DemoDevices.h"
#include "app/WebAddresses.h"

#include <gtest/gtest.h>

namespace ids = AppStateIds;

namespace
{
struct AdditionCounter : juce::ValueTree::Listener
{
    void valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree&) override
    {
        if (parent.hasType(ids::DeviceList))
            ++devicesAdded;
        else
            ++otherAdditions;
    }
    void valueTreePropertyChanged(juce::ValueTree&, const juce::Identifier&) override { ++propertyChanges; }

    int devicesAdded = 0;
    int otherAdditions = 0;
    int propertyChanges = 0;
};
} // namespace

TEST(DemoDevices, TheListIsBuiltOnceAndStaysTheSame)
{
    const auto& first = makeDemoDevices();
    const auto& second = makeDemoDevices();
    EXPECT_EQ(&first, &second);
    ASSERT_EQ(first.size(), 3u);
}

TEST(DemoDevices, AddsThreeCompleteDevicesInOrderAsOneAdditionEach)
{
    juce::ValueTree state(ids::AppState);
    state.appendChild(juce::ValueTree(ids::DeviceList), nullptr);
    auto list = state.getChildWithName(ids::DeviceList);

    AdditionCounter counter;
    state.addListener(&counter);
    addDemoDevices(list);
    state.removeListener(&counter);

    EXPECT_EQ(counter.devicesAdded, 3);
    EXPECT_EQ(counter.otherAdditions, 0);
    EXPECT_EQ(counter.propertyChanges, 0);

    ASSERT_EQ(list.getNumChildren(), 3);
    EXPECT_EQ(list.getChild(0)[ids::id].toString(), "demo-koru88");
    EXPECT_EQ(list.getChild(1)[ids::id].toString(), "demo-ekoru1616");
    EXPECT_EQ(list.getChild(2)[ids::id].toString(), "demo-farol");

    const auto ekoru = list.getChild(1);
    EXPECT_EQ(ekoru[ids::name].toString(), "eKORU1616 Rack");
    EXPECT_EQ(ekoru[ids::model].toString(), "eKORU1616");
    EXPECT_EQ(ekoru[ids::version].toString(), "2.0.1");
    EXPECT_EQ(ekoru[ids::webAccess].toString(), "http://192.168.1.101");
    EXPECT_TRUE(ekoru[ids::port].isInt());
    EXPECT_EQ(static_cast<int>(ekoru[ids::port]), 80);
    EXPECT_TRUE(static_cast<bool>(ekoru[ids::isTarn]));
    EXPECT_TRUE(static_cast<bool>(ekoru[ids::isHost]));
    EXPECT_TRUE(static_cast<bool>(ekoru[ids::finder]));
    const auto ekoruNet2 = ekoru.getChild(1);
    EXPECT_EQ(static_cast<int>(ekoruNet2[ids::interfaceIndex]), 1);
    EXPECT_TRUE(static_cast<bool>(ekoruNet2[ids::dhcp]));
    EXPECT_EQ(ekoruNet2[ids::ip].toString(), "169.254.12.34");
    EXPECT_EQ(ekoruNet2[ids::mask].toString(), "255.255.0.0");
    EXPECT_EQ(ekoruNet2[ids::gateway].toString(), "");
    EXPECT_EQ(ekoruNet2[ids::mac].toString(), "02:4C:7E:DE:MO:03");

    const auto farol = list.getChild(2);
    EXPECT_TRUE(static_cast<bool>(farol[ids::isTarn]));
    EXPECT_FALSE(static_cast<bool>(farol[ids::isHost]));
    EXPECT_TRUE(static_cast<bool>(farol.getChild(0)[ids::dhcp]));
    EXPECT_EQ(farol.getChild(0)[ids::mac].toString(), "02:4C:7E:DE:MO:04");
}

TEST(DemoDevices, EveryDeviceHasTwoInterfacesAndItsNet1AddressAsDefault)
{
    juce::ValueTree list(ids::DeviceList);
    addDemoDevices(list);

    for (int i = 0; i < list.getNumChildren(); ++i)
    {
        const auto device = list.getChild(i);
        ASSERT_EQ(device.getNumChildren(), 2);
        const auto net1 = device.getChild(0);
        const auto net2 = device.getChild(1);
        EXPECT_EQ(static_cast<int>(net1[ids::interfaceIndex]), 0);
        EXPECT_EQ(device[ids::defaultIp].toString(), net1[ids::ip].toString());
        // No DNS on demonstration interfaces: readers get empty texts.
        EXPECT_FALSE(net1.hasProperty(ids::dns1));
        EXPECT_FALSE(net1.hasProperty(ids::dns2));
        EXPECT_EQ(net1[ids::dns1].toString(), "");
        if (i != 1)
        {
            for (auto id : { ids::ip, ids::mask, ids::gateway, ids::mac })
                EXPECT_EQ(net2[id].toString(), "") << device[ids::id].toString();
            EXPECT_FALSE(static_cast<bool>(net2[ids::dhcp]));
        }
    }
}

TEST(WebAddresses, AllAddressesUseTheBuildsHost)
{
    const auto host = WebAddresses::host();
    EXPECT_EQ(host, BRELM_WEB_HOST);
    EXPECT_EQ(WebAddresses::site(), "https://" + host + "/");
    EXPECT_EQ(WebAddresses::legalNotice(), "https://" + host + "/en/legal-notice/");
    EXPECT_EQ(WebAddresses::updateManifest(),
              "https://" + host + "/images/downloads/software/package_discovery_last.json");
}
