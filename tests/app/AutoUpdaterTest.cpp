#include "support/HttpTestServer.h"
#include "support/LogCapture.h"
#include "support/MessageLoopWait.h"
#include "support/Printers.h"
#include "support/TestNetwork.h"
#include "support/UserEnvironment.h"

#include "app/AppContext.h"
#include "app/AutoUpdater.h"
#include "app/UpdateDialogs.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <set>

namespace
{
std::string manifest(const std::string& version, const std::string& urls = R"({ "windows": "https://h/a.exe" })")
{
    return R"({ "version": )" + version + R"(, "url": )" + urls + " }";
}

// Stands in for an installer: appends its arguments, the descriptors a program it starts has (0 to 2, and 3 for
// the listing itself) and whether it leads a session of its own to "ran" in the folder above its own.
const std::string installerScript = "#!/bin/sh\ns=$(cut -d')' -f2 /proc/$$/stat | cut -d' ' -f5)\n"
                                    "echo \"$@\" $(ls /proc/self/fd) $([ $s = $$ ] && echo session) "
                                    ">> \"$(dirname \"$0\")/../ran\"\n";

void waitForInstallers() { while (::waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {} }

// The updater wired as the application wires it; the context's dialog and toast callbacks record what they show.
class AutoUpdaterTest : public ::testing::Test
{
protected:
    AutoUpdaterTest()
    {
        context.updater = std::make_unique<AutoUpdater>("1.00", server.url("/manifest"), "windows");
        context.updater->onProgress = [this](int percent) { UpdateDialogs::showDownloadProgress(context, percent); };
        context.updater->onDownloaded = [this](juce::File file)
        { UpdateDialogs::showDownloadCompleteDialog(context, file, [this] { ++quits; }); };
        context.showDialog = [this](auto& title, auto& message, auto& detail, auto& actions, int dismissId,
                                    auto callback, auto...)
        {
            shown.add(title + "|" + message + "|" + detail + "|" + juce::String(dismissId));
            for (const auto& action : actions)
                shown.getReference(shown.size() - 1) << "|" << action.id << " " << action.label << " " << action.style;
            choose = callback;
        };
        context.showToastPersistent = [this](auto& text, bool stays) { toasts.add(text + (stays ? " (stays)" : "")); };
        context.updateToastText = [this](auto& text) { toasts.add(text); };
        context.hideToast = [this] { toasts.add("(fades)"); };
    }

    // Accepts an offer of what the server answers at path and waits until the download is over.
    bool acceptDownloadOf(const juce::String& path, const HttpTestServer::Answer& answer)
    {
        server.serve(path, answer);
        shown.clear();
        toasts.clear();
        UpdateDialogs::showUpdateAvailableDialog(context, "2.0", server.url(path));
        choose(1);
        return pumpUntil([&] { return !context.updater->isDownloading(); }) && drain();
    }

    UserEnvironment folders;
    const juce::File downloads = folders.file("cache/BrelmDiscovery");
    HttpTestServer server;
    AppContext context;
    juce::StringArray shown, toasts;
    std::function<void(int)> choose;
    int quits = 0;
};
} // namespace

TEST_F(AutoUpdaterTest, OffersOnlyANewerVersionWithAnHttpsInstallerForThisPlatform)
{
    const struct { const char *platform, *version; int status; std::string body; const char* offer; } rows[] = {
        { "windows", "1.00", 200, manifest(R"("1.00")"), "" },
        { "windows", "1.00", 200, manifest(R"("V1.01")"), "V1.01 https://h/a.exe" },
        { "mac", "1.00", 200, manifest("2", R"({ "mac": "https://h/a.dmg" })"), "2 https://h/a.dmg" },
        { "windows", "1.00", 200, manifest("2", R"({ "windows": "http://h/a.exe" })"), "" },
        { "windows", "1.00", 404, manifest("2"), "" },
        { "windows", "1.00", 200, "<html>" + manifest("2") + "</html>", "" },
        { "linux", "1.00", 200, manifest("2"), "" },
        { "unsupported", "1.00", 200, manifest("2"), "" },
    };
    for (const auto& row : rows)
    {
        server.serve("/manifest", { row.status, row.body });
        juce::StringArray offers;
        auto updater = std::make_unique<AutoUpdater>(row.version, server.url("/manifest"), row.platform);
        updater->onUpdateAvailable = [&offers](juce::String offer, juce::String url) { offers.add(offer + " " + url); };
        updater->checkForUpdate();
        ASSERT_TRUE(drain());
        EXPECT_EQ(offers.joinIntoString(", "), row.offer) << row.platform << " " << row.body;
    }
    EXPECT_EQ(server.requests().size(), static_cast<int>(std::size(rows)) - 2);  // none for "linux", "unsupported"
}

TEST_F(AutoUpdaterTest, FailedOrEmptyDownloadsReportNothing)
{
    const std::string body(5000, 'x');
    server.serve("/folder/a.exe", { 200, body });
    const std::pair<const char*, HttpTestServer::Answer> answers[] = {
        { "/broken.exe", { 200, body, {}, 0, 100 } },  // hangs up half-way
        { "/empty.exe", { 200, "" } },
        { "/missing.exe", { 404, body } },
        { "/folder", { 301, "", server.url("/folder/a.exe") } },  // redirects lead only to https
    };
    for (const auto& [path, answer] : answers)
    {
        ASSERT_TRUE(acceptDownloadOf(path, answer));
        EXPECT_TRUE(shown.size() == 1 && toasts[0] == "Downloading update... 0% (stays)" && !toasts.contains("(fades)"))
            << path;
    }
    EXPECT_EQ(server.requests().joinIntoString(" "), "/broken.exe /empty.exe /missing.exe /folder");
}

TEST_F(AutoUpdaterTest, SlowServerDoesNotHoldTheMessageThread)
{
    // A download whose length the server does not give shows no progress, and completes.
    const std::string body(100000, 'x');
    ASSERT_TRUE(acceptDownloadOf("/unknown.exe", { 200, body, {}, 0, 0, false }));
    EXPECT_EQ(toasts.joinIntoString("|"), "Downloading update... 0% (stays)|(fades)");
    EXPECT_EQ(shown.size(), 2);
    choose(0);
    shown.clear();
    toasts.clear();

    // The installer's server sends half of it, then nothing for 20 s: its first 32 KiB block is written, and the
    // progress before it posted; the updater goes before that is handled, and what it posted goes with it.
    server.serve("/manifest", { 200, manifest("2"), {}, 20000 });
    server.serve("/a.exe", { 200, body, {}, 0, 20000 });
    const auto start = juce::Time::getMillisecondCounter();
    context.updater->checkForUpdateInBackground();
    UpdateDialogs::showUpdateAvailableDialog(context, "2.0", server.url("/a.exe"));
    choose(1);
    ASSERT_TRUE(waitFor([&]
    {
        const auto part = downloads.findChildFiles(juce::File::findFiles, false, "setup_discovery_temp-*");
        return server.requests().size() == 3 && part.size() == 1 && part[0].getSize() == 32768;
    }));
    context.updater.reset();
    EXPECT_LT(juce::Time::getMillisecondCounter() - start, 15000u);
    ASSERT_TRUE(drain());
    EXPECT_EQ(shown.size() + toasts.size(), 2);

    // Name lookups that never get an answer: the server hears the questions and stays silent. A quit still waits
    // about a second at most (curl alone holds it 10 s). Only where lookups reach nothing but that server.
    const auto setting = [](const char* file, const juce::String& key)
    {
        const auto text = "\n" + juce::File(file).loadFileAsString();
        return text.fromFirstOccurrenceOf("\n" + key, false, false).upToFirstOccurrenceOf("\n", false, false).trim();
    };
    const auto named = setting("/etc/resolv.conf", "nameserver"), nameserver = named.isEmpty() ? "127.0.0.1" : named;
    if (setting("/etc/nsswitch.conf", "hosts:").removeCharacters(" \t") != "filesdns" || nameserver.containsChar(':')
        || juce::File("/var/run/nscd/socket").exists())
        GTEST_SKIP() << "names are looked up by more than one IPv4 DNS server here";
    TestNetwork network;
    network.local().run("ip addr replace " + nameserver + "/32 dev lo");
    juce::DatagramSocket silent;
    ASSERT_TRUE(silent.bindToPort(53, nameserver));
    context.updater = std::make_unique<AutoUpdater>("1.00", "https://stalled.example/manifest", "windows");
    context.updater->checkForUpdateInBackground();
    UpdateDialogs::showUpdateAvailableDialog(context, "2.0", "https://stalled.example/b.exe");
    choose(1);
    std::set<int> askers;  // one port per lookup: the check's and the download's
    char query[512];
    juce::String from;
    for (int port = 0; askers.size() < 2 && silent.waitUntilReady(true, 10000) > 0;)
        if (silent.read(query, sizeof(query), false, from, port) > 0)
            askers.insert(port);
    ASSERT_EQ(askers.size(), 2u);
    const auto quit = juce::Time::getMillisecondCounter();
    context.updater.reset();
    EXPECT_LT(juce::Time::getMillisecondCounter() - quit, 5000u);
}

TEST_F(AutoUpdaterTest, InstallerStartsWithSilentSwitchAndNoShellNowOrOnceAtExit)
{
    const auto script = installerScript + "#" + std::string(99999 - installerScript.size(), 'x');  // 100000 bytes
    const juce::DatagramSocket held;  // not close-on-exec: inherited unless the start closes it
    const auto saved = [this](const juce::String& suffix)
    { return downloads.findChildFiles(juce::File::findFiles, false, "setup_discovery_temp-??????" + suffix); };

    // The file is named "setup_discovery_temp-", a part of its own and the address's suffix.
    ASSERT_TRUE(acceptDownloadOf("/files/", { 200, script }));
    EXPECT_EQ(shown[0], "Update Available||There is a new version available (v2.0).\n"
                        "Do you want to update to the latest version?|0|0 Cancel 1|1 Accept 0");
    EXPECT_EQ(shown[1], "Download Complete||The update has been downloaded successfully.\nWould you like to install "
                        "it now or when you close the application?|0|0 Cancel 1|2 Update on exit 0|1 Update now 0");
    EXPECT_EQ(toasts.joinIntoString("|"), "Downloading update... 0% (stays)|Downloading update... 0%|Downloading "
                                          "update... 32%|Downloading update... 65%|Downloading update... 98%|(fades)");
    EXPECT_EQ(saved(".tmp")[0].loadFileAsString().toStdString(), script);
    choose(0);  // also what a click beside the card reports
    EXPECT_TRUE(saved(".tmp").isEmpty());

    ASSERT_TRUE(acceptDownloadOf("/installer", { 200, script }));
    choose(2);
    waitForInstallers();
    const auto record = folders.file("cache/ran");
    EXPECT_TRUE(context.installOnExit && !record.exists());
    EXPECT_EQ(saved("installer"), juce::Array<juce::File> { context.installerFile });
    UpdateDialogs::startInstallerOnQuit(context);
    UpdateDialogs::startInstallerOnQuit(context);  // a second quit request on the way out
    waitForInstallers();
    EXPECT_EQ(record.loadFileAsString(), "/SILENT 0 1 2 3 session\n");

    // A file name that a shell would read as a second command, and another user's file where and as the
    // installer used to be saved: neither runs, and the planted one stays as it was.
    const juce::String name = "setup_discovery_temp.sh;$BRELM_INJECTED";
    ScopedEnvironment temporary("TMPDIR", folders.file("shared").getFullPathName());
    ScopedEnvironment variable("BRELM_INJECTED", folders.file("shared/injected").getFullPathName());
    for (const auto& planted : { folders.file("shared/" + name), folders.file("shared/injected") })
        ASSERT_TRUE(planted.create() && planted.replaceWithText(installerScript, false, false, "\n")
                    && planted.setExecutePermission(true));
    ASSERT_TRUE(acceptDownloadOf("/v.1/setup.1.sh;$BRELM_INJECTED", { 200, script }));
    choose(1);
    waitForInstallers();
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(record.loadFileAsString(), "/SILENT 0 1 2 3 session\n/SILENT 0 1 2 3 session\n");
    EXPECT_FALSE(folders.file("ran").exists());
    EXPECT_EQ(folders.file("shared/" + name).loadFileAsString().toStdString(), installerScript);

    // What the runs left behind, the two installers and a link of that name, goes at the next start's clean-up; the
    // link's target and other files stay.
    const auto notes = downloads.getChildFile("notes.txt");
    ASSERT_TRUE(notes.create() && folders.file("shared/injected").createSymbolicLink(
                                      downloads.getChildFile("setup_discovery_temp-link"), false));
    ASSERT_EQ(downloads.findChildFiles(juce::File::findFiles, false, "setup_discovery_temp-*").size(), 3);
    AutoUpdater::removeLeftoverInstallers();
    EXPECT_EQ(downloads.findChildFiles(juce::File::findFilesAndDirectories, false), juce::Array<juce::File> { notes });
    EXPECT_TRUE(folders.file("shared/injected").existsAsFile());
}

TEST_F(AutoUpdaterTest, RunsOnlyTheFileItWroteIntoFoldersNobodyElseCanChange)
{
    // Each download has a file of its own. Another file put in the place of the latest, of the same size and owner,
    // is not run: "Update now" only quits.
    ASSERT_TRUE(acceptDownloadOf("/a.sh", { 200, installerScript })
                && acceptDownloadOf("/a.sh", { 200, installerScript }));
    ASSERT_EQ(downloads.findChildFiles(juce::File::findFiles, false, "setup_discovery_temp-??????.sh").size(), 2);
    choose(2);
    const auto other = folders.file("other.sh");
    ASSERT_TRUE(other.replaceWithText(juce::String(installerScript).replace("/ran", "/bad"), false, false, "\n")
                && other.setExecutePermission(true) && other.moveFileTo(context.installerFile));
    choose(1);
    waitForInstallers();
    EXPECT_TRUE(quits == 1 && !folders.file("cache/bad").exists() && !folders.file("cache/ran").exists());

    // A download that cannot start, for a file name too long to be made, or under a folder above the cache folder that
    // others can write to (without the sticky bit): nothing is fetched, the log names the folder, the toast goes.
    for (const bool openAbove : { false, true })
    {
        ::chmod(folders.root.getFullPathName().toRawUTF8(), openAbove ? 0777 : 0700);
        LogCapture log;
        shown.clear();
        toasts.clear();
        const auto name = "/a." + std::string(openAbove ? 2 : 300, 'x');
        UpdateDialogs::showUpdateAvailableDialog(context, "2.0", server.url(name));
        choose(1);
        ASSERT_TRUE(drain());
        EXPECT_TRUE(!context.updater->isDownloading() && server.requests().size() == 2 && shown.size() == 1);
        EXPECT_EQ(toasts.joinIntoString("|"), juce::String("Downloading update... 0% (stays)|(fades)"));
        const auto folder = "\"" + (openAbove ? folders.root : downloads).getFullPathName() + "\"";
        EXPECT_TRUE(log.lines().size() == 1 && log.lines()[0].contains(folder)) << log.lines().joinIntoString("\n");
    }

    // Nor into a cache folder of another user's, even one that only they can enter.
    ::chmod(folders.root.getFullPathName().toRawUTF8(), 0700);
    ASSERT_EQ(::chown(downloads.getFullPathName().toRawUTF8(), 64123, 64123), 0);
    UpdateDialogs::showUpdateAvailableDialog(context, "2.0", server.url("/a.sh"));
    choose(1);
    EXPECT_TRUE(!context.updater->isDownloading() && server.requests().size() == 2);
}
