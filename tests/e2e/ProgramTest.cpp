#include "ProgramHarness.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>


#ifndef BRELM_PROGRAM_PATH
#error "BRELM_PROGRAM_PATH names the program under test"
#endif

namespace
{
const juce::String windowTitle = "Brelm Discovery";
constexpr juce::uint32 lightBackground = 0xfffcf6;
constexpr juce::uint32 darkBackground = 0x131313;

/** The real program on an X server of its own, with a home folder of its own. */
class ProgramTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(display.isOpen()) << "no Xvfb could be started";
        home.createDirectory();
        home.getChildFile("runtime").createDirectory();
        ASSERT_TRUE(varTmp.isReady()) << "no private /var/tmp";
    }

    void TearDown() override { home.deleteRecursively(); }

    /** Starts the program as this user, or as another one (see userHome) when a uid is given. */
    std::unique_ptr<ChildProcessHandle> start(const juce::StringArray& extraArguments = {},
                                              const juce::String& logName = "program", uid_t uid = 0)
    {
        const auto userFolder = uid == 0 ? home : userHome(uid);
        juce::StringPairArray env;
        env.set("HOME", userFolder.getFullPathName());
        env.set("XDG_RUNTIME_DIR", userFolder.getChildFile("runtime").getFullPathName());
        env.set("DISPLAY", display.name());
        env.set("PATH", "/usr/bin:/bin");
        auto args = varTmp.commandPrefix();
        if (uid != 0)
            args.addArray({ "/usr/bin/setpriv", "--reuid=" + juce::String(uid), "--regid=" + juce::String(uid),
                            "--clear-groups", "--" });
        args.add(BRELM_PROGRAM_PATH);
        args.addArray(extraArguments);
        return std::make_unique<ChildProcessHandle>(args, env, home.getChildFile(logName + ".log"));
    }

    /** A home and a 0700 runtime folder owned by an unprivileged uid, inside ours. */
    juce::File userHome(uid_t uid)
    {
        const auto folder = home.getChildFile("user" + juce::String(uid));
        const auto runtime = folder.getChildFile("runtime");
        if (!runtime.isDirectory() && runtime.createDirectory())
        {
            ::chmod(home.getFullPathName().toRawUTF8(), 0755);
            ::chmod(runtime.getFullPathName().toRawUTF8(), 0700);
            for (const auto& f : { folder, runtime })
                EXPECT_EQ(::chown(f.getFullPathName().toRawUTF8(), uid, uid), 0);
        }
        return folder;
    }

    juce::String log(const juce::String& logName = "program")
    {
        return home.getChildFile(logName + ".log").loadFileAsString();
    }

    /** Closes the window the way a window manager does and waits for the program to end. */
    void closeAndWait(ChildProcessHandle& program, unsigned long window, const juce::String& logName = "program")
    {
        // Only once it paints does it run its message loop and hear the close request.
        ASSERT_TRUE(waitFor([&] { return display.pixel(window, 8, 300) != 0xffffffffu
                                         && display.pixel(window, 8, 300) != 0; }, 20000));
        const auto code = display.closeAndWait(program, window);
        ASSERT_TRUE(code.has_value()) << "the program did not end after its window was closed\n"
                                        << log(logName) << program.threadStacks();
        EXPECT_EQ(*code, 0);
    }

    juce::String setting(const juce::String& key) { return settingUnder(home, key); }

    bool waitForPixel(unsigned long window, int x, int y, juce::uint32 colour)
    {
        return waitFor([&] { return display.pixel(window, x, y) == colour; }, 20000);
    }

    /** Rows of the table that show a mint button or badge, below the header. */
    int mintRows(unsigned long window)
    {
        const auto image = display.capture(window);
        int rows = 0;
        bool inRow = false;
        for (int y = 110; y < image.getHeight() - 40; ++y)
        {
            bool mint = false;
            for (int x = 20; x < image.getWidth() - 20 && !mint; ++x)
            {
                const auto c = image.getPixelAt(x, y);
                mint = c.getGreen() >= 200 && c.getGreen() - c.getRed() >= 40 && c.getGreen() - c.getBlue() >= 20;
            }
            if (mint && !inRow)
                ++rows;
            inRow = mint;
        }
        return rows;
    }

    juce::File home = juce::File::createTempFile("brelm-e2e-home");
    VirtualDisplay display;
    PrivateVarTmp varTmp;
};
} // namespace

TEST_F(ProgramTest, FirstStartOpensALightCentredWindowAndClosingSavesItsState)
{
    ASSERT_FALSE(settingsFileUnder(home).exists());
    auto program = start();
    const auto window = display.waitForWindow(windowTitle, 30000);
    ASSERT_TRUE(window.has_value()) << log();

    EXPECT_EQ(window->width, 1200);
    EXPECT_EQ(window->height, 700);
    EXPECT_EQ(window->x, 100);  // centred on the 1400 x 900 screen
    EXPECT_EQ(window->y, 100);
    EXPECT_TRUE(waitForPixel(window->id, 8, 350, lightBackground)) << std::hex << display.pixel(window->id, 8, 350);

    closeAndWait(*program, window->id);
    EXPECT_EQ(setting("windowState"), "100 100 1200 700");
    EXPECT_NE(setting("darkMode"), "1");
}

TEST_F(ProgramTest, SecondStartRestoresPositionSizeAndTheme)
{
    {
        auto program = start();
        const auto window = display.waitForWindow(windowTitle, 30000);
        ASSERT_TRUE(window.has_value()) << log();
        closeAndWait(*program, window->id);
    }
    ASSERT_EQ(setting("windowState"), "100 100 1200 700");

    // As if the user had moved and resized the window and chosen the dark theme in that session.
    auto xml = juce::parseXML(settingsFileUnder(home));
    ASSERT_NE(xml, nullptr);
    for (auto* value : xml->getChildWithTagNameIterator("VALUE"))
        if (value->getStringAttribute("name") == "windowState")
            value->setAttribute("val", "40 30 1000 600");
    auto* dark = xml->createNewChildElement("VALUE");
    dark->setAttribute("name", "darkMode");
    dark->setAttribute("val", "1");
    ASSERT_TRUE(xml->writeTo(settingsFileUnder(home)));

    auto program = start();
    const auto window = display.waitForWindow(windowTitle, 30000);
    ASSERT_TRUE(window.has_value()) << log();
    EXPECT_EQ(window->x, 40);
    EXPECT_EQ(window->y, 30);
    EXPECT_EQ(window->width, 1000);
    EXPECT_EQ(window->height, 600);
    EXPECT_TRUE(waitForPixel(window->id, 8, 300, darkBackground)) << std::hex << display.pixel(window->id, 8, 300);
    closeAndWait(*program, window->id);
    EXPECT_EQ(setting("windowState"), "40 30 1000 600");
    EXPECT_EQ(setting("darkMode"), "1");
}

TEST_F(ProgramTest, SecondStartHandsOverToThatUsersInstanceOnly)
{
    // Another user of the machine runs it first; that must not keep this user from their own instance.
    constexpr uid_t otherUser = 64123;
    auto others = start({}, "other", otherUser);
    const auto otherWindow = display.waitForWindow(windowTitle, 30000);
    ASSERT_TRUE(otherWindow.has_value()) << log("other");

    auto first = start({}, "first");
    ASSERT_TRUE(waitFor([&] { return display.findWindows(windowTitle).size() == 2; }, 30000))
        << "no instance of this user's own\n" << log("first");
    auto window = display.findWindows(windowTitle)[0];
    if (window.id == otherWindow->id)
        window = display.findWindows(windowTitle)[1];

    // Another program has the focus; a window manager would see the activation request on the root.
    const auto other = display.createFocusedWindow();
    ASSERT_TRUE(waitFor([&] { return display.focusedWindow() == other; }, 5000));
    display.watchRootMessages();
    const auto activated = [&](unsigned long id)
    {
        const auto requests = display.activationRequests();
        return std::find(requests.begin(), requests.end(), id) != requests.end();
    };

    auto second = start({ "--demo-devices" }, "second");
    const auto code = second->waitForExit(20000);
    ASSERT_TRUE(code.has_value()) << "the second process kept running";
    EXPECT_EQ(*code, 0);

    EXPECT_TRUE(waitFor([&] { return activated(window.id); }, 20000))
        << "no request to activate the first window\n" << log("first") << log("second");
    EXPECT_TRUE(waitFor([&] { return display.isSameOrAncestor(window.id, display.focusedWindow()); }, 20000))
        << "the first window did not take the focus";

    // The other user's second start reaches their instance, not this user's.
    auto othersSecond = start({}, "other-second", otherUser);
    const auto othersCode = othersSecond->waitForExit(20000);
    ASSERT_TRUE(othersCode.has_value()) << "the other user's second process kept running";
    EXPECT_EQ(*othersCode, 0);
    EXPECT_TRUE(waitFor([&] { return activated(otherWindow->id); }, 20000)) << log("other") << log("other-second");

    EXPECT_EQ(display.findWindows(windowTitle).size(), 2u);
    EXPECT_TRUE(first->isRunning());
    closeAndWait(*first, window.id, "first");
    closeAndWait(*others, otherWindow->id, "other");
}

TEST_F(ProgramTest, DemoDevicesSwitchShowsTheThreeDemonstrationDevices)
{
    {
        auto program = start({}, "plain");
        const auto window = display.waitForWindow(windowTitle, 30000);
        ASSERT_TRUE(window.has_value()) << log("plain");
        ASSERT_TRUE(waitForPixel(window->id, 8, 350, lightBackground));
        juce::Thread::sleep(500);  // let the table settle; nothing is expected in it
        EXPECT_EQ(mintRows(window->id), 0);
        closeAndWait(*program, window->id, "plain");
    }

    auto program = start({ "--demo-devices" }, "demo");
    const auto window = display.waitForWindow(windowTitle, 30000);
    ASSERT_TRUE(window.has_value()) << log("demo");
    // Each demonstration device's row carries its Find/Stop button.
    EXPECT_TRUE(waitFor([&] { return mintRows(window->id) == 3; }, 20000, 100)) << mintRows(window->id);
    closeAndWait(*program, window->id, "demo");
}
