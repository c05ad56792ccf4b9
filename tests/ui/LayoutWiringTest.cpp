#include "DialogTestSupport.h"

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/DemoDevices.h"
#include "app/MainLayout.h"
#include "app/ShellTestSupport.h"
#include "support/SimulatedDevice.h"
#include "support/TestNetwork.h"
#include "ui/FooterComponent.h"
#include "ui/HeaderComponent.h"
#include "ui/Theme.h"
#include "ui/ToastOverlay.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/table/DeviceListComponent.h"

using namespace ui_test;

namespace
{
/** The layout as the window holds it, with its parts found by type and reached through AppContext's callbacks. */
struct LayoutFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        layout = std::make_unique<MainLayout>(context.get());
        layout->setBounds(0, 0, 1200, 700);
        header = childOfType<HeaderComponent>(*layout);
        table = childOfType<DeviceListComponent>(*layout);
        footer = childOfType<FooterComponent>(*layout);
        toast = childOfType<ToastOverlay>(*layout);
        overlay = childOfType<CustomDialogOverlay>(*layout);
        ASSERT_TRUE(header && table && footer && toast && overlay);
    }

    void TearDown() override
    {
        layout.reset();
        context.reset();
    }

    juce::ValueTree devices() { return context->appState.getChildWithName(AppStateIds::DeviceList); }

    void tickUntilHidden()
    {
        for (int i = 0; i < 1000 && toast->isVisible(); ++i)
            ToastOverlayTestAccess::tick(*toast);
    }

    ScopedUserFolders folders;
    std::unique_ptr<AppContext> context = std::make_unique<AppContext>();
    std::unique_ptr<MainLayout> layout;
    HeaderComponent* header = nullptr;
    DeviceListComponent* table = nullptr;
    FooterComponent* footer = nullptr;
    ToastOverlay* toast = nullptr;
    CustomDialogOverlay* overlay = nullptr;
};

// The test thread works in its own namespace before the context starts its engine.
struct WithNetwork
{
    TestNetwork network;
};

struct LayoutOverNetwork : WithNetwork, LayoutFixture
{
};
} // namespace

TEST_F(LayoutFixture, HeaderAndFooterTakeTheirPlacesInTheColumn)
{
    EXPECT_EQ(header->getBounds(), juce::Rectangle<int>(20, 20, 1160, 35));
    EXPECT_EQ(table->getY(), 20 + 35 + 8);
    EXPECT_EQ(footer->getBounds(), juce::Rectangle<int>(0, 672, 1200, 28));
    EXPECT_TRUE(header->isVisible());
    EXPECT_TRUE(footer->isVisible());

    // The header sits before the table and the footer after it.
    EXPECT_LT(layout->getIndexOfChildComponent(header), layout->getIndexOfChildComponent(table));
    EXPECT_GT(layout->getIndexOfChildComponent(footer), layout->getIndexOfChildComponent(table));
}

TEST_F(LayoutFixture, FilterRowSwitchesTheHeaderBetween35And93)
{
    const int tableBottom = table->getBottom();
    header->filterButton.onClick();
    EXPECT_EQ(header->getHeight(), 93);
    EXPECT_EQ(table->getY(), 20 + 93 + 8);
    EXPECT_EQ(table->getBottom(), tableBottom);
    EXPECT_EQ(header->filterDropdown.getBounds(), juce::Rectangle<int>(1160 - 200, 43, 200, 50));

    header->filterButton.onClick();
    EXPECT_EQ(header->getHeight(), 35);
    EXPECT_EQ(table->getY(), 20 + 35 + 8);
}

TEST_F(LayoutFixture, SearchTextReachesTheTableTrimmedAndLowerCased)
{
    auto list = devices();
    addDemoDevices(list);
    const auto all = table->getRows().size();
    ASSERT_GT(all, 0u);

    header->searchBox.editor.setText("  NoSuchDEVICE  ", juce::sendNotification);
    ASSERT_TRUE(pumpUntil([&] { return table->searchText == "nosuchdevice"; }));
    EXPECT_EQ(table->getRows().size(), 0u);
    EXPECT_EQ(footer->countText, juce::String((int) all) + " devices found") << "the count ignores the search";

    header->searchBox.editor.setText({}, juce::sendNotification);
    ASSERT_TRUE(pumpUntil([&] { return table->searchText.isEmpty(); }));
    EXPECT_EQ(table->getRows().size(), all);
}

TEST_F(LayoutFixture, TarnOptionFiltersTheTableAndClosingTheRowKeepsIt)
{
    UI_REQUIRE_DISPLAY();
    auto list = devices();
    list.appendChild(juce::ValueTree(AppStateIds::Device).setProperty(AppStateIds::id, "t1", nullptr)
                         .setProperty(AppStateIds::name, "Tarn unit", nullptr)
                         .setProperty(AppStateIds::isTarn, true, nullptr), nullptr);
    list.appendChild(juce::ValueTree(AppStateIds::Device).setProperty(AppStateIds::id, "p1", nullptr)
                         .setProperty(AppStateIds::name, "Plain unit", nullptr)
                         .setProperty(AppStateIds::isTarn, false, nullptr), nullptr);
    ASSERT_EQ(table->getRows().size(), 2u);

    TestWindow window(*layout, 1200, 700);
    Mouse mouse(window);
    mouse.click(mouse.centreOf(header->filterButton));
    mouse.click(mouse.centreOf(header->filterDropdown));
    ASSERT_NE(header->filterDropdown.overlay, nullptr);
    mouse.click(mouse.centreOf(*header->filterDropdown.overlay->rows[0]));
    EXPECT_TRUE(table->tarnOnly);
    EXPECT_EQ(table->getRows().size(), 1u);
    EXPECT_EQ(footer->countText, "2 devices found");

    // Close the list, then the row: the filter stays in force.
    mouse.click({ 300, 400 });
    ASSERT_TRUE(pumpUntil([&] { return header->filterDropdown.overlay == nullptr; }));
    mouse.click(mouse.centreOf(header->filterButton));
    EXPECT_FALSE(header->filterDropdown.isVisible());
    EXPECT_TRUE(table->tarnOnly);
    EXPECT_EQ(table->getRows().size(), 1u);
}

TEST_F(LayoutFixture, ConsoleToggleShowsAndHidesTheConsolePane)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(*layout, 1200, 700);
    Mouse mouse(window);
    const int tableHeight = table->getHeight();
    const auto ctrlShift = juce::ModifierKeys(juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);

    mouse.click({ 20 + 50, 20 + 17 }, ctrlShift);
    EXPECT_TRUE(header->consoleVisible);
    EXPECT_EQ(table->getHeight(), tableHeight - 150 - 12 - 8);

    mouse.click({ 20 + 50, 20 + 17 }, ctrlShift);
    EXPECT_FALSE(header->consoleVisible);
    EXPECT_EQ(table->getHeight(), tableHeight);
}

TEST_F(LayoutFixture, RefreshEmptiesTheListAtOnceAndShowsTheToast)
{
    auto list = devices();
    addDemoDevices(list);
    ASSERT_GT(list.getNumChildren(), 0);

    header->refreshButton.onClick();
    EXPECT_EQ(devices().getNumChildren(), 0);
    EXPECT_EQ(table->getRows().size(), 0u);
    EXPECT_EQ(footer->countText, "0 devices found");
    EXPECT_TRUE(toast->isVisible());
    EXPECT_EQ(toast->getText(), "Refreshing device list...");
}

TEST_F(LayoutOverNetwork, RefreshEmptiesTheTableAtOnceAndTheDeviceComesBack)
{
    const auto link = network.addConnectedHost();
    SimulatedDevice device(*link.host, juce::StringArray(link.remoteAddress));
    ASSERT_TRUE(device.isRunning());

    SimulatedDevice::JsonIdentity identity;
    identity.name = "Refresh probe";
    identity.model = "SIM-1";
    identity.ip = link.remoteAddress.toStdString();
    SimulatedDevice::Interface eth;
    eth.ip = identity.ip;
    eth.mac = "02:00:00:00:00:01";
    identity.networks = { eth };
    device.setIdentity(identity);

    auto deviceList = devices();

    context->startDiscovery();
    device.startAnnouncing(200);
    ASSERT_TRUE(pumpUntil([&] { return deviceList.getNumChildren() == 1; }, 20000));
    ASSERT_TRUE(pumpUntil([&] { return table->getRows().size() == 1; }));
    EXPECT_EQ(deviceList.getChild(0)[AppStateIds::name].toString(), "Refresh probe");

    header->refreshButton.onClick();
    EXPECT_EQ(deviceList.getNumChildren(), 0);
    EXPECT_EQ(table->getRows().size(), 0u);
    EXPECT_EQ(footer->countText, "0 devices found");

    // The rebuilt channels hear the device again.
    ASSERT_TRUE(pumpUntil([&] { return deviceList.getNumChildren() == 1; }, 20000));
    EXPECT_TRUE(pumpUntil([&] { return table->getRows().size() == 1; }));
    EXPECT_EQ(footer->countText, "1 device found");

    device.stopAnnouncing();
}

TEST_F(LayoutFixture, ToastFollowsTheBottomRightCornerWhileVisible)
{
    context->showToast("Refreshing device list...");
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(960, 638, 220, 42));
    EXPECT_EQ(toast->getText(), "Refreshing device list...");
    EXPECT_FALSE(toast->isPersistent());

    layout->setSize(1000, 600);
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(760, 538, 220, 42));

    // A hidden toast keeps its last bounds until the next show.
    tickUntilHidden();
    ASSERT_FALSE(toast->isVisible());
    layout->setSize(1300, 800);
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(760, 538, 220, 42));
    context->showToast("again");
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(1060, 738, 220, 42));
}

TEST_F(LayoutFixture, UpdateTextChangesOnlyTheText)
{
    context->showToastPersistent("Downloading update... 0%", true);
    for (int i = 0; i < 5; ++i)
        ToastOverlayTestAccess::tick(*toast);
    const float alpha = toast->getAlpha();
    context->updateToastText("Downloading update... 50%");
    EXPECT_EQ(toast->getText(), "Downloading update... 50%");
    EXPECT_FLOAT_EQ(toast->getAlpha(), alpha);
    EXPECT_EQ(ToastOverlayTestAccess::state(*toast), 0);
    EXPECT_TRUE(toast->isPersistent());

    // On a faded-out toast the text is stored and nothing shows.
    context->hideToast();
    tickUntilHidden();
    ASSERT_FALSE(toast->isVisible());
    context->updateToastText("Downloading update... 90%");
    EXPECT_EQ(toast->getText(), "Downloading update... 90%");
    EXPECT_FALSE(toast->isVisible());
    EXPECT_FALSE(ToastOverlayTestAccess::timerRunning(*toast));
}

TEST_F(LayoutFixture, TransientToastEndsAPersistentDownloadToast)
{
    context->showToastPersistent("Downloading update... 10%", true);
    context->showToast("Copied to clipboard!");
    context->updateToastText("Downloading update... 20%");
    EXPECT_TRUE(toast->isVisible());
    EXPECT_EQ(toast->getText(), "Downloading update... 20%");
    tickUntilHidden();
    EXPECT_FALSE(toast->isVisible());
    context->updateToastText("Downloading update... 30%");
    EXPECT_FALSE(toast->isVisible());
}

TEST_F(LayoutFixture, ShowDialogFillsTheOverlayOverTheWholeLayout)
{
    int result = -1;
    context->showDialog("About", "Version 1.00", {}, { { 0, "Close", 1 } }, 0, [&](int id) { result = id; }, {}, {},
                        {});
    ASSERT_TRUE(overlay->isVisible());
    DialogOverlayTestAccess access(*overlay);
    EXPECT_EQ(access.card().getX(), 350.0f);
    // In front of everything else of the layout.
    layout->setVisible(true);
    EXPECT_EQ(layout->getComponentAt(5, 5), overlay);
    EXPECT_EQ(layout->getComponentAt(600, 30), overlay);

    layout->setSize(900, 600);
    EXPECT_EQ(overlay->getBounds(), juce::Rectangle<int>(0, 0, 900, 600));
    EXPECT_EQ(access.card().getX(), 200.0f);

    overlay->mouseDown(leftClickOn(*overlay, { 5.0f, 5.0f }));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(overlay->isVisible());
}

TEST_F(LayoutFixture, ToastStaysAboveAnOpenDialog)
{
    context->showDialog("About", {}, {}, { { 0, "Close", 1 } }, 0, {}, {}, {}, {});
    context->showToast("Copied to clipboard!");
    const auto& children = layout->getChildren();
    EXPECT_GT(children.indexOf(toast), children.indexOf(overlay));
}

TEST_F(LayoutFixture, KeyboardCannotLeaveAnOpenDialog)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(*layout, 1200, 700);
    context->showFormDialog("NET 1 settings", "Demo", { { "ip", "IP Address", 0, "10.0.0.1", {}, {}, {} } },
                            { { 0, "Cancel", 1 }, { 1, "Apply", 0 } }, 0, {}, {});
    auto* last = dialogButton(*overlay, "Apply");
    ASSERT_NE(last, nullptr);

    // Tab from the dialog's last control round it more than once, typing a letter after each Tab. The display is
    // shared with other test processes: a turn on which this window lost the keyboard focus (a Tab that moved
    // nothing) is tried again.
    std::vector<juce::Component*> reached;
    ASSERT_TRUE(pumpUntil([&]
    {
        reached.clear();
        last->grabKeyboardFocus();
        for (int i = 0; i < 8; ++i)
        {
            auto* before = juce::Component::getCurrentlyFocusedComponent();
            window.peer()->handleKeyPress(juce::KeyPress(juce::KeyPress::tabKey));
            auto* after = juce::Component::getCurrentlyFocusedComponent();
            if (before == nullptr || after == before || (i == 0 && before != last))
                return false;
            reached.push_back(after);
            window.peer()->handleKeyPress(juce::KeyPress('a', {}, 'a'));
        }
        return true;
    }));
    for (auto* c : reached)
        EXPECT_TRUE(overlay->isParentOf(c)) << "Tab reached a component behind the dialog";

    // Nothing typed reached the search box.
    drainMessages();
    EXPECT_TRUE(header->searchBox.editor.isEmpty());
    EXPECT_TRUE(table->searchText.isEmpty());
}
