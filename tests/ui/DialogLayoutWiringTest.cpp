#include "DialogTestSupport.h"

#include "app/AppContext.h"
#include "app/MainLayout.h"
#include "app/ShellTestSupport.h"
#include "ui/ToastOverlay.h"
#include "ui/dialogs/CustomDialogOverlay.h"

using ui_test::leftClickOn;

namespace
{
template <typename T>
T* findChild(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* found = dynamic_cast<T*>(child))
            return found;
    return nullptr;
}

/** The main layout with its toast and dialog overlay, reached only through AppContext's callbacks. */
struct DialogLayoutFixture : ::testing::Test
{
    void SetUp() override
    {
        applyTheme(0);
        layout = std::make_unique<MainLayout>(context.get());
        layout->setBounds(0, 0, 1200, 700);
        toast = findChild<ToastOverlay>(*layout);
        overlay = findChild<CustomDialogOverlay>(*layout);
        ASSERT_NE(toast, nullptr);
        ASSERT_NE(overlay, nullptr);
    }

    void TearDown() override
    {
        layout.reset();
        context.reset();
    }

    void tickUntilHidden()
    {
        for (int i = 0; i < 1000 && toast->isVisible(); ++i)
            ToastOverlayTestAccess::tick(*toast);
    }

    ScopedUserFolders folders;
    std::unique_ptr<AppContext> context = std::make_unique<AppContext>();
    std::unique_ptr<MainLayout> layout;
    ToastOverlay* toast = nullptr;
    CustomDialogOverlay* overlay = nullptr;
};
} // namespace

TEST_F(DialogLayoutFixture, ToastFollowsTheBottomRightCornerWhileVisible)
{
    context->showToast("Refreshing device list...");
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(960, 638, 220, 42));
    EXPECT_EQ(toast->text, "Refreshing device list...");
    EXPECT_FALSE(toast->persistent);

    layout->setSize(1000, 600);
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(760, 538, 220, 42));

    // A hidden toast keeps its last bounds until the next show.
    tickUntilHidden();
    ASSERT_FALSE(toast->isVisible());
    layout->setSize(1300, 800);
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(760, 538, 220, 42));
    context->showToast("again");
    EXPECT_EQ(toast->getBounds(), juce::Rectangle<int>(1060, 738, 220, 42));
}

TEST_F(DialogLayoutFixture, UpdateTextChangesOnlyTheText)
{
    context->showToastPersistent("Downloading update... 0%", true);
    for (int i = 0; i < 5; ++i)
        ToastOverlayTestAccess::tick(*toast);
    const float alpha = toast->getAlpha();
    context->updateToastText("Downloading update... 50%");
    EXPECT_EQ(toast->text, "Downloading update... 50%");
    EXPECT_FLOAT_EQ(toast->getAlpha(), alpha);
    EXPECT_EQ(toast->state, 0);
    EXPECT_TRUE(toast->persistent);

    // On a faded-out toast the text is stored and nothing shows.
    context->hideToast();
    tickUntilHidden();
    ASSERT_FALSE(toast->isVisible());
    context->updateToastText("Downloading update... 90%");
    EXPECT_EQ(toast->text, "Downloading update... 90%");
    EXPECT_FALSE(toast->isVisible());
    EXPECT_FALSE(ToastOverlayTestAccess::timerRunning(*toast));
}

TEST_F(DialogLayoutFixture, TransientToastEndsAPersistentDownloadToast)
{
    context->showToastPersistent("Downloading update... 10%", true);
    context->showToast("Copied to clipboard!");
    context->updateToastText("Downloading update... 20%");
    EXPECT_TRUE(toast->isVisible());
    EXPECT_EQ(toast->text, "Downloading update... 20%");
    tickUntilHidden();
    EXPECT_FALSE(toast->isVisible());
    context->updateToastText("Downloading update... 30%");
    EXPECT_FALSE(toast->isVisible());
}

TEST_F(DialogLayoutFixture, ShowDialogFillsTheOverlayOverTheWholeLayout)
{
    int result = -1;
    context->showDialog("About", "Version 1.00", {}, { { 0, "Close", 1 } }, 0, [&](int id) { result = id; }, {}, {},
                        {});
    ASSERT_TRUE(overlay->isVisible());
    DialogOverlayTestAccess access(*overlay);
    EXPECT_EQ(access.card().getX(), 350.0f);
    // In front of everything else of the layout.
    layout->setVisible(true);
    EXPECT_EQ(layout->getComponentAt(5, 5), overlay);
    EXPECT_EQ(layout->getComponentAt(600, 30), overlay);

    layout->setSize(900, 600);
    EXPECT_EQ(overlay->getBounds(), juce::Rectangle<int>(0, 0, 900, 600));
    EXPECT_EQ(access.card().getX(), 200.0f);

    overlay->mouseDown(leftClickOn(*overlay, { 5.0f, 5.0f }));
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(overlay->isVisible());
}

TEST_F(DialogLayoutFixture, ToastStaysAboveAnOpenDialog)
{
    context->showDialog("About", {}, {}, { { 0, "Close", 1 } }, 0, {}, {}, {}, {});
    context->showToast("Copied to clipboard!");
    const auto& children = layout->getChildren();
    EXPECT_GT(children.indexOf(toast), children.indexOf(overlay));
}
