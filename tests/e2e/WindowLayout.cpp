#include "WindowLayout.h"

namespace
{
struct Column
{
    int id;
    const char* title;
    int width, minimum, maximum, flags;
};

constexpr int visible = juce::TableHeaderComponent::visible;
constexpr int onMenu = juce::TableHeaderComponent::appearsOnColumnMenu;
constexpr int sortable = juce::TableHeaderComponent::sortable;

const Column tableColumns[] = {
    { 1, "", 25, 25, 25, visible },
    { 2, "Device name", 200, 100, -1, visible | sortable },
    { 3, "Model", 100, 75, -1, visible | onMenu | sortable },
    { 4, "Version", 100, 75, -1, visible | onMenu | sortable },
    { 5, "Web access", 200, 150, -1, visible | onMenu },
    { 6, "NET 1", 150, 150, -1, visible | onMenu | sortable },
    { 7, "NET 2", 150, 150, -1, visible | onMenu | sortable },
    { 8, "", 100, 100, 100, visible },
};
} // namespace

WindowLayout::WindowLayout(int windowWidth, int windowHeight, bool filterRowOpen, bool consoleShown,
                           const std::vector<int>& columnToggles)
    : width(windowWidth), height(windowHeight), headerHeight(filterRowOpen ? 93 : 35)
{
    const int contentBottom = height - 28 - 20;
    const int top = 20 + headerHeight + 8;
    const int bottom = consoleShown ? contentBottom - 150 - 4 - 12 - 4 : contentBottom;
    table = { 20, top, width - 40, bottom - top };

    // The framework's own stretching, on a header with the program's columns.
    juce::TableHeaderComponent header;
    for (const auto& c : tableColumns)
        header.addColumn(c.title, c.id, c.width, c.minimum, c.maximum, c.flags);
    header.setStretchToFitActive(true);
    header.setSize(table.getWidth(), 40);
    header.resizeAllColumnsToFit(table.getWidth());
    for (int id : columnToggles)
        header.setColumnVisible(id, !header.isColumnVisible(id));

    for (int i = 0; i < header.getNumColumns(true); ++i)
    {
        const auto id = header.getColumnIdOfIndex(i, true);
        const auto r = header.getColumnPosition(i);
        columns[id] = { table.getX() + r.getX(), table.getX() + r.getRight() };
    }
}

juce::Rectangle<int> WindowLayout::cell(int row, int columnId) const
{
    const auto range = columns.at(columnId);
    return { range.getStart(), rowTop(row), range.getLength(), 50 };
}

juce::Rectangle<int> WindowLayout::headerCell(int columnId) const
{
    const auto range = columns.at(columnId);
    return { range.getStart(), table.getY(), range.getLength(), 40 };
}

juce::Point<int> WindowLayout::findButton(int row) const
{
    const auto c = cell(row, 8);
    return { c.getRight() - 20 - 40, c.getY() + 25 };
}

juce::Rectangle<int> WindowLayout::findButtonFill(int row) const
{
    const auto c = cell(row, 8);
    return { c.getRight() - 20 - 76, c.getY() + 12, 8, 26 };
}

juce::Rectangle<int> WindowLayout::console() const
{
    const int bottom = height - 28 - 20;
    return { 20, bottom - 150, width - 40, 150 };
}

juce::Rectangle<int> WindowLayout::formCard() const
{
    // Title 30, message line 6 + 20.4, six rows of 44 after 20, buttons 30 after 20, insets of 30.
    const int cardHeight = static_cast<int>(30 + 30 + 20 + 30 + 30 + 6 + 20.4 + 20 + 6 * 44);
    const int cardWidth = 500;
    return { (width - cardWidth) / 2, (height - cardHeight) / 2, cardWidth, cardHeight };
}

juce::Rectangle<int> WindowLayout::formTitle() const
{
    const auto card = formCard();
    return { card.getX() + 30, card.getY() + 30, card.getWidth() - 60, 30 };
}

juce::Point<int> WindowLayout::formSegment(int index) const
{
    const auto card = formCard();
    const int formTop = card.getY() + 30 + 30 + 6 + 20 + 20;
    const int controlX = card.getX() + 30 + 140;
    const int controlWidth = card.getWidth() - 60 - 140;
    return { controlX + controlWidth / 4 + index * controlWidth / 2, formTop + 17 };
}

juce::Point<int> WindowLayout::formField(int row) const
{
    const auto card = formCard();
    const int formTop = card.getY() + 30 + 30 + 6 + 20 + 20;
    return { card.getX() + 30 + 140 + 60, formTop + 44 * row + 17 };
}

juce::Point<int> WindowLayout::formButton(int index) const
{
    const auto card = formCard();
    const int centre = card.getX() + card.getWidth() / 2;
    return { centre - 80 + 160 * index, card.getBottom() - 30 - 15 };
}
