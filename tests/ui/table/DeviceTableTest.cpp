// The device table as a user meets it in the window: rows from the state tree, the filter row, the search over
// exactly seven values, natural sorting by every sortable column both ways, the cells, the row and header menus.

#include "ui/UiTestSupport.h"

#include "ui/table/LinkCellComponent.h"
#include "ui/table/NetCellComponent.h"

using namespace ui_test;

#define BAD "\xEF\xBF\xBD"  // U+FFFD

namespace
{
using Names = juce::StringArray;

/** Whether a column the table draws (row number, model, version) shows this text in a 50-px cell: in the light
    theme's text colour, 13 or 17 px high, 12 px kept free on the right (which cuts "Vesk 8" short). */
bool shows(DeviceListComponent& table, int row, int column, const juce::String& text)
{
    juce::Image drawn(juce::Image::ARGB, 50, 50, true);
    juce::Graphics g(drawn);
    table.paintCell(g, row, column, 50, 50, false);
    return showsText(drawn, text, { 0, 0, 38, 50 }, 0xff131313, column == 1 ? 13.0f : 17.0f);
}

/** Whether a name cell's TARN badge reads this text: a pill 26 px high amid the row, 8 px after the name and 16 px
    wider than the text at 13 px, the text in ink in its middle, on mint (a host's) or on nothing (a guest's). */
bool badgeReads(NameCellComponent& cell, const juce::String& text, juce::uint32 fill)
{
    juce::Image drawn(juce::Image::ARGB, cell.getWidth(), cell.getHeight(), true);
    {
        juce::Graphics g(drawn);
        cell.paint(g);
    }
    const juce::Rectangle<float> badge(juce::Font(17.0f).getStringWidthFloat(cell.name) + 8.0f,
                                       (float) (cell.getHeight() - 26) / 2.0f,
                                       juce::Font(13.0f).getStringWidthFloat(text) + 16.0f, 26.0f);
    const auto middle = badge.reduced(8.0f, 4.0f).getSmallestIntegerContainer();  // clear of the pill's edge
    return showsText(drawn, text, middle, 0xff131313, 13.0f, fill, juce::Justification::centred, badge);
}

/** The items of the open popup menus, greyed ones too, as they draw themselves. */
std::vector<std::pair<juce::String, juce::Image>> menuItemPictures()
{
    std::vector<std::pair<juce::String, juce::Image>> pictures;
    std::function<void(juce::Component&)> collect = [&](juce::Component& c)
    {
        if (auto* item = c.getAccessibilityHandler(); item != nullptr && item->getTitle().isNotEmpty()
            && (item->getRole() == juce::AccessibilityRole::menuItem || item->getRole() == juce::AccessibilityRole::ignored))
            pictures.emplace_back(item->getTitle(), c.createComponentSnapshot(c.getLocalBounds()));
        for (auto* child : c.getChildren())
            collect(*child);
    };
    for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
        collect(*juce::Desktop::getInstance().getComponent(i));
    return pictures;
}

/** The columns of a picture from x on, this many. */
juce::Image columns(const juce::Image& picture, int x, int width)
{
    juce::Image part(juce::Image::ARGB, width, picture.getHeight(), true);
    juce::Graphics(part).drawImageAt(picture, -x, 0);
    return part;
}

/** Each pixel row of a component's own painting, top to bottom: 'i' where it shows ink (0xff131313, the light
    theme's text), else 'g' grey (0xff6f6f6f), else 'm' mint (0xff4fffaf), else '.'; faint edges count for nothing. */
std::string rowsOf(juce::Component& c)
{
    juce::Image picture(juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    juce::Graphics g(picture);
    c.paint(g);
    auto near = [](juce::Colour p, juce::Colour q) { return p.getAlpha() >= 64 && std::abs(p.getRed() - q.getRed())
        + std::abs(p.getGreen() - q.getGreen()) + std::abs(p.getBlue() - q.getBlue()) <= 12; };
    std::string rows((size_t) picture.getHeight(), '.');
    for (int y = 0; y < picture.getHeight(); ++y)
        for (const auto& [ink, mark] : { std::pair(0xff131313u, 'i'), { 0xff6f6f6fu, 'g' }, { 0xff4fffafu, 'm' } })
            for (int x = 0; x < picture.getWidth() && rows[(size_t) y] == '.'; ++x)
                rows[(size_t) y] = near(picture.getPixelAt(x, y), juce::Colour(ink)) ? mark : '.';
    return rows;
}
} // namespace

TEST(DeviceTableTest, FilterSearchSortCellsAndMenusShowTheStateTree)
{
    Program program({ "--no-such-switch", "--demo-devices" });  // anywhere on the command line
    const juce::String web = "http://web-only.example/$(id)`id`\"\\";  // shell characters, as a device may send
    EXPECT_EQ(program.footer.countText, "3 devices found");
    program.context.appState.getChildWithName(Ids::DeviceList).removeAllChildren(nullptr);
    auto rack = addDevice(program.context, "id-a", "Rack 10", "ORLA 4", "1.10.0",
                          { "192.168.1.10", "02:00:00:00:0A:01" }, { "", "02:00:00:00:0A:02" }, false, false, web);
    EXPECT_EQ(program.footer.countText, "1 device found");
    addDevice(program.context, "id-b", "rack 2", "GAVRO-2", "1.9.0", { "192.168.1.9", "02:00:00:00:0B:01" },
              { "10.0.0.20", "02:00:00:00:0B:02" }, true, true, "http://b.example");
    auto bay = addDevice(program.context, "id-c", "Bay", "Vesk 8", "1.9.5", { "0.0.0.0", "02:00:00:00:0C:01" },
                         { "172.16.0.3", "", true }, true, false);
    EXPECT_EQ(program.names(), Names({ "Rack 10", "rack 2", "Bay" }));
    program.drag(program.header.refreshButton, { 17, 17 }, { 0, 40 });  // a press dragged off Refresh is no click
    EXPECT_EQ(program.names().size(), 3);

    // The search box's text, trimmed and in any case, is looked for inside name, model, version and the address
    // and MAC of both interfaces; nothing else is searched. The count stays.
    const auto sala = juce::String::fromUTF8("Sala \xc3\x98 T\xc3\xa9" "cnica");  // letters beyond ASCII, either case
    auto visitor = addDevice(program.context, "id-d", sala, "M", "1", {}, {});
    const std::pair<const char*, Names> searches[] = { { "\xc3\xb8", { sala } }, { "T\xc3\x89" "CNICA", { sala } },
        { "  RACK ", { "Rack 10", "rack 2" } }, { "ack 1", { "Rack 10" } }, { "avro", { "rack 2" } },
        { "9.5", { "Bay" } }, { "168.1.9", { "rack 2" } }, { "0A:01", { "Rack 10" } }, { "16.0", { "Bay" } },
        { "0b:02", { "rack 2" } }, { "web-only", {} }, { "77.77", {} }, { "66.66", {} }, { "255.255", {} },
        { "id-", {} } };
    for (const auto& [text, expected] : searches)
    {
        program.header.searchBox.editor.setText(juce::String::fromUTF8(text), true);
        drain();
        EXPECT_EQ(program.names(), expected) << "search \"" << text << "\"";
    }
    visitor.getParent().removeChild(visitor, nullptr);
    EXPECT_EQ(program.footer.countText, "3 devices found");
    auto& searchBox = program.header.searchBox;
    EXPECT_TRUE(searchBox.clearButton.isVisible() && ! searchBox.searchIcon.isVisible());  // the cross, not the lens
    program.click(program.header.searchBox.clearButton);
    drain();
    EXPECT_EQ(program.names().size(), 3);
    EXPECT_TRUE(! searchBox.clearButton.isVisible() && searchBox.searchIcon.isVisible());

    // The filter row makes the header 58 px taller while open. Its box reads "All", or "BrelmTARN" while that option
    // keeps the TARN units only: 12 px into the box below the caption, 20 px kept for the arrow, at alpha 0.8.
    auto& filter = program.header.filterDropdown;
    const auto reads = [&](const char* text) { return showsText(program.header.createComponentSnapshot(
        filter.getBounds()), text, { 12, 18, 156, 30 }, 0xcc131313, 17.0f, 0xfffffcf6); };
    filter.setBufferedToImage(true);  // so a box not painted again keeps its old text
    program.click(program.header.filterButton);
    EXPECT_EQ(program.table.getY(), 121);
    program.click(filter);
    ASSERT_NE(filter.overlay, nullptr);
    // The option list: a 34-px row per option, 8 px below the box, as wide as it.
    const auto box = filter.getScreenBounds();
    EXPECT_EQ(filter.overlay->rows[0]->getScreenBounds(), box.withY(box.getBottom() + 8).withHeight(34));
    program.drag(*filter.overlay->rows[0], { 20, 17 }, { 0, 60 });  // a press dragged away toggles nothing
    EXPECT_EQ(program.names().size(), 3);
    program.click(*filter.overlay->rows[0]);
    EXPECT_EQ(program.names(), Names({ "rack 2", "Bay" }));
    EXPECT_TRUE(reads("BrelmTARN"));
    program.click(*filter.overlay->rows[0]);
    EXPECT_EQ(program.names().size(), 3);
    EXPECT_TRUE(reads("All"));
    program.click(program.footer);  // closes the option list
    drain();
    program.click(program.header.filterButton);
    EXPECT_EQ(program.table.getY(), 63);
    EXPECT_FALSE(filter.isVisible());

    // Each sortable column sorts naturally, without regard to case; a second click reverses.
    const std::pair<int, Names> sorts[] = { { 2, { "Bay", "rack 2", "Rack 10" } },
        { 3, { "rack 2", "Rack 10", "Bay" } }, { 4, { "rack 2", "Bay", "Rack 10" } },
        { 6, { "Bay", "rack 2", "Rack 10" } }, { 7, { "Rack 10", "rack 2", "Bay" } } };
    for (const auto& [column, ascending] : sorts)
    {
        program.clickColumn(column);
        EXPECT_EQ(program.names(), ascending) << "column " << column;
        program.clickColumn(column);
        EXPECT_EQ(program.names(), Names(ascending[2], ascending[1], ascending[0])) << "column " << column;
    }
    EXPECT_TRUE(shows(program.table, 2, 1, "3"));  // the row, not the device: "Rack 10" was added first
    EXPECT_TRUE(shows(program.table, 0, 3, "Vesk 8"));

    // New firmware shows at once: the row is painted again (the table keeps what it painted until then).
    program.table.table.setBufferedToImage(true);
    const auto versionCell = [&]
    { return program.table.createComponentSnapshot(program.table.table.getCellPosition(4, 0, true)); };
    const auto before = versionCell();
    bay.setProperty(Ids::version, "2.0.17", nullptr);
    EXPECT_FALSE(same(before, versionCell()));
    EXPECT_TRUE(shows(program.table, 0, 4, "2.0.17"));

    // NET cells: "---" for 0.0.0.0, "N/A" for no address, with the MAC in grey on a line below when there is one;
    // the pencil only where the address can be edited, which a TARN host's cannot.
    const std::tuple<const char*, int, const char*, bool, bool> cells[] = { { "Rack 10", 6, "192.168.1.10", 1, 1 },
        { "Rack 10", 7, "N/A", 0, 1 }, { "rack 2", 6, "192.168.1.9", 0, 1 }, { "Bay", 6, "---", 0, 1 },
        { "Bay", 7, "172.16.0.3", 1, 0 } };
    for (const auto& [name, column, text, pencil, mac] : cells)
    {
        auto* net = program.cell<NetCellComponent>(column, program.names().indexOf(name));
        EXPECT_EQ(net->text, text) << name << " " << column;
        EXPECT_EQ(net->editButton.isVisible(), pencil) << name << " " << column;
        const auto rows = rowsOf(*net);  // grey rows, all below the ink's
        EXPECT_EQ(rows.find('g') < rows.size() && rows.find('g') > rows.rfind('i'), mac) << name << " " << column;
    }
    // TARN badges along row 12, a 26-px pill's top edge amid the row: a host's mint, a guest's outlined in ink.
    for (const auto& [name, edge] : { std::pair("Rack 10", '.'), { "rack 2", 'm' }, { "Bay", 'i' } })
        EXPECT_EQ(rowsOf(*program.cell<NameCellComponent>(2, program.names().indexOf(name)))[12], edge) << name;
    // Their words: "HOST" on the host's, "GUEST" on the guest's.
    EXPECT_TRUE(badgeReads(*program.cell<NameCellComponent>(2, program.names().indexOf("rack 2")), "HOST", 0xff4fffaf));
    EXPECT_TRUE(badgeReads(*program.cell<NameCellComponent>(2, program.names().indexOf("Bay")), "GUEST", 0));
    // Any address that starts with "0" reads "---"; only a TARN unit that is its host has no pencil.
    auto rackNet2 = rack.getChildWithProperty(Ids::interfaceIndex, 1);
    rackNet2.setProperty(Ids::ip, "0.1.2.3", nullptr);
    rack.setProperty(Ids::isHost, true, nullptr);
    EXPECT_EQ(program.cell<NetCellComponent>(7, program.names().indexOf("Rack 10"))->text, "---");
    EXPECT_TRUE(program.cell<NetCellComponent>(6, program.names().indexOf("Rack 10"))->editButton.isVisible());
    rackNet2.setProperty(Ids::ip, "", nullptr);
    rack.setProperty(Ids::isHost, false, nullptr);
    // Rows are not filled; a grey line runs along each row's foot, stopping 20 px short of its right edge.
    juce::Image rowPicture(juce::Image::ARGB, 200, 50, true);
    {
        juce::Graphics g(rowPicture);
        program.table.paintRowBackground(g, 0, 200, 50, false);
    }
    EXPECT_EQ(rowPicture.getPixelAt(100, 25).getAlpha(), 0);
    const auto line = rowPicture.getPixelAt(170, 49);  // half the line's width, at alpha 0.5: a quarter
    const auto grey = [](juce::uint8 channel) { return std::abs(channel - 0x6f) <= 6; };
    EXPECT_TRUE(line.getAlpha() > 0 && grey(line.getRed()) && grey(line.getGreen()) && grey(line.getBlue()))
        << line.toString();
    EXPECT_EQ(rowPicture.getPixelAt(185, 49).getAlpha(), 0);

    // The web address: a right click copies it, a left click logs and opens it, escaped for the launcher.
    auto* link = program.cell<LinkCellComponent>(5, program.names().indexOf("Rack 10"));
    program.click(*link, { -1, -1 }, {}, juce::ModifierKeys::rightButtonModifier);
    EXPECT_EQ(juce::SystemClipboard::getTextFromClipboard(), web);
    EXPECT_EQ(program.toast.getText(), "Copied to clipboard!");
    program.click(*link);
    EXPECT_TRUE(pumpUntil([&] { return program.home.opened() == "http://web-only.example/%24(id)%60id%60%22%5C\n"; }));
    const auto log = [&] { return program.console.getDocument().getAllContent(); };

    // A right click on a row lists the web link, then one address per usable interface; on the header (no name),
    // the optional columns.
    std::map<juce::String, juce::Image> itemPictures;
    std::vector<int> itemHeights;
    const auto menuOf = [&](const char* name, const juce::String& press = {},
                            int button = juce::ModifierKeys::rightButtonModifier)
    {
        auto& table = program.table.table;  // the header is its top 40 px
        program.click(table, (name ? table.getCellPosition(3, program.names().indexOf(name), true)
                                   : juce::Rectangle(0, 0, 200, 40)).getCentre(), {}, button);
        itemPictures.clear();
        itemHeights.clear();
        for (const auto& [title, picture] : menuItemPictures())
            itemPictures[title] = picture, itemHeights.push_back(picture.getHeight());
        const auto items = Program::menuItems(press);
        juce::PopupMenu::dismissAllActiveMenus();
        pumpUntil([] { return Program::menuItems().isEmpty(); });
        return items;
    };
    EXPECT_EQ(menuOf("Rack 10"), Names(web, "https://192.168.1.10"));
    EXPECT_EQ(itemHeights, std::vector<int>(2, 34));
    EXPECT_EQ(menuOf("rack 2"), Names({ "http://b.example", "http://192.168.1.9/admin", "http://10.0.0.20/admin" }));
    EXPECT_EQ(menuOf("Bay"), Names({ "", "http://172.16.0.3" }));
    EXPECT_TRUE(menuOf("Bay", {}, juce::ModifierKeys::leftButtonModifier).isEmpty());
    // The header's: shown columns ticked, the sort column greyed; Model chosen hides, still listed, and comes back.
    EXPECT_EQ(menuOf(nullptr, "Model"), Names({ "Model (ticked)", "Version (ticked)", "Web access (ticked)",
                                                "NET 1 (ticked)", "NET 2 (ticked) (greyed)" }));
    EXPECT_EQ(itemHeights, std::vector<int>(5, 34));
    // Each of them draws a tick box in its first 36 px, the same for every ticked one; a greyed item's text is fainter.
    EXPECT_TRUE(same(columns(itemPictures["NET 1"], 0, 32), columns(itemPictures["Version"], 0, 32)));
    EXPECT_FALSE(same(columns(itemPictures["NET 1"], 36, 30), columns(itemPictures["NET 2"], 36, 30)));
    EXPECT_EQ(menuOf(nullptr, "Model")[0], "Model");
    EXPECT_EQ(menuOf(nullptr)[0], "Model (ticked)");
    EXPECT_TRUE(program.table.table.getHeader().isColumnVisible(3));

    // From the cell and the menu, only http(s) addresses reach the launcher, host:port as http; the rest is logged.
    // Invisible characters (space and line separators, format characters) are refused like white space; a line
    // break in a link stays inside its one log line, shown as U+FFFD (the third text: how the line ends then).
    auto launched = program.home.opened();
    const auto lastLine = [&] { return log().trimEnd().fromLastOccurrenceOf("\n", false, false); };
    struct Link { const char* text; const char* address; const char* logged = nullptr; };
    const Link links[] = { { "--gpu-launcher=touch /tmp/x", nullptr }, { "-x", nullptr },
        { "file:///etc/passwd", nullptr }, { "javascript:alert(1)", nullptr }, { "mailto:a@b.example", nullptr },
        { "http://a.example/ x", nullptr }, { "http://a.example/\x01", nullptr, "http://a.example/" BAD },
        { "http://a.example/\nLaunching http://b.example", nullptr,
          "http://a.example/" BAD "Launching http://b.example" },
        { "http://a.example/\rx", nullptr, "http://a.example/" BAD "x" },
        { "http://a\xE2\x80\xA8.example", nullptr, "http://a" BAD ".example" },  // U+2028, U+2029
        { "http://a\xE2\x80\xA9.example", nullptr, "http://a" BAD ".example" },
        { "http://a\xC2\xA0.example", nullptr }, { "http://a\xE3\x80\x80.example", nullptr },  // U+00A0, U+3000
        { "http://a\xE2\x80\x8B.example", nullptr }, { "http://a\xE2\x80\x8C.example", nullptr },  // U+200B..D
        { "http://a\xE2\x80\x8D.example", nullptr }, { "http://a\xE2\x81\xA0.example", nullptr },  // U+2060
        { "http://a\xEF\xBB\xBF.example", nullptr }, { "http://a\xF3\xA0\x81\x81.example", nullptr },  // U+FEFF
        { "http://b\xC3\xBC\xE2\x80\x90.example/", "http://b\xC3\xBC\xE2\x80\x90.example/" },  // U+00FC, U+2010
        { "192.168.1.20:80", "http://192.168.1.20:80" }, { "HTTPS://c.example:8443/", "HTTPS://c.example:8443/" } };
    for (const auto& [text, address, logged] : links)
    {
        const auto value = juce::String::fromUTF8(text);
        rack.setProperty(Ids::webAccess, value, nullptr);
        program.click(*program.cell<LinkCellComponent>(5, program.names().indexOf("Rack 10")));
        launched += address != nullptr ? juce::String::fromUTF8(address) + "\n" : "";
        EXPECT_TRUE(pumpUntil([&, tail = logged != nullptr ? juce::String::fromUTF8(logged) : value,
                               opens = address != nullptr]
        {
            return program.home.opened() == launched && lastLine().endsWith(tail)
                   && lastLine().startsWith(opens ? "Launching " : "Link not opened! ");
        })) << value;
    }
    rack.setProperty(Ids::webAccess, "-x", nullptr);
    menuOf("Rack 10", "-x");
    EXPECT_TRUE(pumpUntil([&] { return lastLine() == "Link not opened! Starts with '-': -x"; }));
    menuOf("Rack 10", "https://192.168.1.10");
    EXPECT_TRUE(pumpUntil([&] { return program.home.opened() == launched + "https://192.168.1.10\n"; }));
}

// The table lays rows out (a scroll) while devices that left wait for the rows to be rebuilt: every row keeps its
// cells, and a right click on a row whose device left opens no menu, neither its nor another device's.
TEST(DeviceTableTest, RowsLaidOutBeforeARebuildKeepTheirCellsAndDevices)
{
    Program program;
    auto list = program.context.appState.getChildWithName(Ids::DeviceList);
    for (int i = 0; i < 100; ++i)
        addDevice(program.context, "id-" + juce::String(i), "Device " + juce::String(i), "M", "1",
                  { "10.1.0." + juce::String(i + 1) }, {}, false, false, "http://device-" + juce::String(i));
    drain();
    auto& view = *program.table.table.getViewport();
    view.setViewPosition(0, 5000);  // the last rows
    drain();
    for (int i = 0; i < 20; ++i)
        list.removeChild(0, nullptr);
    view.setViewPosition(0, view.getViewPositionY() - 50);  // one row up
    drain();
    const auto row = [&view](int pixel) { return (view.getViewPositionY() + pixel) / 50; };
    for (int r = row(0); r <= row(view.getViewHeight() - 1); ++r)
        for (int column : { 2, 5, 6, 7, 8 })
            EXPECT_NE(program.table.table.getCellComponent(column, r), nullptr) << "row " << r << ", column " << column;
    list.removeChild(row(0) + 2, nullptr);
    program.click(program.table.table, program.table.table.getCellPosition(3, row(0) + 2, true).getCentre(), {},
                  juce::ModifierKeys::rightButtonModifier);
    EXPECT_EQ(Program::menuItems(), Names());
}
