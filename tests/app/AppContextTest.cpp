#include "ShellTestSupport.h"
#include "support/MessageLoopWait.h"

#include "app/AppContext.h"
#include "app/AppStateIds.h"

#include <gtest/gtest.h>

namespace ids = AppStateIds;

class AppContextTestAccess
{
public:
    static void deliver(AppContext& context, const tmx::DeviceEvent& event) { context.deviceChanged(event); }
};

namespace
{
tmx::DeviceInfo fullRecord(const std::string& id)
{
    tmx::DeviceInfo info;
    info.id = id;
    info.name = "Sala \xc3\x91" "and\xc3\xba";  // UTF-8 on the wire
    info.model = "KORU88";
    info.fw = "1.4.2";
    info.ip = "10.0.0.7";
    info.port = 65535;
    info.web = "http://10.0.0.7";
    info.finder = true;
    info.finderStatus = false;
    info.protocolId = 2;
    info.tarn = { true, "ws-uuid", true };
    info.networks[0] = { 2, "eth0", "02:00:00:00:00:01", true, "10.0.0.7", "255.255.255.0", "10.0.0.1", "10.0.0.2",
                         "10.0.0.3" };
    info.networks[1] = { 2, "eth1", "02:00:00:00:00:02", false, "192.168.5.9", "255.255.0.0", "192.168.5.1",
                         "8.8.8.8", "1.1.1.1" };
    return info;
}

tmx::DeviceEvent event(uint32_t code, const tmx::DeviceInfo& info)
{
    tmx::DeviceEvent e;
    e.event = code;
    e.senderAddress = code == tmx::DeviceEvent::removed ? juce::String() : juce::String("10.0.0.7");
    e.senderPort = code == tmx::DeviceEvent::removed ? 0 : 1236;
    e.info = info;
    return e;
}

/** Records what the tree's listeners are told, and how many properties a node had when it arrived. */
struct TreeRecorder : juce::ValueTree::Listener
{
    explicit TreeRecorder(juce::ValueTree treeToWatch) : tree(std::move(treeToWatch)) { tree.addListener(this); }
    ~TreeRecorder() override { tree.removeListener(this); }

    void valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree& child) override
    {
        if (parent.hasType(ids::DeviceList))
            propertiesWhenAdded.push_back(child.getNumProperties());
        ++changes;
    }
    void valueTreeChildRemoved(juce::ValueTree&, juce::ValueTree&, int) override { ++changes; }
    void valueTreePropertyChanged(juce::ValueTree&, const juce::Identifier& property) override
    {
        changedProperties.add(property.toString());
        ++changes;
    }

    juce::ValueTree tree;
    std::vector<int> propertiesWhenAdded;
    juce::StringArray changedProperties;
    int changes = 0;
};

class AppContextTest : public ::testing::Test
{
protected:
    juce::ValueTree deviceList() { return context->appState.getChildWithName(ids::DeviceList); }
    juce::ValueTree device(const juce::String& id) { return deviceList().getChildWithProperty(ids::id, id); }

    ScopedUserFolders folders;
    std::unique_ptr<AppContext> context = std::make_unique<AppContext>();
};
} // namespace

TEST_F(AppContextTest, StartsWithOneEmptyDeviceList)
{
    EXPECT_TRUE(context->appState.hasType(ids::AppState));
    ASSERT_EQ(context->appState.getNumChildren(), 1);
    EXPECT_TRUE(deviceList().isValid());
    EXPECT_EQ(deviceList().getNumChildren(), 0);
    EXPECT_FALSE(context->showToast || context->showToastPersistent || context->updateToastText
                 || context->hideToast || context->showDialog || context->showFormDialog || context->toggleTheme);
    EXPECT_FALSE(context->installOnExit);
}

TEST_F(AppContextTest, AddedEventMirrorsEveryProperty)
{
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("dev-1")));

    ASSERT_EQ(deviceList().getNumChildren(), 1);
    const auto node = device("dev-1");
    ASSERT_TRUE(node.isValid());
    EXPECT_TRUE(node.hasType(ids::Device));
    EXPECT_EQ(node[ids::name].toString(), juce::String(juce::CharPointer_UTF8("Sala \xc3\x91" "and\xc3\xba")));
    EXPECT_EQ(node[ids::name].toString().length(), 10);  // two letters of two bytes each
    EXPECT_EQ(node[ids::model].toString(), "KORU88");
    EXPECT_EQ(node[ids::version].toString(), "1.4.2");
    EXPECT_EQ(node[ids::defaultIp].toString(), "10.0.0.7");
    EXPECT_TRUE(node[ids::port].isInt());
    EXPECT_EQ(static_cast<int>(node[ids::port]), 65535);
    EXPECT_EQ(node[ids::webAccess].toString(), "http://10.0.0.7");
    EXPECT_TRUE(static_cast<bool>(node[ids::finder]));
    EXPECT_TRUE(static_cast<bool>(node[ids::isTarn]));
    EXPECT_TRUE(static_cast<bool>(node[ids::isHost]));
    // Expiry, channel, interface state and name, workspace UUID are not mirrored.
    EXPECT_EQ(node.getNumProperties(), 10);

    ASSERT_EQ(node.getNumChildren(), 2);
    const auto net1 = node.getChildWithProperty(ids::interfaceIndex, 0);
    const auto net2 = node.getChildWithProperty(ids::interfaceIndex, 1);
    ASSERT_TRUE(net1.isValid() && net2.isValid());
    EXPECT_TRUE(net1.hasType(ids::NetworkInterface));
    EXPECT_TRUE(static_cast<bool>(net1[ids::dhcp]));
    EXPECT_EQ(net1[ids::ip].toString(), "10.0.0.7");
    EXPECT_EQ(net1[ids::mask].toString(), "255.255.255.0");
    EXPECT_EQ(net1[ids::gateway].toString(), "10.0.0.1");
    EXPECT_EQ(net1[ids::dns1].toString(), "10.0.0.2");
    EXPECT_EQ(net1[ids::dns2].toString(), "10.0.0.3");
    EXPECT_EQ(net1[ids::mac].toString(), "02:00:00:00:00:01");
    EXPECT_FALSE(static_cast<bool>(net2[ids::dhcp]));
    EXPECT_EQ(net2[ids::ip].toString(), "192.168.5.9");
    EXPECT_EQ(net2[ids::mask].toString(), "255.255.0.0");
    EXPECT_EQ(net2[ids::gateway].toString(), "192.168.5.1");
    EXPECT_EQ(net2[ids::dns1].toString(), "8.8.8.8");
    EXPECT_EQ(net2[ids::dns2].toString(), "1.1.1.1");
    EXPECT_EQ(net2[ids::mac].toString(), "02:00:00:00:00:02");
    EXPECT_EQ(net1.getNumProperties(), 8);
}

TEST_F(AppContextTest, NewNodeArrivesCompleteInOneAddition)
{
    TreeRecorder recorder(context->appState);
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("dev-1")));

    // Listeners are told once, of a node that already holds every property and both interfaces.
    ASSERT_EQ(recorder.propertiesWhenAdded.size(), 1u);
    EXPECT_EQ(recorder.propertiesWhenAdded[0], 10);
    EXPECT_EQ(recorder.changes, 1) << recorder.changedProperties.joinIntoString(", ");
    EXPECT_EQ(device("dev-1").getNumChildren(), 2);
}

TEST_F(AppContextTest, UpdateOfUnknownIdCreatesTheNodeLikeAnAddition)
{
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::updated, fullRecord("dev-u")));
    auto viaUpdate = device("dev-u").createCopy();

    auto other = std::make_unique<AppContext>();
    AppContextTestAccess::deliver(*other, event(tmx::DeviceEvent::added, fullRecord("dev-u")));
    auto viaAdd = other->appState.getChildWithName(ids::DeviceList).getChildWithProperty(ids::id, "dev-u");

    ASSERT_TRUE(viaUpdate.isValid());
    EXPECT_TRUE(viaUpdate.isEquivalentTo(viaAdd));
}

TEST_F(AppContextTest, AddedEventForKnownIdUpdatesInPlace)
{
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("dev-1")));
    const auto original = device("dev-1");

    auto changed = fullRecord("dev-1");
    changed.name = "Renamed";
    changed.finder = false;
    changed.networks[1] = {};
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, changed));

    ASSERT_EQ(deviceList().getNumChildren(), 1);
    EXPECT_EQ(device("dev-1"), original);  // same node object, not a replacement
    EXPECT_EQ(original[ids::name].toString(), "Renamed");
    EXPECT_FALSE(static_cast<bool>(original[ids::finder]));
    ASSERT_EQ(original.getNumChildren(), 2);
    const auto net2 = original.getChildWithProperty(ids::interfaceIndex, 1);
    EXPECT_EQ(net2[ids::ip].toString(), "");
    EXPECT_FALSE(static_cast<bool>(net2[ids::dhcp]));
}

TEST_F(AppContextTest, UnchangedUpdateNotifiesNothing)
{
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("dev-1")));
    TreeRecorder recorder(context->appState);
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::updated, fullRecord("dev-1")));
    EXPECT_EQ(recorder.changes, 0);
}

TEST_F(AppContextTest, OneReportedInterfaceStillGivesTwoChildren)
{
    auto info = fullRecord("dev-1");
    info.networks[1] = {};
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, info));

    const auto node = device("dev-1");
    ASSERT_EQ(node.getNumChildren(), 2);
    EXPECT_EQ(static_cast<int>(node.getChild(0)[ids::interfaceIndex]), 0);
    EXPECT_EQ(static_cast<int>(node.getChild(1)[ids::interfaceIndex]), 1);
    const auto net2 = node.getChild(1);
    for (auto id : { ids::ip, ids::mask, ids::gateway, ids::dns1, ids::dns2, ids::mac })
        EXPECT_EQ(net2[id].toString(), "") << id.toString();
    EXPECT_FALSE(static_cast<bool>(net2[ids::dhcp]));
}

TEST_F(AppContextTest, RemovalOfKnownIdRemovesOnlyThatNode)
{
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("a")));
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("b")));
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::removed, fullRecord("a")));

    ASSERT_EQ(deviceList().getNumChildren(), 1);
    EXPECT_FALSE(device("a").isValid());
    EXPECT_TRUE(device("b").isValid());
}

TEST_F(AppContextTest, ReportsFindTheCurrentNodeAfterOthersChangedTheList)
{
    // Refresh empties the list and the demonstration devices fill it directly, behind the context's back.
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("a")));
    deviceList().removeAllChildren(nullptr);
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::updated, fullRecord("a")));
    ASSERT_EQ(deviceList().getNumChildren(), 1);
    EXPECT_EQ(device("a")[ids::model].toString(), "KORU88");

    juce::ValueTree planted(ids::Device);
    planted.setProperty(ids::id, "b", nullptr);
    deviceList().appendChild(planted, nullptr);
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::updated, fullRecord("b")));
    ASSERT_EQ(deviceList().getNumChildren(), 2);
    EXPECT_EQ(planted[ids::model].toString(), "KORU88");

    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::removed, fullRecord("b")));
    EXPECT_FALSE(planted.getParent().isValid());
}

TEST_F(AppContextTest, RemovalOfUnknownIdOrUnknownCodeChangesNothing)
{
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, fullRecord("a")));
    const auto before = context->appState.toXmlString();

    TreeRecorder recorder(context->appState);
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::removed, fullRecord("nobody")));
    AppContextTestAccess::deliver(*context, event(7, fullRecord("new-id")));

    EXPECT_EQ(recorder.changes, 0);
    EXPECT_EQ(context->appState.toXmlString(), before);
}

TEST_F(AppContextTest, FinderRequestSetsFinderAtOnceOtherCommandsDoNot)
{
    auto info = fullRecord("dev-1");
    info.finder = false;
    AppContextTestAccess::deliver(*context, event(tmx::DeviceEvent::added, info));

    context->applyCommandLocally("dev-1", tmx::FinderRequest { true });
    EXPECT_TRUE(static_cast<bool>(device("dev-1")[ids::finder]));

    const auto before = context->appState.toXmlString();
    tmx::NetworkChangeRequest change;
    change.iface = 0;
    change.ip = "10.9.9.9";
    context->applyCommandLocally("dev-1", change);
    context->applyCommandLocally("dev-1", tmx::ReservedRequest {});
    context->applyCommandLocally("gone", tmx::FinderRequest { true });
    EXPECT_EQ(context->appState.toXmlString(), before);

    context->applyCommandLocally("dev-1", tmx::FinderRequest { false });
    EXPECT_FALSE(static_cast<bool>(device("dev-1")[ids::finder]));
}

TEST_F(AppContextTest, SettingsFileLivesInTheUsersConfigFolder)
{
    EXPECT_EQ(AppContext::settingsFile(), folders.config.getChildFile("BrelmDiscovery/BrelmDiscovery.settings"));
    const auto options = AppContext::settingsOptions();
    EXPECT_EQ(options.applicationName, "BrelmDiscovery");
    EXPECT_EQ(options.filenameSuffix, ".settings");
    EXPECT_EQ(options.folderName, "BrelmDiscovery");
    EXPECT_EQ(options.millisecondsBeforeSaving, 3000);
    EXPECT_EQ(options.storageFormat, juce::PropertiesFile::storeAsXML);
    EXPECT_FALSE(options.ignoreCaseOfKeyNames);
    EXPECT_FALSE(options.commonToAllUsers);
    EXPECT_FALSE(options.doNotSave);

    ASSERT_NE(context->settings, nullptr);
    EXPECT_EQ(context->settings->getFile(), AppContext::settingsFile());
    // No file yet: the defaults the program starts from.
    EXPECT_FALSE(context->settings->getBoolValue("darkMode", false));
    EXPECT_EQ(context->settings->getValue("windowState"), "");
}

TEST_F(AppContextTest, ChangedSettingIsSavedLaterAsXml)
{
    const auto file = AppContext::settingsFile();
    context->settings->setValue("darkMode", true);
    EXPECT_FALSE(file.existsAsFile());  // not at once: three seconds later

    ASSERT_TRUE(pumpUntil([&] { return file.existsAsFile(); }, 15000));
    const auto xml = juce::parseXML(file);
    ASSERT_NE(xml, nullptr);
    EXPECT_TRUE(xml->hasTagName("PROPERTIES"));

    context.reset();
    AppContext reopened;
    EXPECT_TRUE(reopened.settings->getBoolValue("darkMode", false));
}

TEST_F(AppContextTest, DestructorSavesPendingChanges)
{
    context->settings->setValue("windowState", "10 20 900 500");
    context.reset();

    AppContext reopened;
    EXPECT_EQ(reopened.settings->getValue("windowState"), "10 20 900 500");
}
