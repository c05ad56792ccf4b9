// Sessions of the real program in its own X server, network namespace and home, with a simulated device of each
// family across veth pairs; read off the wire, its log, its settings file, its window's geometry and a few pixels.

#include "ProgramHarness.h"

#include "support/SimulatedDevice.h"
#include "support/WireTexts.h"

#include <gtest/gtest.h>

#include <csignal>

namespace
{
using Names = std::vector<std::string>;
// Natural order puts "Unit 9" before "Unit 10", plain text order after it.
const std::string jsonName = "Unit 10", veskName = "Unit 9", jsonMac = "02:00:00:00:00:0A", guest = "outlined badge",
                  plain = "no badge";
const juce::String jsonId = "02:00:00:00:00:0A-02:00:00:00:00:0B-80", veskId = "00:1A:2B:3C:4D:5E-80";
constexpr int width = 1200, height = 700;  // a first start's window
constexpr juce::uint32 lightBackground = 0xfffcf6, darkBackground = 0x131313, mint = 0x4fffaf, paleMint = 0xb8fdd9,
                     accent = 0x0680f9;
const juce::Point<int> margin { 8, 350 };  // left of the table

/** Moves and resizes the window; true once the program has taken the new place in. The server knows it at once,
    the program only once it has read the event: the footer's last button, drawn again at the new bottom-right
    corner, tells (where it draws, not the shades of edges that may fall a fraction of a pixel apart; the button
    beside it may still show the pointer that clicked it). */
bool moveResizeAndWait(ProgramSession& session, juce::Rectangle<int> place)
{
    const auto footerEnd = [&](juce::Rectangle<int> window)
    {
        const auto area = session.pixels({ window.getWidth() - 40, window.getHeight() - 30, 40, 30 });
        std::vector<bool> drawn;
        for (auto c : area)
            drawn.push_back(c != area.front());
        return drawn;
    };
    const auto before = footerEnd(session.geometry());
    session.moveResize(place);
    return session.until([&] { return session.geometry() == place && footerEnd(place) == before; });
}
} // namespace

TEST(ProgramSession, DevicesOfBothFamiliesAnswerTheTableAndLeaveWhenSilent)
{
    ProgramSession session;
    auto& veskHost = session.network.addHost();
    const auto veskIp = session.network.connect(veskHost).remoteAddress;  // the default route, where queries go
    auto& jsonHost = session.network.addHost();
    const auto jsonIp = session.network.connect(jsonHost, false).remoteAddress.toStdString();
    SimulatedDevice json(jsonHost, { jsonIp }), vesk(veskHost, { veskIp });
    constexpr int jsonPort = SimulatedDevice::jsonCommandPort, veskPort = SimulatedDevice::veskPort;

    // A TARN guest with a second interface, and a VESK device; each reports its Finder state.
    const auto jsonInfo = [&](bool finder)
    {
        auto text = wire::deviceInfo(jsonName, jsonIp,
                                     { wire::jsonNet(jsonIp, jsonMac),
                                       wire::jsonNet("192.168.7.20", "02:00:00:00:00:0B", true, "255.255.0.0",
                                                     "192.168.7.1", "192.168.7.8", "192.168.7.9") },
                                     R"("tarn":{"workspaceUUID":"w-1","isHost":false})");
        return finder ? text.replace(text.find("\"finder\":false"), 14, "\"finder\":true") : text;
    };
    wire::Vesk veskInfo;
    veskInfo.name = veskName;
    veskInfo.ip = veskInfo.host = veskIp.toStdString();
    const auto veskReply = [&](bool finder) { return wire::veskReply((veskInfo.finder = finder, veskInfo)); };

    json.announceEvery(1000, jsonInfo(false));
    auto program = session.start();
    ASSERT_TRUE(program != nullptr && session.waitForWindow()) << session.log();
    ASSERT_GT(session.waitForLog("New device! Name: Unit 10 - ID: " + jsonId + "\n", 20000), 0) << session.log();
    vesk.answerQueries(veskReply(false));  // after the JSON device, so the table holds it second
    ASSERT_GT(session.waitForLog("New device! Name: Unit 9 - ID: " + veskId + "\n", 20000), 0) << session.log();

    int rowsTop = 103;  // below the window's header and the table's; 161 with the filter row open
    const auto button = [&](int row) { return juce::Point<int>(width - 112, rowsTop + 50 * row + 25); };
    // The rows, top to bottom, read off the window alone (a click would send a Finder command), down to the first
    // Finder column without a button. A TARN badge is a pill 26 high amid the row: the line 12 below the row's top
    // runs along its top edge, above the name, grey where a guest's outline is, mint in a host's, blank without.
    // Each step below changes what they show, so a wait for the rows expected cannot pass on a screen not redrawn.
    const auto shows = [&](const Names& expected)
    {
        Names shown;
        return session.until([&]
        {
            shown.clear();
            for (int row = 0; row < 8 && session.pixel(button(row)) != lightBackground; ++row)
            {
                auto line = session.pixels({ 45, rowsTop + 50 * row + 12, 200, 1 });
                line.erase(std::unique(line.begin(), line.end()), line.end());  // each colour once per run
                bool grey = line.front() == lightBackground && line.back() == lightBackground;
                juce::String seen;
                for (auto c : line)
                    grey = grey && juce::Colour(c).getSaturation() < 0.1f, seen << " " << juce::String::toHexString(c);
                shown.push_back(line.size() == 1 && grey ? plain : grey ? guest : "line" + seen.toStdString());
            }
            return shown == expected;
        }) ? testing::AssertionSuccess() : testing::AssertionFailure() << "rows show " << testing::PrintToString(shown);
    };

    // The keyboard starts in the search box: keys typed before any click filter the table. A left or a right
    // click on a row (its menu shut again with Escape) leaves it there: Return opens and sends nothing, and the
    // next key still reaches the box ("0B" is in NET 2's MAC of the guest alone).
    EXPECT_TRUE(shows({ guest, plain }));
    session.type("0B");
    EXPECT_TRUE(shows({ guest }));
    for (const unsigned int mouseButton : { 1, 3 })
    {
        session.key("BackSpace");
        EXPECT_TRUE(shows({ guest, plain }));
        session.click({ 100, rowsTop + 25 }, mouseButton);
        if (mouseButton == 3)
            session.key("Escape");
        session.key("Return");
        session.type("B");
        EXPECT_TRUE(shows({ guest })) << "button " << mouseButton;
        EXPECT_EQ(session.pixel(margin), lightBackground) << "a dialog opened";
    }
    session.key("Control_L+a");
    session.key("BackSpace");
    EXPECT_TRUE(json.received(jsonPort).empty() && vesk.received(veskPort).empty());

    // Find, then Stop, on each row: the exact command to the right place, and the button follows the state the
    // device then reports. A message it sent before the change may still be on its way: one sent later counts.
    for (int row : { 0, 1 })
        for (bool on : { true, false })
        {
            auto& device = row == 0 ? json : vesk;
            const int port = row == 0 ? jsonPort : veskPort;
            const auto before = device.received(port).size();
            session.click(button(row));
            ASSERT_TRUE(session.until([&] { return device.received(port).size() > before; })) << "row " << row;
            const auto sent = device.received(port).back();
            EXPECT_EQ(wire::text(sent.bytes), row == 0 ? wire::action(jsonMac, 80, wire::finderParams(on))
                                                       : wire::text(wire::veskFinder(on)));
            EXPECT_EQ(sent.destination, row == 0 ? juce::String(wire::group) : veskIp);
            const double changed = juce::Time::getMillisecondCounterHiRes();
            row == 0 ? json.announceEvery(1000, jsonInfo(on)) : vesk.answerQueries(veskReply(on));
            EXPECT_TRUE(session.until([&]
            {
                return std::max(device.lastAnnouncementMs(), device.lastReplyMs()) > changed + 500
                       && session.pixel(button(row)) == (on ? paleMint : mint);
            })) << std::hex << session.pixel(button(row));
        }

    // NET 2's form (its edit button is the last thing drawn in the cell before the Finder column), by keyboard
    // alone. In DHCP mode the locked fields take no focus: it starts on Cancel, marked in the accent blue (seen in
    // a button's second column), and Shift+Tab reaches the mode. Left picks "Manual" and frees the fields for a new
    // address; Space goes back to DHCP, which locks them again, so two Tabs reach Apply and Return applies.
    juce::Point<int> edit { width - 126, rowsTop + 21 };
    while (edit.x > 500 && session.pixels({ edit.x, edit.y, 1, 8 }) == std::vector<juce::uint32>(8, lightBackground))
        --edit.x;
    session.click(edit + juce::Point<int>(-5, 4));
    ASSERT_TRUE(session.until([&] { return session.pixel(margin) != lightBackground; })) << "no form";
    const int buttonsY = (height - 434) / 2 + 389, cancelX = width / 2 - 154, applyX = width / 2 + 6;
    EXPECT_TRUE(session.until([&] { return session.pixel({ cancelX, buttonsY }) == accent; }));
    EXPECT_EQ(session.pixel({ applyX, buttonsY }), mint);
    for (const auto* keys : { "Shift_L+Tab", "Left", "Tab", "Control_L+a" })
        session.key(keys);
    session.type("192.168.7.77");
    for (const auto* keys : { "Shift_L+Tab", "space", "Tab", "Tab" })
        session.key(keys);
    EXPECT_TRUE(session.until([&] { return session.pixel({ applyX, buttonsY }) == accent; }));
    const auto commands = json.received(jsonPort).size();
    session.key("Return");
    ASSERT_TRUE(session.until([&] { return json.received(jsonPort).size() > commands; }));
    EXPECT_EQ(wire::text(json.received(jsonPort).back().bytes),
              wire::action(jsonMac, 80,
                           wire::networkParams("192.168.7.1", "192.168.7.8", "192.168.7.9",
                                               { false, jsonIp, "255.255.255.0" },
                                               { true, "192.168.7.77", "255.255.0.0" })));
    ASSERT_TRUE(session.until([&] { return session.pixel(margin) == lightBackground; })) << "the form stayed";

    // Search, in any case, anywhere in the shown texts: here in the MAC of NET 2. Return closes the about dialog
    // opened meanwhile, and the keyboard is back in the search box.
    const juce::Point<int> searchBox { width - 120, 37 }, filterButton { width - 245, 37 };
    session.click(searchBox);
    session.type("0");
    session.click({ width - 30, height - 14 });
    ASSERT_TRUE(session.until([&] { return session.pixel(margin) != lightBackground; })) << "no about dialog";
    session.key("Return");
    ASSERT_TRUE(session.until([&] { return session.pixel(margin) == lightBackground; })) << "Return left it open";
    session.type("B");
    EXPECT_TRUE(shows({ guest }));
    session.key("Control_L+a");
    session.key("BackSpace");
    EXPECT_TRUE(shows({ guest, plain }));

    // Sorting by name: ascending in natural order first, then descending.
    for (const auto& expected : { Names { plain, guest }, Names { guest, plain } })
    {
        session.click({ 100, rowsTop - 20 });
        EXPECT_TRUE(shows(expected));
    }

    // Only TARN units: the filter row's list opens over the table, takes a click on "BrelmTARN" and closes on a
    // click beside it.
    const auto listOpen = [&] { return session.pixel({ width - 220, 138 }) != lightBackground; };
    session.click(filterButton);  // which fills with the dark colour while its row is open
    EXPECT_TRUE(session.until([&] { return session.pixel(filterButton - juce::Point<int>(12, 0)) == darkBackground; }));
    session.click({ width - 120, 95 });
    EXPECT_TRUE(session.until(listOpen));
    session.click({ width - 120, 138 });
    session.click({ width / 2, height - 80 });
    EXPECT_TRUE(session.until([&] { return ! listOpen(); }));
    rowsTop = 161;
    EXPECT_TRUE(shows({ guest }));

    // The JSON device falls silent: it leaves 5 to 6 s after its last message, which a later fault could make 7.
    json.announceEvery(0, {});
    const double gone = session.waitForLog("Device timeout! Name: Unit 10 ID: " + jsonId + "\n", 15000);
    ASSERT_GT(gone, 0) << session.log();
    EXPECT_GE(gone - json.lastAnnouncementMs(), 4900.0);
    EXPECT_LE(gone - json.lastAnnouncementMs(), 6900.0);
    EXPECT_TRUE(shows({}));
    // Reading the table sent nothing: the devices heard the five commands above, no more.
    EXPECT_EQ(json.received(jsonPort).size() + vesk.received(veskPort).size(), 5u);

    // With no window manager to hold it to its size hints, the window keeps within 900 x 500 and 3600 x 2000 itself.
    using Place = juce::Rectangle<int>;
    for (const auto& [asked, kept] : { std::pair(Place(100, 100, 600, 300), Place(100, 100, 900, 500)),
                                       { Place(100, 100, 3800, 2300), Place(100, 100, 3600, 2000) } })
    {
        session.moveResize(asked);
        EXPECT_TRUE(session.until([&, kept = kept] { return session.geometry() == kept; }))
            << asked.toString() << " kept as " << session.geometry().toString();
    }
    EXPECT_TRUE(session.closeAndWait(*program)) << session.log();
}

TEST(ProgramSession, ThemeAndWindowSurviveARestartAndEachUserHasOneInstance)
{
    // Another user of the machine runs it too: that keeps nobody from an instance of their own.
    ProgramSession session;
    auto others = session.start({}, "other", 64123);
    ASSERT_TRUE(others != nullptr && session.waitForWindow()) << session.log("other");
    const auto othersWindow = session.window;
    auto program = session.start();
    ASSERT_TRUE(program != nullptr && session.waitForWindow(othersWindow)) << session.log();

    // The first start: light, in the middle of the 1400 x 900 screen.
    EXPECT_EQ(session.geometry(), juce::Rectangle<int>(100, 100, width, height));
    EXPECT_TRUE(session.until([&] { return session.pixel(margin) == lightBackground; }));
    session.click({ width - 54, height - 14 });  // the theme switch in the footer
    EXPECT_TRUE(session.until([&] { return session.pixel(margin) == darkBackground; }));
    // Moved, then ended as a logout, shutdown or kill ends it: it leaves as when its window is closed.
    const auto moveAndSignal = [&](ChildProcessHandle& process, juce::Rectangle<int> place, int signal)
    {
        return moveResizeAndWait(session, place) && ::kill(process.pid, signal) == 0
               && process.waitForExit(20000) == std::optional<int>(0);
    };
    ASSERT_TRUE(moveAndSignal(*program, { 40, 30, 1000, 600 }, SIGTERM)) << session.log();
    EXPECT_TRUE(session.settings().contains(R"(<VALUE name="darkMode" val="1"/>)")) << session.settings();
    EXPECT_TRUE(session.settings().contains(R"(<VALUE name="windowState" val="40 30 1000 600"/>)"));

    // An installer an earlier run left goes when the next start holds the lock; one that the running instance may
    // still fetch stays when a second start hands over.
    const auto leftover = session.file(".cache/BrelmDiscovery/setup_discovery_temp-left.exe"),
               fetching = session.file(".cache/BrelmDiscovery/setup_discovery_temp-now.exe");
    ASSERT_TRUE(leftover.create());
    // A window manager that places the window as it maps it finds the title, the place and the limits in its hints.
    session.manageWindows();
    program = session.start({}, "restart");
    ASSERT_TRUE(program != nullptr && session.waitForWindow(othersWindow)) << session.log("restart");
    EXPECT_EQ(session.describedAtMapping(session.window),
              "\"Brelm Discovery\" at 40,30 size 1000x600, min 900x500, max 3600x2000");
    EXPECT_EQ(session.geometry(), juce::Rectangle<int>(40, 30, 1000, 600));
    EXPECT_TRUE(session.until([&] { return session.pixel(margin) == darkBackground; }));
    EXPECT_TRUE(session.until([&] { return ! leftover.exists(); }));
    ASSERT_TRUE(fetching.create());

    // A second start asks that user's running instance to take the focus, and ends.
    for (const auto& [uid, own] : { std::pair(0, session.window), std::pair(64123, othersWindow) })
    {
        session.setFocus(0);
        EXPECT_EQ(session.start({}, "second", uid)->waitForExit(20000), std::optional<int>(0)) << session.log("second");
        EXPECT_TRUE(session.until([&, mine = own] { return session.focus() == mine; })) << uid;
    }
    EXPECT_EQ(session.mainWindows().size(), 2u);
    EXPECT_TRUE(fetching.existsAsFile());
    EXPECT_TRUE(moveAndSignal(*program, { 50, 40, 980, 580 }, SIGHUP)) << session.log("restart");
    EXPECT_TRUE(session.settings().contains(R"(<VALUE name="windowState" val="50 40 980 580"/>)"));
    session.window = othersWindow;
    EXPECT_TRUE(moveAndSignal(*others, { 60, 50, 1000, 600 }, SIGINT)) << session.log("other");
}

TEST(ProgramSession, ALostDisplayKeepsTheWindowStateAndNoDisplayEndsAStartAtOnce)
{
    // The X server ends under the program, as at a logout that sends no signal: it leaves with the place it showed.
    ProgramSession session;
    auto program = session.start();
    ASSERT_TRUE(program != nullptr && session.waitForWindow()) << session.log();
    ASSERT_TRUE(session.until([&] { return session.pixel(margin) == lightBackground; }));  // drawn: started
    ASSERT_TRUE(moveResizeAndWait(session, { 40, 30, 1000, 600 })) << session.log();
    session.endXServer();
    EXPECT_EQ(program->waitForExit(20000), std::optional<int>(1)) << session.log();
    EXPECT_TRUE(session.settings().contains(R"(<VALUE name="windowState" val="40 30 1000 600"/>)"))
        << session.settings();

    // Started with a display nobody serves, then with none named, it says so in one line and ends.
    for (const bool keepName : { true, false })
    {
        session.endXServer(keepName);
        const auto start = session.start({}, "no-display");
        EXPECT_EQ(start->waitForExit(20000), std::optional<int>(1)) << keepName;
        const auto log = session.log("no-display");
        EXPECT_TRUE(log.startsWith("No display can be opened") && ! log.trim().containsChar('\n')) << log;
    }
}
