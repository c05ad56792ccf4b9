#include "UiTestSupport.h"

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
#include "ui/table/DeviceListComponent.h"

using namespace ui_test;

namespace
{
template <typename T>
T* childOfType(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* found = dynamic_cast<T*>(child))
            return found;
    return nullptr;
}

/** The layout as the window holds it, with its parts found by type. */
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
        ASSERT_NE(header, nullptr);
        ASSERT_NE(table, nullptr);
        ASSERT_NE(footer, nullptr);
        context->showToast = [this](const juce::String& text) { toasts.add(text); };
    }

    void TearDown() override
    {
        layout.reset();
        context.reset();
    }

    juce::ValueTree devices() { return context->appState.getChildWithName(AppStateIds::DeviceList); }

    ScopedUserFolders folders;
    std::unique_ptr<AppContext> context = std::make_unique<AppContext>();
    std::unique_ptr<MainLayout> layout;
    HeaderComponent* header = nullptr;
    DeviceListComponent* table = nullptr;
    FooterComponent* footer = nullptr;
    juce::StringArray toasts;
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
    const auto all = table->rows.size();
    ASSERT_GT(all, 0u);

    header->searchBox.editor.setText("  NoSuchDEVICE  ", juce::sendNotification);
    ASSERT_TRUE(pumpUntil([&] { return table->searchText == "nosuchdevice"; }));
    EXPECT_EQ(table->rows.size(), 0u);
    EXPECT_EQ(footer->countText, juce::String((int) all) + " devices found") << "the count ignores the search";

    header->searchBox.editor.setText({}, juce::sendNotification);
    ASSERT_TRUE(pumpUntil([&] { return table->searchText.isEmpty(); }));
    EXPECT_EQ(table->rows.size(), all);
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
    ASSERT_EQ(table->rows.size(), 2u);

    TestWindow window(*layout, 1200, 700);
    Mouse mouse(window);
    mouse.click(mouse.centreOf(header->filterButton));
    mouse.click(mouse.centreOf(header->filterDropdown));
    ASSERT_NE(header->filterDropdown.overlay, nullptr);
    mouse.click(mouse.centreOf(*header->filterDropdown.overlay->rows[0]));
    EXPECT_TRUE(table->tarnOnly);
    EXPECT_EQ(table->rows.size(), 1u);
    EXPECT_EQ(footer->countText, "2 devices found");

    // Close the list, then the row: the filter stays in force.
    mouse.click({ 300, 400 });
    ASSERT_TRUE(pumpUntil([&] { return header->filterDropdown.overlay == nullptr; }));
    mouse.click(mouse.centreOf(header->filterButton));
    EXPECT_FALSE(header->filterDropdown.isVisible());
    EXPECT_TRUE(table->tarnOnly);
    EXPECT_EQ(table->rows.size(), 1u);
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
    EXPECT_EQ(table->rows.size(), 0u);
    EXPECT_EQ(footer->countText, "0 devices found");
    EXPECT_EQ(toasts, juce::StringArray("Refreshing device list..."));

    // Without a toast callback the refresh still works.
    context->showToast = nullptr;
    addDemoDevices(list);
    header->refreshButton.onClick();
    EXPECT_EQ(devices().getNumChildren(), 0);
}

TEST(LayoutRefreshOverNetwork, TableEmptiesAtOnceAndTheDeviceComesBack)
{
    TestNetwork network;
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

    ScopedUserFolders folders;
    auto context = std::make_unique<AppContext>();
    auto layout = std::make_unique<MainLayout>(context.get());
    layout->setBounds(0, 0, 1200, 700);
    auto* header = childOfType<HeaderComponent>(*layout);
    auto* table = childOfType<DeviceListComponent>(*layout);
    auto* footer = childOfType<FooterComponent>(*layout);
    ASSERT_TRUE(header != nullptr && table != nullptr && footer != nullptr);
    auto deviceList = context->appState.getChildWithName(AppStateIds::DeviceList);

    context->startDiscovery();
    device.startAnnouncing(200);
    ASSERT_TRUE(pumpUntil([&] { return deviceList.getNumChildren() == 1; }, 20000));
    ASSERT_TRUE(pumpUntil([&] { return table->rows.size() == 1; }));
    EXPECT_EQ(deviceList.getChild(0)[AppStateIds::name].toString(), "Refresh probe");

    header->refreshButton.onClick();
    EXPECT_EQ(deviceList.getNumChildren(), 0);
    EXPECT_EQ(table->rows.size(), 0u);
    EXPECT_EQ(footer->countText, "0 devices found");

    // The rebuilt channels hear the device again.
    ASSERT_TRUE(pumpUntil([&] { return deviceList.getNumChildren() == 1; }, 20000));
    EXPECT_TRUE(pumpUntil([&] { return table->rows.size() == 1; }));
    EXPECT_EQ(footer->countText, "1 device found");

    device.stopAnnouncing();
    layout.reset();
    context.reset();
}
