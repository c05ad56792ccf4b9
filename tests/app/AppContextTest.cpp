#include "support/MessageLoopWait.h"
#include "support/Printers.h"
#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "support/UserEnvironment.h"
#include "support/WireTexts.h"

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/DemoDevices.h"

#include <gtest/gtest.h>

namespace ids = AppStateIds;

namespace
{
// A device node on one line: its properties, then each interface's, in the tree's order.
juce::String describe(const juce::ValueTree& device)
{
    juce::StringArray parts;
    for (auto id : { "id", "name", "model", "version", "defaultIp", "port", "webAccess", "finder", "isTarn", "isHost" })
        parts.add(device[id].toString());
    for (const auto& net : device)
        for (auto id : { "interfaceIndex", "dhcp", "ip", "mask", "gateway", "dns1", "dns2", "mac" })
            parts.add(net[id].toString());
    return parts.joinIntoString("|");
}

// What the listeners of a "DeviceList" node are told: each device as it was when it arrived, and other changes.
struct TreeRecorder : juce::ValueTree::Listener
{
    explicit TreeRecorder(juce::ValueTree list) : tree(list) { tree.addListener(this); }
    ~TreeRecorder() override { tree.removeListener(this); }
    void valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree& child) override
    {
        parent == tree ? added.add(describe(child)) : (void) ++otherChanges;
    }
    void valueTreePropertyChanged(juce::ValueTree&, const juce::Identifier&) override { ++otherChanges; }

    juce::ValueTree tree;
    juce::StringArray added;
    int otherChanges = 0;
};
} // namespace

TEST(AppContext, MirrorsADeviceCompleteInOneAdditionUntilItGoesSilent)
{
    TestNetwork network;
    const auto link = network.addConnectedHost();
    SimulatedDevice simulated(*link.host, { link.remoteAddress });
    UserEnvironment folders;
    AppContext context;
    auto list = context.appState.getChildWithName(ids::DeviceList);
    TreeRecorder recorder(list);
    const auto ip = link.remoteAddress.toStdString();
    auto text = wire::deviceInfo("Sala \xc3\x91" "and\xc3\xba", ip,  // UTF-8 on the wire
                                 { wire::jsonNet(ip, "02:00:00:00:00:01", true, "m0", "g0", "a0", "b0"),
                                   wire::jsonNet("i1", "02:00:00:00:00:02", false, "m1", "g1", "a1", "b1") },
                                 R"("tarn":{"workspaceUUID":"w","isHost":false})");
    text.replace(text.find("\"port\":80"), 9, "\"port\":65535");
    context.startDiscovery();
    simulated.announceEvery(300, text);
    ASSERT_TRUE(pumpUntil([&] { return list.getNumChildren() == 1; }));

    // Listeners see the device arrive once, complete with both interfaces, and nothing else.
    EXPECT_EQ(recorder.added.joinIntoString("\n"), "02:00:00:00:00:01-02:00:00:00:00:02-65535|"
                                                       + juce::String::fromUTF8("Sala Ñandú") + "|SIM-1|1.0.0|" + ip
                                                       + "|65535|" + ip + ":80|0|1|0|0|1|" + ip + "|m0|g0|a0|b0|"
                                                       "02:00:00:00:00:01|1|0|i1|m1|g1|a1|b1|02:00:00:00:00:02");
    auto device = list.getChild(0);

    // An accepted Find shows at once, network settings only once reported; the next report updates that node.
    context.applyCommandLocally(device[ids::id], tmx::FinderRequest { true });
    context.applyCommandLocally(device[ids::id], tmx::NetworkChangeRequest { 0, false, "10.9.9.9", "255.0.0.0" });
    EXPECT_TRUE(device[ids::finder]);
    EXPECT_EQ(recorder.otherChanges, 1);
    ASSERT_TRUE(pumpUntil([&] { return !device[ids::finder]; }));

    // Refresh empties the list behind the context's back: the next report brings the device back, and a node of
    // that id added meanwhile by others takes the report. Silent, it leaves.
    list.removeAllChildren(nullptr);
    ASSERT_TRUE(pumpUntil([&] { return list.getNumChildren() == 1; }));
    list.removeAllChildren(nullptr);
    list.appendChild(juce::ValueTree(ids::Device).setProperty(ids::id, device[ids::id], nullptr), nullptr);
    ASSERT_TRUE(pumpUntil([&] { return list.getChild(0)[ids::model] == "SIM-1"; }));
    EXPECT_EQ(list.getNumChildren(), 1);
    simulated.announceEvery(0, {});
    ASSERT_TRUE(pumpUntil([&] { return list.getNumChildren() == 0; }, 15000));
}

TEST(AppContext, ASettingIsSavedThreeSecondsAfterItChanged)
{
    UserEnvironment folders;
    AppContext context;
    const auto file = folders.settings();
    const auto changed = nowMs();
    context.settings->setValue("darkMode", true);
    ASSERT_TRUE(pumpUntil([&] { return file.existsAsFile(); }, 8000));
    EXPECT_GE(nowMs() - changed, 2990.0);  // seen no earlier than it can be written
    EXPECT_NE(juce::parseXML(file), nullptr);
}

TEST(DemoDevices, ThreeCompleteDevicesArriveInOrderOneAdditionEach)
{
    juce::ValueTree list(ids::DeviceList);
    TreeRecorder recorder(list);
    addDemoDevices(list);
    EXPECT_EQ(recorder.added.joinIntoString("\n"),
              "demo-koru88|KORU88 Sala Principal|KORU88|1.4.2|192.168.1.100|80|http://192.168.1.100|0|0|0"
              "|0|0|192.168.1.100|255.255.255.0|192.168.1.1|||02:4C:7E:DE:MO:01|1|0||||||\n"
              "demo-ekoru1616|eKORU1616 Rack|eKORU1616|2.0.1|192.168.1.101|80|http://192.168.1.101|1|1|1"
              "|0|0|192.168.1.101|255.255.255.0|192.168.1.1|||02:4C:7E:DE:MO:02"
              "|1|1|169.254.12.34|255.255.0.0||||02:4C:7E:DE:MO:03\n"
              "demo-farol|FAROL Player|FAROL|1.0.0|192.168.1.150|80|http://192.168.1.150|0|1|0"
              "|0|1|192.168.1.150|255.255.255.0|192.168.1.1|||02:4C:7E:DE:MO:04|1|0||||||");
}
