#include "app/AppContext.h"
#include "app/AutoUpdater.h"
#include "app/UpdateDialogs.h"

#include "AutoUpdaterTestSupport.h"
#include "ShellTestSupport.h"
#include "support/HttpTestServer.h"

#include <gtest/gtest.h>

#include <vector>

using updater_test::drainMessages;
using updater_test::waitUntil;

namespace
{
struct ShownDialog
{
    juce::String title, message, detailText;
    std::vector<DialogAction> actions;
    int dismissActionId = -1;
    std::function<void(int)> callback;
    IconSource icon;
    juce::String linkText, linkUrl;
};

const juce::String offerText = "There is a new version available (v%s).\nDo you want to update to the latest version?";
const juce::String completeText = "The update has been downloaded successfully.\n"
                                  "Would you like to install it now or when you close the application?";

// The context wired the way the application wires it, with the dialogs and toasts recorded instead of drawn.
class UpdateDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());

        context.showDialog = [this](const juce::String& title, const juce::String& message,
                                    const juce::String& detailText, const std::vector<DialogAction>& actions,
                                    int dismissActionId, std::function<void(int)> callback, IconSource icon,
                                    const juce::String& linkText, const juce::String& linkUrl) {
            dialogs.push_back(
                { title, message, detailText, actions, dismissActionId, std::move(callback), icon, linkText, linkUrl });
        };
        context.showToastPersistent = [this](const juce::String& text, bool persistent) {
            toasts.add((persistent ? "persistent: " : "transient: ") + text);
        };
        context.updateToastText = [this](const juce::String& text) { toasts.add("text: " + text); };
        context.hideToast = [this] { toasts.add("hide"); };

        context.updater = std::make_unique<AutoUpdater>("1.00", server.url("/manifest.json"), "windows",
                                                        server.scratchFolder());
        context.updater->onUpdateAvailable = [this](juce::String version, juce::String url) {
            UpdateDialogs::showUpdateAvailableDialog(context, version, url);
        };
        context.updater->onProgress = [this](int percent) { UpdateDialogs::showDownloadProgress(context, percent); };
        context.updater->onDownloaded = [this](juce::File file) {
            UpdateDialogs::showDownloadCompleteDialog(context, file, [this] { ++quits; });
        };

        record = server.scratchFolder().getChildFile("arguments.txt");
    }

    void TearDown() override { context.updater.reset(); }

    // Serves a recording script as the installer and accepts the offer of it.
    void acceptDownloadOf(const juce::String& path)
    {
        UpdateDialogs::showUpdateAvailableDialog(context, "2.0", server.url(path));
        ASSERT_EQ(dialogs.size(), 1u);
        dialogs[0].callback(UpdateDialogs::acceptId);
    }

    juce::File serveInstaller(const juce::String& name)
    {
        const auto staged = server.scratchFolder().getChildFile("staged.sh");
        updater_test::writeRecordingInstaller(staged, record);
        return server.addFile(name, staged.loadFileAsString());
    }

    void waitForCompleteDialog()
    {
        ASSERT_TRUE(waitUntil([this] { return dialogs.size() == 2; }));
        ASSERT_EQ(dialogs[1].title, "Download Complete");
    }

    HttpTestServer server;
    ScopedUserFolders folders;
    AppContext context;
    std::vector<ShownDialog> dialogs;
    juce::StringArray toasts;
    juce::File record;
    int quits = 0;
};

void expectActions(const std::vector<DialogAction>& actual, const std::vector<DialogAction>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());

    for (size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_EQ(actual[i].id, expected[i].id) << i;
        EXPECT_EQ(actual[i].label, expected[i].label) << i;
        EXPECT_EQ(actual[i].style, expected[i].style) << i;
    }
}
}  // namespace

TEST_F(UpdateDialogsTest, NewerManifestVersionAsksToUpdate)
{
    server.addFile("manifest.json",
                   "{ \"version\": \"1.00\", \"url\": { \"windows\": \"https://updates.example/app.exe\" } }");
    context.updater->checkForUpdate();
    ASSERT_TRUE(drainMessages());
    EXPECT_TRUE(dialogs.empty());

    server.addFile("manifest.json",
                   "{ \"version\": \"V1.01\", \"url\": { \"windows\": \"https://updates.example/app.exe\" } }");
    context.updater->checkForUpdateInBackground();
    ASSERT_TRUE(waitUntil([this] { return !dialogs.empty(); }));

    const auto& dialog = dialogs[0];
    EXPECT_EQ(dialog.title, "Update Available");
    EXPECT_TRUE(dialog.message.isEmpty());
    EXPECT_EQ(dialog.detailText, offerText.replace("%s", "V1.01"));
    EXPECT_TRUE(dialog.detailText.upToFirstOccurrenceOf("\n", false, false).endsWith("(vV1.01)."));
    expectActions(dialog.actions, { { 0, "Cancel", 1 }, { 1, "Accept", 0 } });
    EXPECT_EQ(dialog.dismissActionId, 0);
    EXPECT_EQ(dialog.icon.svgData, nullptr);
    EXPECT_EQ(dialog.icon.svgSize, 0);
    EXPECT_TRUE(dialog.linkText.isEmpty());
    EXPECT_TRUE(dialog.linkUrl.isEmpty());
}

TEST_F(UpdateDialogsTest, DecliningTheOfferDownloadsNothing)
{
    serveInstaller("app.sh");
    UpdateDialogs::showUpdateAvailableDialog(context, "2.0", server.url("/app.sh"));
    ASSERT_EQ(dialogs.size(), 1u);

    dialogs[0].callback(dialogs[0].dismissActionId);  // a backdrop click
    dialogs[0].callback(UpdateDialogs::cancelId);
    ASSERT_TRUE(drainMessages());

    EXPECT_TRUE(toasts.isEmpty());
    EXPECT_FALSE(context.updater->isDownloading());
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_EQ(dialogs.size(), 1u);
}

TEST_F(UpdateDialogsTest, AcceptShowsProgressThenOffersTheInstaller)
{
    juce::MemoryBlock big(100000);
    big.fillWith('x');
    server.addFile("big.exe", big);

    acceptDownloadOf("/big.exe");
    waitForCompleteDialog();

    EXPECT_EQ(toasts.joinIntoString("|"), juce::StringArray({ "persistent: Downloading update... 0%",
                                                              "text: Downloading update... 0%",
                                                              "text: Downloading update... 32%",
                                                              "text: Downloading update... 65%",
                                                              "text: Downloading update... 98%", "hide" })
                                              .joinIntoString("|"));

    const auto& dialog = dialogs[1];
    EXPECT_TRUE(dialog.message.isEmpty());
    EXPECT_EQ(dialog.detailText, completeText);
    expectActions(dialog.actions, { { 0, "Cancel", 1 }, { 2, "Update on exit", 0 }, { 1, "Update now", 0 } });
    EXPECT_EQ(dialog.dismissActionId, 0);
    EXPECT_EQ(dialog.icon.svgData, nullptr);
    EXPECT_TRUE(dialog.linkUrl.isEmpty());
    EXPECT_EQ(context.updater->getTargetFile().getSize(), 100000);
}

TEST_F(UpdateDialogsTest, UpdateNowStartsTheInstallerSilentlyAndQuits)
{
    serveInstaller("files/app.sh");
    acceptDownloadOf("/files/app.sh");
    waitForCompleteDialog();

    dialogs[1].callback(UpdateDialogs::updateNowId);

    EXPECT_EQ(quits, 1);
    EXPECT_FALSE(context.installOnExit);
    ASSERT_TRUE(waitUntil([this] { return record.existsAsFile(); }));
    EXPECT_EQ(record.loadFileAsString().trim(), "/SILENT");
}

TEST_F(UpdateDialogsTest, UpdateOnExitRunsTheInstallerOnceAtQuit)
{
    serveInstaller("app.sh");
    acceptDownloadOf("/app.sh");
    waitForCompleteDialog();
    const auto installer = server.scratchFolder().getChildFile("setup_discovery_temp.sh");

    dialogs[1].callback(UpdateDialogs::updateOnExitId);
    EXPECT_TRUE(context.installOnExit);
    EXPECT_EQ(context.installerFile, installer);
    EXPECT_EQ(quits, 0);

    UpdateDialogs::startInstallerOnQuit(context);
    ASSERT_TRUE(waitUntil([this] { return record.existsAsFile(); }));
    EXPECT_EQ(record.loadFileAsString().trim(), "/SILENT");
    EXPECT_TRUE(installer.existsAsFile());

    // A second quit request on the way out starts nothing more.
    record.deleteFile();
    UpdateDialogs::startInstallerOnQuit(context);
    EXPECT_FALSE(context.installOnExit);

    // Nothing stored, or a stored file that has gone: nothing to start.
    context.installOnExit = true;
    context.installerFile = server.scratchFolder().getChildFile("gone.sh");
    UpdateDialogs::startInstallerOnQuit(context);
    ASSERT_TRUE(drainMessages());
    EXPECT_FALSE(record.existsAsFile());
}

TEST_F(UpdateDialogsTest, CancelOrBackdropDeletesTheDownload)
{
    serveInstaller("app.sh");
    const auto installer = server.scratchFolder().getChildFile("setup_discovery_temp.sh");

    for (const bool backdrop : { false, true })
    {
        dialogs.clear();
        acceptDownloadOf("/app.sh");
        waitForCompleteDialog();
        ASSERT_TRUE(installer.existsAsFile());

        dialogs[1].callback(backdrop ? dialogs[1].dismissActionId : UpdateDialogs::cancelId);

        EXPECT_FALSE(installer.existsAsFile()) << "backdrop " << backdrop;
        EXPECT_FALSE(context.installOnExit);
        EXPECT_EQ(quits, 0);
    }
}

TEST_F(UpdateDialogsTest, FailedDownloadLeavesTheToastAndAsksNothing)
{
    juce::MemoryBlock data(5000);
    data.fillWith('y');
    server.addFile("app.exe", data);

    acceptDownloadOf("/truncated/app.exe");
    ASSERT_TRUE(waitUntil([this] { return !context.updater->isDownloading(); }));
    ASSERT_TRUE(drainMessages());

    EXPECT_EQ(dialogs.size(), 1u);
    EXPECT_FALSE(toasts.contains("hide"));
    // Whether a progress call came before the failure depends on timing; either way the text stays.
    ASSERT_FALSE(toasts.isEmpty());
    EXPECT_TRUE(toasts[toasts.size() - 1].contains(": Downloading update... "));
}

TEST_F(UpdateDialogsTest, MissingCallbacksAreSkipped)
{
    context.showDialog = nullptr;
    context.showToastPersistent = nullptr;
    context.hideToast = nullptr;
    context.updateToastText = nullptr;

    UpdateDialogs::showUpdateAvailableDialog(context, "2.0", "https://updates.example/app.exe");
    UpdateDialogs::showDownloadProgress(context, 50);
    UpdateDialogs::showDownloadCompleteDialog(context, juce::File(), nullptr);
    EXPECT_TRUE(dialogs.empty());
    EXPECT_TRUE(toasts.isEmpty());
}
