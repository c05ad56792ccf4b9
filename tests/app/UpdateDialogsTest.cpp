#include "app/AppContext.h"
#include "app/AutoUpdater.h"
#include "app/MainLayout.h"
#include "app/UpdateDialogs.h"

#include "AutoUpdaterTestSupport.h"
#include "ShellTestSupport.h"
#include "support/HttpTestServer.h"
#include "ui/DialogTestSupport.h"

#include <gtest/gtest.h>

using updater_test::drainMessages;
using updater_test::waitUntil;

namespace
{
// The updater wired into the real main layout as the application wires it: its dialogs on the layout's
// overlay, its progress in the layout's toast, the quit replaced by a counter.
class UpdateDialogsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        applyTheme(0);

        context = std::make_unique<AppContext>();
        layout = std::make_unique<MainLayout>(context.get());
        layout->setBounds(0, 0, 1200, 700);
        toast = ui_test::childOfType<ToastOverlay>(*layout);
        overlay = ui_test::childOfType<CustomDialogOverlay>(*layout);
        ASSERT_NE(toast, nullptr);
        ASSERT_NE(overlay, nullptr);

        context->updater = std::make_unique<AutoUpdater>("1.00", server.url("/manifest.json"), "windows",
                                                         server.scratchFolder());
        auto& ctx = *context;
        context->updater->onUpdateAvailable = [&ctx](juce::String version, juce::String url) {
            UpdateDialogs::showUpdateAvailableDialog(ctx, version, url);
        };
        context->updater->onProgress = [&ctx](int percent) { UpdateDialogs::showDownloadProgress(ctx, percent); };
        context->updater->onDownloaded = [this, &ctx](juce::File file) {
            UpdateDialogs::showDownloadCompleteDialog(ctx, file, [this] { ++quits; });
        };

        record = server.scratchFolder().getChildFile("arguments.txt");
    }

    void TearDown() override
    {
        layout.reset();
        context.reset();
    }

    DialogOverlayTestAccess shown() { return DialogOverlayTestAccess(*overlay); }

    void click(const juce::String& label)
    {
        for (auto* b : shown().buttons())
            if (b->getAction().label == label)
            {
                b->triggerClick();
                return;
            }

        FAIL() << "no button " << label;
    }

    void clickBackdrop() { overlay->mouseDown(ui_test::leftClickOn(*overlay, { 3.0f, 3.0f })); }

    void expectButtons(const std::vector<DialogAction>& expected)
    {
        auto& buttons = shown().buttons();
        ASSERT_EQ(buttons.size(), static_cast<int>(expected.size()));

        for (size_t i = 0; i < expected.size(); ++i)
        {
            const auto& action = buttons[static_cast<int>(i)]->getAction();
            EXPECT_EQ(action.id, expected[i].id) << i;
            EXPECT_EQ(action.label, expected[i].label) << i;
            EXPECT_EQ(action.style, expected[i].style) << i;
        }
    }

    // Accepts the offer of an installer on the test server and waits for the download to be offered.
    void acceptAndDownload(const juce::String& path)
    {
        UpdateDialogs::showUpdateAvailableDialog(*context, "2.0", server.url(path));
        ASSERT_TRUE(overlay->isVisible());
        click("Accept");
        ASSERT_TRUE(waitUntil([this] { return overlay->isVisible() && shown().title().titleLabel.getText()
                                                                         == "Download Complete"; }));
    }

    void serveRecordingInstaller(const juce::String& name)
    {
        const auto staged = server.scratchFolder().getChildFile("staged.sh");
        updater_test::writeRecordingInstaller(staged, record);
        server.addFile(name, staged.loadFileAsString());
    }

    HttpTestServer server;
    ScopedUserFolders folders;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MainLayout> layout;
    ToastOverlay* toast = nullptr;
    CustomDialogOverlay* overlay = nullptr;
    juce::File record;
    int quits = 0;
};
}  // namespace

TEST_F(UpdateDialogsTest, NewerVersionIsOfferedAndCancelEndsIt)
{
    server.addFile("manifest.json",
                   "{ \"version\": \"1.00\", \"url\": { \"windows\": \"https://updates.example/app.exe\" } }");
    context->updater->checkForUpdate();
    ASSERT_TRUE(drainMessages());
    EXPECT_FALSE(overlay->isVisible());

    server.addFile("manifest.json",
                   "{ \"version\": \"V1.01\", \"url\": { \"windows\": \"https://updates.example/app.exe\" } }");
    context->updater->checkForUpdateInBackground();
    ASSERT_TRUE(waitUntil([this] { return overlay->isVisible(); }));

    EXPECT_EQ(shown().title().titleLabel.getText(), "Update Available");
    EXPECT_EQ(shown().title().icon.svgData, nullptr);
    EXPECT_TRUE(shown().message().getText().isEmpty());
    EXPECT_EQ(shown().detail().text,
              "There is a new version available (vV1.01).\nDo you want to update to the latest version?");
    EXPECT_FALSE(shown().linkRow().isVisible());
    EXPECT_EQ(shown().dismissId(), 0);
    expectButtons({ { 0, "Cancel", 1 }, { 1, "Accept", 0 } });

    click("Cancel");
    ASSERT_TRUE(waitUntil([this] { return !overlay->isVisible(); }));
    ASSERT_TRUE(drainMessages());
    EXPECT_FALSE(toast->isVisible());
    EXPECT_FALSE(context->updater->isDownloading());
    EXPECT_EQ(server.requests(), juce::StringArray({ "/manifest.json", "/manifest.json" }));
}

TEST_F(UpdateDialogsTest, AcceptDownloadsWithAToastThenAsksWhenToInstall)
{
    juce::MemoryBlock installer(100000);
    installer.fillWith('z');
    server.addFile("app.exe", installer);

    UpdateDialogs::showUpdateAvailableDialog(*context, "2.0", server.url("/app.exe"));
    click("Accept");
    ASSERT_TRUE(waitUntil([this] { return toast->isVisible(); }));
    EXPECT_TRUE(toast->getText().startsWith("Downloading update... "));

    ASSERT_TRUE(waitUntil([this] { return overlay->isVisible(); }));
    EXPECT_EQ(shown().title().titleLabel.getText(), "Download Complete");
    EXPECT_EQ(shown().detail().text, "The update has been downloaded successfully.\n"
                                     "Would you like to install it now or when you close the application?");
    EXPECT_FALSE(shown().linkRow().isVisible());
    EXPECT_EQ(shown().dismissId(), 0);
    expectButtons({ { 0, "Cancel", 1 }, { 2, "Update on exit", 0 }, { 1, "Update now", 0 } });

    // The last progress stays on the toast, which was let go to fade out.
    EXPECT_EQ(toast->getText(), "Downloading update... 98%");
    EXPECT_FALSE(toast->isPersistent());
    EXPECT_EQ(server.scratchFolder().getChildFile("setup_discovery_temp.exe").getSize(), 100000);
}

TEST_F(UpdateDialogsTest, UpdateNowStartsTheInstallerSilentlyAndQuits)
{
    serveRecordingInstaller("files/app.sh");
    acceptAndDownload("/files/app.sh");

    click("Update now");
    ASSERT_TRUE(waitUntil([this] { return quits == 1; }));
    EXPECT_FALSE(context->installOnExit);
    ASSERT_TRUE(waitUntil([this] { return record.existsAsFile(); }));
    EXPECT_EQ(record.loadFileAsString().trim(), "/SILENT");
}

TEST_F(UpdateDialogsTest, UpdateOnExitRunsTheInstallerOnceAtQuit)
{
    serveRecordingInstaller("app.sh");
    acceptAndDownload("/app.sh");
    const auto installer = server.scratchFolder().getChildFile("setup_discovery_temp.sh");

    click("Update on exit");
    ASSERT_TRUE(waitUntil([this] { return context->installOnExit; }));
    EXPECT_EQ(context->installerFile, installer);
    EXPECT_EQ(quits, 0);

    UpdateDialogs::startInstallerOnQuit(*context);
    ASSERT_TRUE(waitUntil([this] { return record.existsAsFile(); }));
    EXPECT_EQ(record.loadFileAsString().trim(), "/SILENT");
    EXPECT_TRUE(installer.existsAsFile());

    // A second quit request on the way out starts nothing more; neither does a stored file that has gone.
    record.deleteFile();
    UpdateDialogs::startInstallerOnQuit(*context);
    context->installOnExit = true;
    context->installerFile = server.scratchFolder().getChildFile("gone.sh");
    UpdateDialogs::startInstallerOnQuit(*context);
    ASSERT_TRUE(drainMessages());
    EXPECT_FALSE(record.existsAsFile());
}

TEST_F(UpdateDialogsTest, CancelOrBackdropDeletesTheDownload)
{
    server.addFile("app.exe", "MZ installer");
    const auto installer = server.scratchFolder().getChildFile("setup_discovery_temp.exe");

    for (const bool backdrop : { false, true })
    {
        acceptAndDownload("/app.exe");
        ASSERT_TRUE(installer.existsAsFile());

        if (backdrop)
            clickBackdrop();
        else
            click("Cancel");

        ASSERT_TRUE(waitUntil([this] { return !overlay->isVisible(); }));
        EXPECT_FALSE(installer.existsAsFile()) << "backdrop " << backdrop;
        EXPECT_FALSE(context->installOnExit);
        EXPECT_EQ(quits, 0);
    }
}

TEST_F(UpdateDialogsTest, FailedDownloadLeavesTheToastAndAsksNothing)
{
    juce::MemoryBlock data(5000);
    data.fillWith('y');
    server.addFile("app.exe", data);

    UpdateDialogs::showUpdateAvailableDialog(*context, "2.0", server.url("/truncated/app.exe"));
    click("Accept");
    ASSERT_TRUE(waitUntil([this] { return toast->isVisible(); }));
    ASSERT_TRUE(waitUntil([this] { return !context->updater->isDownloading(); }));
    ASSERT_TRUE(drainMessages());

    EXPECT_FALSE(overlay->isVisible());
    EXPECT_TRUE(toast->isPersistent());
    EXPECT_TRUE(toast->getText().startsWith("Downloading update... "));
}
