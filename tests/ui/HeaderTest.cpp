#include "UiTestSupport.h"

#include "ui/HeaderComponent.h"
#include "ui/Theme.h"

#include <vector>

using namespace ui_test;

namespace
{
constexpr int designedWidth = 1200;

struct HeaderFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        header.openUrl = [this](const juce::URL& url) { opened.push_back(url.toString(false)); };
        header.onConsoleToggled = [this](bool show) { consoleEvents.push_back(show); };
        header.onFilterPanelToggled = [this](bool open)
        {
            panelEvents.push_back(open);
            header.setSize(header.getWidth(), open ? 93 : 35);  // what the layout does
        };
        header.onTarnFilterChanged = [this](bool on) { tarnEvents.push_back(on); };
        header.onSearchChanged = [this](const juce::String& text) { searchEvents.push_back(text); };
        header.setBounds(0, 0, designedWidth, 35);
        header.setVisible(true);
    }

    HeaderComponent header;
    std::vector<juce::String> opened;
    std::vector<bool> consoleEvents, panelEvents, tarnEvents;
    std::vector<juce::String> searchEvents;
};

const auto ctrl = juce::ModifierKeys(juce::ModifierKeys::ctrlModifier);
const auto shift = juce::ModifierKeys(juce::ModifierKeys::shiftModifier);
const auto ctrlShift = juce::ModifierKeys(juce::ModifierKeys::ctrlModifier | juce::ModifierKeys::shiftModifier);
constexpr int rightButton = juce::ModifierKeys::rightButtonModifier;
} // namespace

TEST_F(HeaderFixture, TopRowLaysOutRightToLeftAtTheDesignedWidth)
{
    EXPECT_EQ(header.searchBox.getBounds(), juce::Rectangle<int>(designedWidth - 200, 0, 200, 35));
    EXPECT_EQ(header.filterButton.getBounds(), juce::Rectangle<int>(designedWidth - 200 - 8 - 35, 0, 35, 35));
    EXPECT_EQ(header.refreshButton.getBounds(), juce::Rectangle<int>(designedWidth - 200 - 8 - 35 - 8 - 35, 0, 35, 35));
    EXPECT_FALSE(header.filterDropdown.isVisible());

    // Nothing but the header itself lies in the 130 x 35 logo area.
    for (auto* child : header.getChildren())
        if (child->isVisible())
            EXPECT_FALSE(child->getBounds().intersects(juce::Rectangle<int>(0, 0, 130, 35))) << child->getName();
    EXPECT_EQ(header.getComponentAt(129, 34), &header);
}

TEST_F(HeaderFixture, OpenFilterRowPutsTheDropdownDirectlyBeneathTheSearchBox)
{
    header.filterButton.onClick();
    ASSERT_EQ(panelEvents, std::vector<bool>({ true }));
    EXPECT_EQ(header.getHeight(), 93);
    EXPECT_TRUE(header.filterDropdown.isVisible());
    EXPECT_EQ(header.filterDropdown.getBounds(), juce::Rectangle<int>(designedWidth - 200, 43, 200, 50));
    EXPECT_EQ(header.filterDropdown.getX(), header.searchBox.getX());
    // The top row does not move.
    EXPECT_EQ(header.searchBox.getBounds(), juce::Rectangle<int>(designedWidth - 200, 0, 200, 35));
}

TEST_F(HeaderFixture, FilterButtonLooksActiveExactlyWhileTheRowIsOpenAndTheSelectionSurvives)
{
    EXPECT_FALSE(header.filterButton.active);
    header.filterButton.onClick();
    EXPECT_TRUE(header.filterButton.active);
    EXPECT_TRUE(header.filterPanelOpen);

    // Select the TARN option while open, then close and reopen the row.
    header.filterDropdown.options[0].selected = true;
    header.filterButton.onClick();
    EXPECT_FALSE(header.filterButton.active);
    EXPECT_FALSE(header.filterDropdown.isVisible());
    EXPECT_EQ(header.getHeight(), 35);
    header.filterButton.onClick();
    EXPECT_TRUE(header.filterDropdown.options[0].selected);
    EXPECT_EQ(header.filterDropdown.summaryText(), "BrelmTARN");
    EXPECT_EQ(panelEvents, std::vector<bool>({ true, false, true }));
    EXPECT_TRUE(tarnEvents.empty()) << "closing the row must not report a filter change";

    // The inverted look shows in the pixels too.
    auto image = snapshot(header.filterButton);
    EXPECT_TRUE(nearer(image.getPixelAt(6, 17), themeForeground, themeBackground));
}

TEST_F(HeaderFixture, WordmarkIsDrawnAtTheLeftAndTheFallbackTextWhenThereIsNone)
{
    ASSERT_NE(header.logo, nullptr);
    auto withLogo = snapshot(header);
    EXPECT_GT(countNear(withLogo, { 0, 0, 130, 35 }, mintGreen), 20);

    header.logo.reset();
    auto fallback = snapshot(header);
    EXPECT_EQ(countNear(fallback, { 0, 0, 130, 35 }, mintGreen), 0);
    // "[ BRELM ]" in the foreground colour, starting 10 px in.
    EXPECT_GT(countNear(fallback, { 10, 0, 120, 35 }, themeForeground, 60), 30);
    EXPECT_EQ(countNear(fallback, { 0, 0, 9, 35 }, themeForeground, 60), 0);
}

TEST_F(HeaderFixture, DevIsDrawnExactlyWhileTheConsoleIsShown)
{
    const juce::Rectangle<int> middle(designedWidth / 2 - 30, 0, 60, 35);
    EXPECT_EQ(countNear(snapshot(header), middle, themeForeground, 60), 0);
    header.consoleVisible = true;
    EXPECT_GT(countNear(snapshot(header), middle, themeForeground, 60), 20);
    header.consoleVisible = false;
    EXPECT_EQ(countNear(snapshot(header), middle, themeForeground, 60), 0);
}

TEST_F(HeaderFixture, LogoClicksFlipTheConsoleWithCtrlShiftOrOpenTheMakersSite)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(header, designedWidth, 100);
    Mouse mouse(window);

    // Ctrl+Shift with any button flips the console and opens nothing.
    mouse.click({ 40, 17 }, ctrlShift);
    EXPECT_TRUE(header.consoleVisible);
    mouse.click({ 129, 34 }, ctrlShift, rightButton);
    EXPECT_FALSE(header.consoleVisible);
    EXPECT_EQ(consoleEvents, std::vector<bool>({ true, false }));
    EXPECT_TRUE(opened.empty());

    // A plain left click, also with only Ctrl or only Shift, opens the site; other buttons do nothing.
    mouse.click({ 5, 5 });
    mouse.click({ 60, 20 }, ctrl);
    mouse.click({ 60, 20 }, shift);
    mouse.click({ 60, 20 }, {}, rightButton);
    mouse.click({ 60, 20 }, ctrl, rightButton);
    EXPECT_EQ(opened, std::vector<juce::String>(3, HeaderComponent::webSite().toString(false)));
    EXPECT_TRUE(opened[0].startsWith("https://"));
    EXPECT_EQ(consoleEvents.size(), 2u);
}

TEST_F(HeaderFixture, ClicksJustOutsideTheLogoAreaDoNothingAndShowTheArrow)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(header, designedWidth, 100);
    Mouse mouse(window);

    mouse.move({ 129, 34 });
    EXPECT_EQ(header.getMouseCursor(), juce::MouseCursor(juce::MouseCursor::PointingHandCursor));

    for (auto p : { juce::Point<int>(130, 10), juce::Point<int>(10, 35) })
    {
        mouse.move(p);
        EXPECT_EQ(header.getMouseCursor(), juce::MouseCursor(juce::MouseCursor::NormalCursor));
        mouse.click(p);
        mouse.click(p, ctrlShift);
    }
    EXPECT_TRUE(opened.empty());
    EXPECT_TRUE(consoleEvents.empty());
    EXPECT_FALSE(header.consoleVisible);
}

TEST_F(HeaderFixture, ButtonsReachTheirCallbacksThroughRealClicks)
{
    UI_REQUIRE_DISPLAY();
    int refreshes = 0;
    header.onRefresh = [&] { ++refreshes; };
    TestWindow window(header, designedWidth, 300);
    Mouse mouse(window);

    mouse.click(mouse.centreOf(header.refreshButton));
    EXPECT_EQ(refreshes, 1);
    mouse.click(mouse.centreOf(header.filterButton), {}, rightButton);
    EXPECT_EQ(panelEvents, std::vector<bool>({ true }));
    EXPECT_TRUE(header.filterButton.active);

    // The TARN row of the open list reports through the header.
    mouse.click(mouse.centreOf(header.filterDropdown));
    ASSERT_NE(header.filterDropdown.overlay, nullptr);
    auto* row = header.filterDropdown.overlay->rows[0];
    mouse.click(mouse.centreOf(*row));
    mouse.click(mouse.centreOf(*row));
    EXPECT_EQ(tarnEvents, std::vector<bool>({ true, false }));
}

TEST_F(HeaderFixture, SearchTextReachesTheCallbackExactlyAsTypedAndClearingReportsEmpty)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(header, designedWidth, 100);
    Mouse mouse(window);

    for (auto c : juce::String("  Tarn X "))
        header.searchBox.editor.keyPressed(juce::KeyPress(0, 0, c));
    // The editor reports its changes on a later turn of the message loop.
    ASSERT_TRUE(pumpUntil([&] { return searchEvents.size() >= 9; }));
    EXPECT_EQ(searchEvents.back(), "  Tarn X ");

    searchEvents.clear();
    ASSERT_TRUE(header.searchBox.clearButton.isVisible());
    mouse.click(mouse.centreOf(header.searchBox.clearButton));
    ASSERT_TRUE(pumpUntil([&] { return !searchEvents.empty(); }));
    pumpBriefly();
    EXPECT_EQ(searchEvents, std::vector<juce::String>({ juce::String() }));
}
