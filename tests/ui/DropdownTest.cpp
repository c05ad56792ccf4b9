#include "UiTestSupport.h"

#include "ui/MultiSelectDropdownComponent.h"
#include "ui/Theme.h"

#include <utility>
#include <vector>

using namespace ui_test;

namespace
{
/** Stands for the table beneath the list: counts clicks and scrolls. */
struct Beneath : juce::Component
{
    void mouseDown(const juce::MouseEvent&) override { ++clicks; }
    void mouseWheelMove(const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override
    {
        wheelEvents.push_back({ e.getPosition(), wheel.deltaY });
    }
    int clicks = 0;
    std::vector<std::pair<juce::Point<int>, float>> wheelEvents;
};

/** A window-sized panel with a table-like area and the dropdown in its top right corner. */
struct Panel : juce::Component
{
    Panel()
    {
        addAndMakeVisible(beneath);
        addAndMakeVisible(dropdown);
        beneath.setBounds(0, 100, 600, 300);
        dropdown.setBounds(380, 40, 200, 50);
    }
    Beneath beneath;
    MultiSelectDropdownComponent dropdown { "Name" };
};

struct DropdownFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        panel.setBounds(0, 0, 600, 400);
        panel.dropdown.options = { { 1, "BrelmTARN", false }, { 7, "Hosts", false }, { 9, "Other", false } };
        panel.dropdown.onOptionToggled = [this](int id, bool on) { toggles.push_back({ id, on }); };
    }

    Panel panel;
    std::vector<std::pair<int, bool>> toggles;
};
} // namespace

TEST(DropdownSummary, ReadsAllOrTheSelectedLabelsInOptionOrder)
{
    MultiSelectDropdownComponent dropdown("Name");
    EXPECT_EQ(dropdown.summaryText(), "All");
    dropdown.options = { { 1, "BrelmTARN", false } };
    EXPECT_EQ(dropdown.summaryText(), "All");
    dropdown.options[0].selected = true;
    EXPECT_EQ(dropdown.summaryText(), "BrelmTARN");
    dropdown.options = { { 3, "C", true }, { 1, "A", false }, { 2, "B", true } };
    EXPECT_EQ(dropdown.summaryText(), "C, B");
    EXPECT_EQ(dropdown.getMouseCursor(), juce::MouseCursor(juce::MouseCursor::PointingHandCursor));
}

TEST_F(DropdownFixture, OpenListShowsOneRowPerOptionBeneathTheDropdown)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(panel, 600, 400);
    Mouse mouse(window);

    mouse.click(mouse.centreOf(panel.dropdown));
    auto* overlay = panel.dropdown.overlay.get();
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->getParentComponent(), &window.top());
    EXPECT_EQ(overlay->getBounds(), window.top().getLocalBounds());
    EXPECT_TRUE(overlay->isAlwaysOnTop());
    ASSERT_EQ(overlay->rows.size(), 3);
    for (int i = 0; i < 3; ++i)
    {
        const auto rowInWindow = window.top().getLocalArea(overlay, overlay->rows[i]->getBounds());
        EXPECT_EQ(rowInWindow, juce::Rectangle<int>(380, 40 + 50 + 8 + 42 * i, 200, 34)) << i;
        EXPECT_EQ(overlay->rows[i]->label, panel.dropdown.options[(size_t) i].label);
    }
    EXPECT_TRUE(toggles.empty());
}

TEST_F(DropdownFixture, RowClickTogglesReportsAndLeavesTheListOpen)
{
    UI_REQUIRE_DISPLAY();
    panel.dropdown.options[2].selected = true;
    TestWindow window(panel, 600, 400);
    Mouse mouse(window);

    mouse.click(mouse.centreOf(panel.dropdown));
    ASSERT_NE(panel.dropdown.overlay, nullptr);
    auto* overlay = panel.dropdown.overlay.get();
    EXPECT_TRUE(overlay->rows[2]->selected);

    mouse.click(mouse.centreOf(*overlay->rows[0]));
    EXPECT_EQ(toggles, (std::vector<std::pair<int, bool>> { { 1, true } }));
    EXPECT_TRUE(panel.dropdown.options[0].selected);
    EXPECT_TRUE(overlay->rows[0]->selected);
    EXPECT_FALSE(panel.dropdown.options[1].selected);
    EXPECT_EQ(panel.dropdown.summaryText(), "BrelmTARN, Other");

    // Right button toggles too; a press dragged off and released toggles nothing.
    mouse.click(mouse.centreOf(*overlay->rows[2]), {}, juce::ModifierKeys::rightButtonModifier);
    EXPECT_FALSE(panel.dropdown.options[2].selected);
    const auto start = mouse.centreOf(*overlay->rows[1]);
    mouse.press(start);
    mouse.drag(start + juce::Point<int>(30, 12));
    mouse.release(start + juce::Point<int>(30, 12));
    EXPECT_FALSE(panel.dropdown.options[1].selected);

    pumpBriefly();
    EXPECT_EQ(panel.dropdown.overlay.get(), overlay) << "the list stays open";
    EXPECT_EQ(toggles, (std::vector<std::pair<int, bool>> { { 1, true }, { 9, false } }));
    EXPECT_EQ(panel.beneath.clicks, 0);
}

TEST_F(DropdownFixture, ClickElsewhereOnlyClosesTheListOnALaterTurn)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(panel, 600, 400);
    Mouse mouse(window);

    for (auto where : { juce::Point<int>(100, 200), juce::Point<int>(480, 65), juce::Point<int>(10, 10) })
    {
        mouse.click(mouse.centreOf(panel.dropdown));
        ASSERT_NE(panel.dropdown.overlay, nullptr);

        mouse.press(where);
        // Still there while its own mouse handler runs and right after it.
        EXPECT_NE(panel.dropdown.overlay, nullptr);
        mouse.release(where);
        ASSERT_TRUE(pumpUntil([&] { return panel.dropdown.overlay == nullptr; }));
        EXPECT_EQ(window.top().getNumChildComponents(), 1);
    }
    EXPECT_EQ(panel.beneath.clicks, 0) << "the closing click must not reach the table";
    EXPECT_TRUE(toggles.empty());
    for (const auto& option : panel.dropdown.options)
        EXPECT_FALSE(option.selected);
}

TEST_F(DropdownFixture, WheelOverTheOpenListScrollsWhatLiesBeneath)
{
    UI_REQUIRE_DISPLAY();
    TestWindow window(panel, 600, 400);
    Mouse mouse(window);
    mouse.click(mouse.centreOf(panel.dropdown));
    auto* overlay = panel.dropdown.overlay.get();
    ASSERT_NE(overlay, nullptr);

    // Over empty overlay above the table area.
    mouse.wheel({ 100, 200 }, -0.25f);
    ASSERT_EQ(panel.beneath.wheelEvents.size(), 1u);
    EXPECT_EQ(panel.beneath.wheelEvents[0].first, juce::Point<int>(100, 100));
    EXPECT_FLOAT_EQ(panel.beneath.wheelEvents[0].second, -0.25f);

    // Over a row that lies above the table.
    const auto rowCentre = mouse.centreOf(*overlay->rows[2]);
    ASSERT_GE(rowCentre.y, 100);
    mouse.wheel(rowCentre, 0.5f);
    ASSERT_EQ(panel.beneath.wheelEvents.size(), 2u);
    EXPECT_EQ(panel.beneath.wheelEvents[1].first, rowCentre - juce::Point<int>(0, 100));

    // The overlay keeps taking clicks afterwards.
    bool self = false, children = false;
    overlay->getInterceptsMouseClicks(self, children);
    EXPECT_TRUE(self);
    EXPECT_TRUE(children);
    EXPECT_EQ(panel.dropdown.overlay.get(), overlay);
}

TEST_F(DropdownFixture, DestroyingTheDropdownClosesTheOpenListAndLateDismissalsAreHarmless)
{
    UI_REQUIRE_DISPLAY();
    juce::Component host;
    host.setBounds(0, 0, 600, 400);
    auto dropdown = std::make_unique<MultiSelectDropdownComponent>("Name");
    dropdown->options = { { 1, "BrelmTARN", false } };
    host.addAndMakeVisible(dropdown.get());
    dropdown->setBounds(380, 40, 200, 50);
    TestWindow window(host, 600, 400);
    Mouse mouse(window);

    mouse.click(mouse.centreOf(*dropdown));
    ASSERT_NE(dropdown->overlay, nullptr);
    juce::Component::SafePointer<juce::Component> overlay(dropdown->overlay.get());

    // A click outside posts the closing; the dropdown goes before that runs.
    mouse.click({ 20, 300 });
    dropdown.reset();
    EXPECT_EQ(overlay.getComponent(), nullptr);
    EXPECT_EQ(window.top().getNumChildComponents(), 1);
    pumpBriefly();  // the posted closing finds nothing to do
    host.removeAllChildren();
}

