#include "app/AutoUpdater.h"

#include "AutoUpdaterTestSupport.h"
#include "ShellTestSupport.h"
#include "support/HttpTestServer.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <atomic>
#include <memory>
#include <vector>

using updater_test::drainMessages;
using updater_test::waitUntil;

namespace
{
// Records every line written to the framework's logger while it is installed.
struct CapturingLogger : juce::Logger
{
    CapturingLogger() : previous(juce::Logger::getCurrentLogger()) { juce::Logger::setCurrentLogger(this); }
    ~CapturingLogger() override { juce::Logger::setCurrentLogger(previous); }
    void logMessage(const juce::String& message) override { lines.add(message); }

    juce::Logger* previous;
    juce::StringArray lines;
};

struct Offer
{
    juce::String version;
    juce::String url;
};

juce::String manifestWith(const juce::String& versionJson,
                          const juce::String& url = "https://updates.example/files/app.exe")
{
    return "{ \"version\": " + versionJson + ", \"url\": { \"windows\": \"" + url + "\" } }";
}

juce::MemoryBlock bytes(size_t size)
{
    juce::MemoryBlock block(size);

    for (size_t i = 0; i < size; ++i)
        static_cast<char*>(block.getData())[i] = static_cast<char>('a' + i % 26);

    return block;
}

class AutoUpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    std::unique_ptr<AutoUpdater> makeUpdater(const juce::String& currentVersion = "1.00",
                                             const juce::String& platform = "windows",
                                             const juce::String& manifestPath = "/manifest.json")
    {
        auto updater = std::make_unique<AutoUpdater>(currentVersion, server.url(manifestPath), platform,
                                                     server.scratchFolder());
        updater->onUpdateAvailable = [this](juce::String version, juce::String url) {
            offers.push_back({ version, url });
        };
        updater->onProgress = [this](int percent) { percents.push_back(percent); };
        updater->onDownloaded = [this](juce::File file) { downloads.push_back(file); };
        return updater;
    }

    // Serves the manifest, runs one check and delivers what it posted.
    void check(const juce::String& manifest, const juce::String& currentVersion = "1.00")
    {
        server.addFile("manifest.json", manifest);
        auto updater = makeUpdater(currentVersion);
        updater->checkForUpdate();
        ASSERT_TRUE(drainMessages());
    }

    // Starts a download and waits until its completion has been delivered (or it never started).
    void download(AutoUpdater& updater, const juce::String& url)
    {
        updater.downloadToTemp(url);
        ASSERT_TRUE(waitUntil([&] { return !updater.isDownloading(); }));
        ASSERT_TRUE(drainMessages());
    }

    juce::File scratch(const juce::String& name) const { return server.scratchFolder().getChildFile(name); }

    HttpTestServer server;
    std::vector<Offer> offers;
    std::vector<int> percents;
    std::vector<juce::File> downloads;
};
}  // namespace

TEST(AutoUpdaterVersion, LeadingVAndRevisionAreIgnored)
{
    EXPECT_FLOAT_EQ(AutoUpdater::versionNumber("V1.2r3"), 1.2f);
    EXPECT_FLOAT_EQ(AutoUpdater::versionNumber("vV2.5R9"), 2.5f);
    EXPECT_FLOAT_EQ(AutoUpdater::versionNumber("1.00"), 1.0f);
    EXPECT_LT(AutoUpdater::versionNumber("1.10"), AutoUpdater::versionNumber("1.9"));
    EXPECT_FLOAT_EQ(AutoUpdater::versionNumber("beta"), 0.0f);
}

TEST(AutoUpdaterFileName, SuffixComesFromTheInstallersFileName)
{
    const auto folder = juce::File("/tmp/updates");
    EXPECT_EQ(AutoUpdater::targetFileFor("https://h.example/files/app.exe", folder),
              folder.getChildFile("setup_discovery_temp.exe"));
    EXPECT_EQ(AutoUpdater::targetFileFor("https://h.example/files/installer", folder),
              folder.getChildFile("setup_discovery_tempinstaller"));
    EXPECT_EQ(AutoUpdater::targetFileFor("https://h.example/files/", folder),
              folder.getChildFile("setup_discovery_temp.tmp"));
    EXPECT_EQ(AutoUpdater::targetFileFor("https://h.example/a.b/setup.tar.gz", folder),
              folder.getChildFile("setup_discovery_temp.gz"));
}

TEST(AutoUpdaterDefaults, ManifestIsFetchedOverHttpsFromTheFixedPath)
{
    EXPECT_EQ(AutoUpdater::defaultManifestAddress(),
              juce::String("https://") + BRELM_WEB_HOST + "/images/downloads/software/package_discovery_last.json");
}

TEST_F(AutoUpdaterTest, OffersOnlyAHigherVersionNumber)
{
    check(manifestWith("\"1.00\""), "1.00");
    EXPECT_TRUE(offers.empty());

    check(manifestWith("\"1.10\""), "1.9");
    EXPECT_TRUE(offers.empty());

    check(manifestWith("\"V1.01\""), "1.00");
    ASSERT_EQ(offers.size(), 1u);
    EXPECT_EQ(offers[0].version, "V1.01");  // the manifest's text, unchanged
    EXPECT_EQ(offers[0].url, "https://updates.example/files/app.exe");

    check(manifestWith("\"2.0r5\""), "1.00");
    ASSERT_EQ(offers.size(), 2u);
    EXPECT_EQ(offers[1].version, "2.0r5");

    check(manifestWith("1.5"), "1.00");  // a number is read as text
    ASSERT_EQ(offers.size(), 3u);
    EXPECT_EQ(offers[2].version, "1.5");
}

TEST_F(AutoUpdaterTest, UnusableAnswersOfferNothingAndLogNothing)
{
    CapturingLogger logger;

    const juce::StringArray manifests {
        "",
        "<!DOCTYPE html><html><body>{\"version\": \"9.0\"}</body></html>",
        "[ { \"version\": \"9.0\" } ]",
        "{ \"version\": \"9.0\", ",
        "\"{\"",
        "{ \"version\": \"9.0\" }",
        "{ \"version\": \"9.0\", \"url\": { \"mac\": \"https://updates.example/app.dmg\" } }",
        "{ \"version\": \"9.0\", \"url\": \"https://updates.example/app.exe\" }",
        "{ \"version\": \"9.0\", \"url\": { \"windows\": 12 } }",
        // Plain HTTP could be swapped on the way; the file would be run silently.
        manifestWith("\"9.0\"", "http://updates.example/files/app.exe"),
    };

    for (const auto& manifest : manifests)
    {
        SCOPED_TRACE(manifest.toStdString());
        check(manifest);
        EXPECT_TRUE(offers.empty());
    }

    EXPECT_EQ(server.requests().size(), manifests.size());

    // No manifest at all: the server's own error page.
    server.removeFile("manifest.json");
    {
        auto updater = makeUpdater();
        updater->checkForUpdate();
    }

    // Nothing listening.
    {
        AutoUpdater updater("1.00", HttpTestServer::unreachableUrl("/manifest.json"), "windows",
                            server.scratchFolder());
        bool offered = false;
        updater.onUpdateAvailable = [&](juce::String, juce::String) { offered = true; };
        updater.checkForUpdate();
        ASSERT_TRUE(drainMessages());
        EXPECT_FALSE(offered);
    }

    ASSERT_TRUE(drainMessages());
    EXPECT_TRUE(offers.empty());
    EXPECT_TRUE(logger.lines.isEmpty()) << logger.lines.joinIntoString("\n");
}

TEST_F(AutoUpdaterTest, LinuxAndUnsupportedPlatformsDoNotAsk)
{
    server.addFile("manifest.json", manifestWith("\"9.0\""));

    for (const auto* platform : { "linux", "unsupported" })
    {
        auto updater = makeUpdater("1.00", platform);
        updater->checkForUpdate();
        updater->checkForUpdateInBackground();
    }

    ASSERT_TRUE(drainMessages());
    EXPECT_TRUE(offers.empty());
    EXPECT_TRUE(server.requests().isEmpty());

    // The same manifest is offered to the platform it names.
    auto updater = makeUpdater();
    updater->checkForUpdate();
    ASSERT_TRUE(drainMessages());
    EXPECT_EQ(offers.size(), 1u);
}

TEST_F(AutoUpdaterTest, QuitDuringASlowCheckDropsItsResult)
{
    server.addFile("manifest.json", manifestWith("\"9.0\""));
    const juce::String slowPath = "/slow/3000/manifest.json";

    // A second updater that stays alive shows when the server has answered both requests.
    auto survivor = makeUpdater("1.00", "windows", slowPath);
    auto victim = std::make_unique<AutoUpdater>("1.00", server.url(slowPath), "windows", server.scratchFolder());
    auto victimOffered = std::make_shared<std::atomic<bool>>(false);
    victim->onUpdateAvailable = [victimOffered](juce::String, juce::String) { *victimOffered = true; };

    victim->checkForUpdateInBackground();
    ASSERT_TRUE(waitUntil([&] { return server.requests().size() == 1; }));
    survivor->checkForUpdateInBackground();

    victim.reset();

    ASSERT_TRUE(waitUntil([&] { return !offers.empty(); }));
    ASSERT_TRUE(drainMessages());
    EXPECT_FALSE(victimOffered->load());

    // Gone before its thread even asked.
    auto early = makeUpdater();
    early->checkForUpdateInBackground();
    early.reset();
    ASSERT_TRUE(drainMessages());
}

TEST_F(AutoUpdaterTest, InstallerIsSavedUnderTheFixedName)
{
    auto updater = makeUpdater();

    server.addFile("files/app.exe", "MZ new installer");
    scratch("setup_discovery_temp.exe").replaceWithText("an older and much longer installer left from before");
    download(*updater, server.url("/files/app.exe"));
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0], scratch("setup_discovery_temp.exe"));
    EXPECT_EQ(updater->getTargetFile(), downloads[0]);
    EXPECT_EQ(downloads[0].loadFileAsString(), "MZ new installer");

    server.addFile("files/installer", "plain installer");
    download(*updater, server.url("/files/installer"));
    ASSERT_EQ(downloads.size(), 2u);
    EXPECT_EQ(downloads[1], scratch("setup_discovery_tempinstaller"));
    EXPECT_EQ(downloads[1].loadFileAsString(), "plain installer");

    server.addFile("files/index.html", "index page");
    download(*updater, server.url("/files/"));
    ASSERT_EQ(downloads.size(), 3u);
    EXPECT_EQ(downloads[2], scratch("setup_discovery_temp.tmp"));
    EXPECT_EQ(downloads[2].loadFileAsString(), "index page");
}

TEST_F(AutoUpdaterTest, ProgressIsATruncatedPercentOfAKnownLength)
{
    auto updater = makeUpdater();
    updater->progress(nullptr, 1, 200);
    updater->progress(nullptr, 199, 200);
    updater->progress(nullptr, 50, 0);
    updater->progress(nullptr, 50, -1);
    ASSERT_TRUE(drainMessages());
    EXPECT_EQ(percents, (std::vector<int> { 0, 99 }));

    // A real download reports before every 32 KiB block it reads.
    percents.clear();
    server.addFile("big.exe", bytes(100000));
    download(*updater, server.url("/big.exe"));
    EXPECT_EQ(percents, (std::vector<int> { 0, 32, 65, 98 }));
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0].getSize(), 100000);
}

TEST_F(AutoUpdaterTest, FailedOrEmptyDownloadsReportNothing)
{
    auto updater = makeUpdater();
    server.addFile("app.exe", bytes(1000));
    server.addFile("empty.exe", juce::MemoryBlock());

    download(*updater, server.url("/truncated/app.exe"));
    download(*updater, server.url("/empty.exe"));
    download(*updater, server.url("/missing.exe"));  // an error page is not an installer
    download(*updater, HttpTestServer::unreachableUrl("/app.exe"));
    server.addFile("folder/index.html", "MZ installer");
    download(*updater, server.url("/folder"));  // redirected, but not to https

    EXPECT_TRUE(downloads.empty());
    EXPECT_FALSE(updater->isDownloading());
    EXPECT_EQ(server.requests().joinIntoString(" "), "/truncated/app.exe /empty.exe /missing.exe /folder");
    EXPECT_FALSE(scratch("setup_discovery_temp.exe").exists());  // a broken transfer leaves nothing behind
}

TEST_F(AutoUpdaterTest, SlowServerDoesNotHoldTheMessageThread)
{
    server.addFile("app.exe", bytes(1000));
    auto updater = makeUpdater();

    // The server answers after 20 s; the download must start without waiting for it, and go with a quit.
    const auto start = juce::Time::getMillisecondCounter();
    updater->downloadToTemp(server.url("/slow/20000/app.exe"));
    EXPECT_LT(juce::Time::getMillisecondCounter() - start, 20000u);
    ASSERT_TRUE(waitUntil([&] { return server.requests().size() == 1; }));
    ASSERT_TRUE(drainMessages());
    EXPECT_TRUE(updater->isDownloading());
    updater.reset();
    EXPECT_LT(juce::Time::getMillisecondCounter() - start, 20000u);
}

TEST_F(AutoUpdaterTest, QuitDuringADownloadDropsItsProgress)
{
    server.addFile("app.exe", bytes(100000));
    auto updater = makeUpdater();

    updater->downloadToTemp(server.url("/stalled/app.exe"));
    ASSERT_TRUE(updater->isDownloading());
    updater.reset();

    ASSERT_TRUE(drainMessages());
    EXPECT_TRUE(percents.empty());
    EXPECT_TRUE(downloads.empty());
}

TEST_F(AutoUpdaterTest, InstallerStartsWithSilentSwitchAndNoShell)
{
    // The file's name ends in the address's, so a shell would run what "$BRELM_INJECTED" names.
    const auto injected = updater_test::writeRecordingInstaller(scratch("injected.sh"), scratch("injected.txt"));
    injected.setExecutePermission(true);
    ScopedEnvironment variable("BRELM_INJECTED", injected.getFullPathName());
    const auto record = scratch("arguments.txt");
    server.addFile("files/app.sh;$BRELM_INJECTED",
                   updater_test::writeRecordingInstaller(scratch("staged.sh"), record).loadFileAsString());

    auto updater = makeUpdater();
    download(*updater, server.url("/files/app.sh;$BRELM_INJECTED"));
    ASSERT_EQ(downloads.size(), 1u);

    const auto injectedRan = scratch("injected.txt");
    EXPECT_TRUE(AutoUpdater::startInstaller(downloads[0]));
    ASSERT_TRUE(waitUntil([&] { return record.existsAsFile() || injectedRan.existsAsFile(); }));
    EXPECT_FALSE(injectedRan.exists());
    EXPECT_EQ(record.loadFileAsString().trim(), "/SILENT");

    EXPECT_FALSE(AutoUpdater::startInstaller(scratch("gone.exe")));
}

TEST_F(AutoUpdaterTest, AFilePlantedInTheSharedTemporaryFolderIsNeverRun)
{
    // Another user's file, where and as the installer used to be saved.
    const auto shared = scratch("shared");
    ASSERT_TRUE(shared.createDirectory());
    ScopedEnvironment temporary("TMPDIR", shared.getFullPathName());
    ScopedEnvironment cache("XDG_CACHE_HOME", scratch("cache").getFullPathName());
    const auto planted = updater_test::writeRecordingInstaller(shared.getChildFile("setup_discovery_temp.sh"),
                                                               scratch("planted.txt"));
    const auto plantedText = planted.loadFileAsString();
    const auto record = scratch("arguments.txt");
    server.addFile("app.sh", updater_test::writeRecordingInstaller(scratch("staged.sh"), record).loadFileAsString());

    AutoUpdater updater("1.00", server.url("/manifest.json"), "windows");
    updater.onDownloaded = [this](juce::File file) { downloads.push_back(file); };
    download(updater, server.url("/app.sh"));
    ASSERT_EQ(downloads.size(), 1u);
    EXPECT_EQ(downloads[0].getFullPathName(),
              scratch("cache/BrelmDiscovery/setup_discovery_temp.sh").getFullPathName());
    struct stat info {};
    ASSERT_EQ(::stat(downloads[0].getParentDirectory().getFullPathName().toRawUTF8(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    EXPECT_TRUE(AutoUpdater::startInstaller(downloads[0]));
    ASSERT_TRUE(waitUntil([&] { return record.existsAsFile(); }));
    EXPECT_EQ(planted.loadFileAsString(), plantedText);
    EXPECT_FALSE(scratch("planted.txt").exists());
}
