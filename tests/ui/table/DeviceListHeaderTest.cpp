#include "TableTestSupport.h"

#include "ui/table/DeviceListHeader.h"

using namespace ui_test;

namespace
{
struct MenuEntry
{
    int id;
    juce::String text;
    bool enabled, ticked;
};

std::vector<MenuEntry> entries(const juce::PopupMenu& menu)
{
    std::vector<MenuEntry> result;
    for (juce::PopupMenu::MenuItemIterator it(menu); it.next();)
    {
        const auto& item = it.getItem();
        result.push_back({ item.itemID, item.text, item.isEnabled, item.isTicked });
    }
    return result;
}

class DeviceListHeaderTest : public TableFixture
{
protected:
    DeviceListHeader& header() { return list.getHeader(); }

    std::vector<MenuEntry> columnMenu()
    {
        juce::PopupMenu menu;
        header().addMenuItems(menu, 2);
        return entries(menu);
    }
};
} // namespace

TEST_F(DeviceListHeaderTest, EightColumnsWithTheirTitlesAndWidthLimits)
{
    struct Column
    {
        int id;
        const char* title;
        int min, max;  // max -1: none
    };
    const Column columns[] = { { 1, "", 25, 25 },         { 2, "Device name", 100, -1 }, { 3, "Model", 75, -1 },
                               { 4, "Version", 75, -1 },  { 5, "Web access", 150, -1 },  { 6, "NET 1", 150, -1 },
                               { 7, "NET 2", 150, -1 },   { 8, "", 100, 100 } };

    ASSERT_EQ(header().getNumColumns(false), 8);
    EXPECT_EQ(header().getSortColumnId(), 0) << "no column starts sorted";

    for (int i = 0; i < 8; ++i)
    {
        const auto& c = columns[i];
        EXPECT_EQ(header().getColumnIdOfIndex(i, false), c.id);
        EXPECT_EQ(header().getColumnName(c.id), c.title);
        EXPECT_TRUE(header().isColumnVisible(c.id));

        // The header clamps every width it is given to the column's limits.
        header().setColumnWidth(c.id, 1);
        EXPECT_EQ(header().getColumnWidth(c.id), c.min) << c.id;
        header().setColumnWidth(c.id, 5000);
        EXPECT_EQ(header().getColumnWidth(c.id), c.max < 0 ? 5000 : c.max) << c.id;
    }
}

TEST_F(DeviceListHeaderTest, ColumnsStretchToFillTheTable)
{
    // The framework rounds each stretched column, so the total may fall a few pixels short.
    const auto viewWidth = list.table.getViewport()->getMaximumVisibleWidth();
    EXPECT_NEAR(header().getTotalWidth(), viewWidth, 8);
    EXPECT_EQ(header().getColumnWidth(1), 25);
    EXPECT_EQ(header().getColumnWidth(8), 100);

    list.setSize(1400, 600);
    EXPECT_NEAR(header().getTotalWidth(), list.table.getViewport()->getMaximumVisibleWidth(), 8);
    EXPECT_GT(header().getColumnWidth(2), 200) << "the free columns take the extra width";
}

TEST_F(DeviceListHeaderTest, OnlyTheFiveOptionalColumnsAppearOnTheColumnMenu)
{
    // The framework's own menu lists the columns that carry the column-menu flag.
    juce::PopupMenu frameworkMenu;
    header().juce::TableHeaderComponent::addMenuItems(frameworkMenu, 0);
    std::vector<int> flagged;
    for (const auto& e : entries(frameworkMenu))
        flagged.push_back(e.id);
    EXPECT_EQ(flagged, (std::vector<int> { 3, 4, 5, 6, 7 }));

    const auto menu = columnMenu();
    ASSERT_EQ(menu.size(), 5u);
    const char* titles[] = { "Model", "Version", "Web access", "NET 1", "NET 2" };
    for (size_t i = 0; i < menu.size(); ++i)
    {
        EXPECT_EQ(menu[i].id, (int) i + 3);
        EXPECT_EQ(menu[i].text, titles[i]);
        EXPECT_TRUE(menu[i].enabled);
        EXPECT_TRUE(menu[i].ticked);
    }
}

TEST_F(DeviceListHeaderTest, SortColumnIsDisabledAndHiddenColumnsStayListedUnticked)
{
    header().setSortColumnId(3, true);
    header().reactToMenuItem(4, 0);  // what choosing "Version" does
    ASSERT_FALSE(header().isColumnVisible(4));

    const auto menu = columnMenu();
    ASSERT_EQ(menu.size(), 5u);
    EXPECT_FALSE(menu[0].enabled) << "the sort column can't be hidden";
    EXPECT_TRUE(menu[0].ticked);
    EXPECT_EQ(menu[1].text, "Version");
    EXPECT_TRUE(menu[1].enabled);
    EXPECT_FALSE(menu[1].ticked);

    // The remaining columns still fill the width.
    EXPECT_NEAR(header().getTotalWidth(), list.table.getViewport()->getMaximumVisibleWidth(), 8);

    header().reactToMenuItem(4, 0);
    EXPECT_TRUE(header().isColumnVisible(4));
}

TEST_F(DeviceListHeaderTest, ClickingHeadersSortsOnlySortableColumns)
{
    UI_REQUIRE_DISPLAY();

    addDevice(context, device("b", "b", "10.0.0.2"));
    addDevice(context, device("a", "a", "10.0.0.10"));
    TestWindow window(list, 1100, 600);

    const auto clickColumn = [&](int id)
    {
        const auto area = header().getColumnPosition(header().getIndexOfColumnId(id, true));
        window.click(header(), area.getCentre());
        drainMessages();
    };

    for (int id : { 1, 5, 8 })
    {
        clickColumn(id);
        EXPECT_EQ(header().getSortColumnId(), 0) << id;
    }

    clickColumn(6);
    EXPECT_EQ(header().getSortColumnId(), 6);
    EXPECT_EQ(rowNames(list), juce::StringArray({ "b", "a" }));

    // The same header again reverses the order.
    clickColumn(6);
    EXPECT_FALSE(header().isSortedForwards());
    EXPECT_EQ(rowNames(list), juce::StringArray({ "a", "b" }));

    // Columns can't be resized or dragged by the user: a drag on a border changes nothing.
    const auto before = header().getColumnWidth(2);
    const auto border = header().getColumnPosition(1).getRight();
    const auto p = window.top().getLocalPoint(&header(), juce::Point<int>(border, 20));
    Mouse mouse(window);
    mouse.press(p);
    mouse.drag(p + juce::Point<int>(80, 0));
    mouse.release(p + juce::Point<int>(80, 0));
    EXPECT_EQ(header().getColumnWidth(2), before);
}

TEST_F(DeviceListHeaderTest, RightClickOnTheHeaderOpensTheColumnMenu)
{
    UI_REQUIRE_DISPLAY();

    TestWindow window(list, 1100, 600);
    window.click(header(), { 300, 20 }, juce::ModifierKeys::rightButtonModifier);
    EXPECT_TRUE(pumpUntil([] { return juce::PopupMenu::dismissAllActiveMenus(); }, 5000));
}
