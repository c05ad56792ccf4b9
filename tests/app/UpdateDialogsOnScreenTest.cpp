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
template <typename T>
T* findChildOf(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* found = dynamic_cast<T*>(child))
            return found;

    return nullptr;
}

// The updater wired into the real main layout, as the application wires it: dialogs on the layout's
// overlay, progress in its toast.
class UpdateDialogsOnScreenTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(server.start());
        applyTheme(0);

        context = std::make_unique<AppContext>();
        layout = std::make_unique<MainLayout>(context.get());
        layout->setBounds(0, 0, 1200, 700);
        toast = findChildOf<ToastOverlay>(*layout);
        overlay = findChildOf<CustomDialogOverlay>(*layout);
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
    }

    void TearDown() override
    {
        layout.reset();
        context.reset();
    }

    DialogButton* button(const juce::String& label)
    {
        for (auto* b : DialogOverlayTestAccess(*overlay).buttons())
            if (b->getAction().label == label)
                return b;

        return nullptr;
    }

    juce::String shownTitle() { return DialogOverlayTestAccess(*overlay).title().titleLabel.getText(); }
    juce::String shownDetail() { return DialogOverlayTestAccess(*overlay).detail().text; }

    HttpTestServer server;
    ScopedUserFolders folders;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MainLayout> layout;
    ToastOverlay* toast = nullptr;
    CustomDialogOverlay* overlay = nullptr;
    int quits = 0;
};
}  // namespace

TEST_F(UpdateDialogsOnScreenTest, OfferIsShownOnTheOverlayAndCancelCloses)
{
    server.addFile("manifest.json",
                   "{ \"version\": \"V1.01\", \"url\": { \"windows\": \"https://updates.example/app.exe\" } }");
    context->updater->checkForUpdateInBackground();

    ASSERT_TRUE(waitUntil([this] { return overlay->isVisible(); }));
    EXPECT_EQ(shownTitle(), "Update Available");
    EXPECT_TRUE(shownDetail().startsWith("There is a new version available (vV1.01).\n"));
    ASSERT_NE(button("Accept"), nullptr);
    ASSERT_NE(button("Cancel"), nullptr);

    button("Cancel")->triggerClick();
    ASSERT_TRUE(waitUntil([this] { return !overlay->isVisible(); }));
    ASSERT_TRUE(drainMessages());
    EXPECT_FALSE(toast->isVisible());
    EXPECT_FALSE(context->updater->isDownloading());
    EXPECT_EQ(server.requests(), juce::StringArray("/manifest.json"));
}

TEST_F(UpdateDialogsOnScreenTest, AcceptDownloadsWithAToastAndTheBackdropDiscards)
{
    juce::MemoryBlock installer(100000);
    installer.fillWith('z');
    server.addFile("app.exe", installer);

    UpdateDialogs::showUpdateAvailableDialog(*context, "2.0", server.url("/app.exe"));
    ASSERT_TRUE(overlay->isVisible());
    button("Accept")->triggerClick();

    ASSERT_TRUE(waitUntil([this] { return toast->isVisible(); }));
    EXPECT_TRUE(toast->text.startsWith("Downloading update... "));

    ASSERT_TRUE(waitUntil([this] { return overlay->isVisible() && shownTitle() == "Download Complete"; }));
    EXPECT_EQ(toast->text, "Downloading update... 98%");
    EXPECT_FALSE(toast->persistent);  // let go to fade out
    ASSERT_NE(button("Update now"), nullptr);
    ASSERT_NE(button("Update on exit"), nullptr);

    const auto file = server.scratchFolder().getChildFile("setup_discovery_temp.exe");
    ASSERT_EQ(file.getSize(), 100000);

    overlay->mouseDown(dialog_test::mouseAt(*overlay, { 3.0f, 3.0f }));
    EXPECT_FALSE(overlay->isVisible());
    EXPECT_FALSE(file.exists());
    EXPECT_FALSE(context->installOnExit);
    EXPECT_EQ(quits, 0);
}
