#include "TableTestSupport.h"

#include "ui/table/DeviceListHeader.h"
#include "ui/table/DeviceRowComparator.h"
#include "ui/table/NameCellComponent.h"

using namespace ui_test;

class AppContextTestAccess
{
public:
    static void deliver(AppContext& context, const tmx::DeviceEvent& event) { context.deviceChanged(event); }
};

namespace
{
class DeviceListRows : public TableFixture
{
protected:
    DeviceListRows() { list.setSize(1100, 700); }

    void search(const juce::String& text)
    {
        list.searchText = text;
        list.refreshRows();
    }

    // The header tells the table about a new sort order asynchronously.
    void sortBy(int columnId, bool forwards)
    {
        list.getHeader().setSortColumnId(columnId, forwards);
        drainMessages();
    }
};

juce::StringArray ids(DeviceListComponent& list)
{
    juce::StringArray result;
    for (const auto& row : list.getRows())
        result.add(row[Ids::id].toString());
    return result;
}

bool sameImage(const juce::Image& x, const juce::Image& y, juce::Rectangle<int> area)
{
    for (int py = area.getY(); py < area.getBottom(); ++py)
        for (int px = area.getX(); px < area.getRight(); ++px)
            if (x.getPixelAt(px, py) != y.getPixelAt(px, py))
                return false;
    return true;
}
} // namespace

TEST_F(DeviceListRows, RowsFollowTreeOrderUntilSorted)
{
    addDevice(context, device("c", "Charlie"));
    addDevice(context, device("a", "alpha"));
    addDevice(context, device("b", "Bravo"));

    EXPECT_EQ(ids(list), juce::StringArray({ "c", "a", "b" }));

    sortBy(2, true);
    EXPECT_EQ(ids(list), juce::StringArray({ "a", "b", "c" }));
}

TEST_F(DeviceListRows, SearchLooksAtExactlyTheSevenValues)
{
    DeviceDescription one = device("id-one", "Stage Left", "192.168.1.20", "10.0.0.7");
    one.model = "ORLA-8";
    one.version = "2.4.1";
    one.webAccess = "http://findme-web.local";
    one.net0.mac = "AA:BB:CC:00:11:22";
    one.net0.gateway = "172.16.99.1";
    one.net0.dns1 = "9.9.9.9";
    one.net1.mac = "DE:AD:BE:EF:00:01";
    one.net1.mask = "255.255.128.0";
    addDevice(context, one);

    DeviceDescription two = device("id-two", "Monitor Desk", "192.168.2.30");
    two.model = "GAVRO mini";
    two.version = "7.0";
    addDevice(context, two);

    // Each of the seven, compared lower-cased; a lower-case search finds an upper-case MAC.
    const std::pair<const char*, juce::StringArray> hits[] = {
        { "stage", { "id-one" } },        { "gavro", { "id-two" } },   { "2.4", { "id-one" } },
        { "192.168.1.", { "id-one" } },   { "aa:bb:cc", { "id-one" } }, { "10.0.0.7", { "id-one" } },
        { "de:ad:be:ef", { "id-one" } },  { "192.168.", { "id-one", "id-two" } },
    };
    for (const auto& [text, expected] : hits)
    {
        search(text);
        EXPECT_EQ(ids(list), expected) << text;
    }

    // Nothing else is searched: id, web address, port, mask, gateway, DNS.
    for (const char* text : { "id-one", "findme", "80", "255.255.128", "172.16.99", "9.9.9.9" })
    {
        search(text);
        EXPECT_EQ(list.getNumRows(), 0) << text;
    }

    search({});
    EXPECT_EQ(list.getNumRows(), 2);
}

TEST_F(DeviceListRows, TarnFilterAndSearchMustBothPass)
{
    auto tarnA = device("t1", "Hall A", "10.1.0.1");
    tarnA.isTarn = true;
    auto tarnB = device("t2", "Hall B", "10.2.0.1");
    tarnB.isTarn = true;
    addDevice(context, tarnA);
    addDevice(context, tarnB);
    addDevice(context, device("p", "Hall C", "10.1.0.3"));

    list.tarnOnly = true;
    list.refreshRows();
    EXPECT_EQ(ids(list), juce::StringArray({ "t1", "t2" }));

    search("10.1.");
    EXPECT_EQ(ids(list), juce::StringArray({ "t1" }));

    list.tarnOnly = false;
    list.refreshRows();
    EXPECT_EQ(ids(list), juce::StringArray({ "t1", "p" }));
}

TEST_F(DeviceListRows, AddressesSortNaturallyWithEmptyKeysAtTheStart)
{
    addDevice(context, device("ten", "x", "192.168.1.10"));
    addDevice(context, device("none", "x", ""));
    addDevice(context, device("nine", "x", "192.168.1.9"));
    addDevice(context, device("two", "x", "192.168.1.2", "10.0.0.1"));

    sortBy(6, true);
    EXPECT_EQ(ids(list), juce::StringArray({ "none", "two", "nine", "ten" }));

    sortBy(6, false);
    EXPECT_EQ(ids(list), juce::StringArray({ "ten", "nine", "two", "none" }));

    // NET 2: only one device has an address; the empty keys go last when descending.
    sortBy(7, false);
    EXPECT_EQ(ids(list)[0], "two");
}

TEST_F(DeviceListRows, NamesSortNaturallyIgnoringCase)
{
    addDevice(context, device("r10", "rack 10"));
    addDevice(context, device("r2", "Rack 2"));
    addDevice(context, device("r1", "RACK 1"));
    addDevice(context, device("b", "bay"));

    sortBy(2, true);
    EXPECT_EQ(rowNames(list), juce::StringArray({ "bay", "RACK 1", "Rack 2", "rack 10" }));
}

TEST_F(DeviceListRows, RowNumbersCountDisplayOrder)
{
    addDevice(context, device("z", "Zulu"));
    addDevice(context, device("a", "Alpha"));
    sortBy(2, true);

    // Column 1 of a display row draws that row's position, whatever device sits there.
    const auto paintNumberCell = [this](int row)
    {
        juce::Image image(juce::Image::ARGB, 25, 50, true);
        juce::Graphics g(image);
        list.paintCell(g, row, 1, 25, 50, false);
        return image;
    };
    const auto paintText = [](const juce::String& text)
    {
        juce::Image image(juce::Image::ARGB, 25, 50, true);
        juce::Graphics g(image);
        g.setColour(themeForeground);
        g.setFont(13.0f);
        g.drawText(text, 0, 0, 13, 50, juce::Justification::centredLeft, true);
        return image;
    };
    const auto same = [](const juce::Image& x, const juce::Image& y) { return sameImage(x, y, x.getBounds()); };

    EXPECT_TRUE(same(paintNumberCell(0), paintText("1")));
    EXPECT_TRUE(same(paintNumberCell(1), paintText("2")));
    EXPECT_FALSE(same(paintNumberCell(1), paintText("1")));

    // Outside the rows nothing is drawn.
    EXPECT_TRUE(same(paintNumberCell(2), juce::Image(juce::Image::ARGB, 25, 50, true)));
}

TEST_F(DeviceListRows, PropertyChangeRefreshesCellsButKeepsTheOrder)
{
    auto alpha = addDevice(context, device("a", "Alpha"));
    addDevice(context, device("b", "Bravo"));
    sortBy(2, true);
    ASSERT_EQ(ids(list), juce::StringArray({ "a", "b" }));

    alpha.setProperty(Ids::name, "Zulu", nullptr);

    EXPECT_EQ(ids(list), juce::StringArray({ "a", "b" })) << "no re-sort on a property change";
    auto* nameCell = dynamic_cast<NameCellComponent*>(list.table.getCellComponent(2, 0));
    ASSERT_NE(nameCell, nullptr);
    EXPECT_EQ(nameCell->name, "Zulu");

    // A property of an interface refreshes the NET cells the same way, still without re-sorting.
    alpha.getChildWithProperty(Ids::interfaceIndex, 0).setProperty(Ids::ip, "10.9.9.9", nullptr);
    EXPECT_EQ(ids(list), juce::StringArray({ "a", "b" }));

    // The next child change sorts again.
    addDevice(context, device("m", "Mike"));
    EXPECT_EQ(ids(list), juce::StringArray({ "b", "m", "a" }));
}

TEST_F(DeviceListRows, VersionChangeRepaintsItsRow)
{
    auto alpha = device("a", "Alpha");
    alpha.version = "1.0";
    auto node = addDevice(context, alpha);
    addDevice(context, device("b", "Bravo"));
    sortBy(2, false);  // Alpha shows in row 1, not where it sits in the tree

    // Buffered, the table keeps what it painted until a repaint asks for more, as a screen does.
    list.table.setBufferedToImage(true);
    const auto before = snapshot(list);
    node.setProperty(Ids::version, "2.0.17", nullptr);
    const auto after = snapshot(list);

    const auto versionCell = list.table.getCellPosition(4, 1, true);
    EXPECT_FALSE(sameImage(before, after, versionCell)) << "the old version stays on screen";
}

TEST_F(DeviceListRows, DeviceReportedDuringNet2SortOrSearchLandsInItsPlace)
{
    const auto report = [this](const char* id, const char* net2)
    {
        tmx::DeviceEvent event;
        event.info.id = id;
        event.info.name = id;
        event.info.networks[1].ip = net2;
        AppContextTestAccess::deliver(context, event);
    };
    report("b", "10.0.0.20");
    report("c", "10.0.0.30");

    sortBy(7, true);
    report("d", "10.0.0.100");
    EXPECT_EQ(ids(list), juce::StringArray({ "b", "c", "d" }));

    search("10.0.0.4");
    report("e", "10.0.0.45");
    EXPECT_EQ(ids(list), juce::StringArray({ "e" }));
}

TEST_F(DeviceListRows, AdditionsAndRemovalsRebuildAndResort)
{
    addDevice(context, device("b", "Bravo"));
    addDevice(context, device("d", "Delta"));
    sortBy(2, false);

    addDevice(context, device("c", "Charlie"));
    EXPECT_EQ(ids(list), juce::StringArray({ "d", "c", "b" }));

    auto deviceList = context.appState.getChildWithName(Ids::DeviceList);
    deviceList.removeChild(deviceList.getChildWithProperty(Ids::id, "c"), nullptr);
    EXPECT_EQ(ids(list), juce::StringArray({ "d", "b" }));

    // A search applies to new arrivals too.
    search("delta");
    addDevice(context, device("d2", "Delta Two"));
    addDevice(context, device("e", "Echo"));
    EXPECT_EQ(ids(list), juce::StringArray({ "d2", "d" }));

    // Refresh empties the list at once.
    deviceList.removeAllChildren(nullptr);
    EXPECT_EQ(list.getNumRows(), 0);
    EXPECT_EQ(list.table.getCellComponent(2, 0), nullptr);
}

TEST_F(DeviceListRows, EveryCellTheTableHoldsShowsCurrentValuesAlsoAfterScrolling)
{
    std::vector<juce::ValueTree> nodes;
    for (int i = 0; i < 40; ++i)
        nodes.push_back(addDevice(context, device(juce::String(i), "Unit " + juce::String(i))));

    for (int i = 0; i < 40; ++i)
        nodes[(size_t) i].setProperty(Ids::name, "Renamed " + juce::String(i), nullptr);

    const auto checkHeldCells = [this]
    {
        int held = 0;
        for (int row = 0; row < list.getNumRows(); ++row)
            if (auto* name = dynamic_cast<NameCellComponent*>(list.table.getCellComponent(2, row)))
            {
                ++held;
                EXPECT_EQ(name->name, "Renamed " + juce::String(row)) << row;
            }
        return held;
    };
    EXPECT_GT(checkHeldCells(), 5);

    // Rows that come into view take the values they got while out of view.
    list.table.scrollToEnsureRowIsOnscreen(39);
    ASSERT_NE(list.table.getCellComponent(2, 39), nullptr);
    EXPECT_GT(checkHeldCells(), 5);
    nodes[39].setProperty(Ids::name, "Last", nullptr);
    EXPECT_EQ(dynamic_cast<NameCellComponent*>(list.table.getCellComponent(2, 39))->name, "Last");
}
