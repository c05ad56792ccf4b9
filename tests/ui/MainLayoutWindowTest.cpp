#include "app/ShellTestSupport.h"

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/MainLayout.h"
#include "app/MainWindow.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"

#include <gtest/gtest.h>

TEST(MainWindow, HoldsTheLayoutKeepsItsLimitsAndSavesItsState)
{
    ScopedUserFolders folders;
    CustomLookAndFeel lf;
    juce::LookAndFeel::setDefaultLookAndFeel(&lf);
    applyTheme(0);
    {
        AppContext context;
        context.logger = std::make_unique<AppConsoleLogger>();
        {
            MainWindow window("Brelm Discovery", &context);
            EXPECT_EQ(window.getName(), "Brelm Discovery");
            EXPECT_TRUE(window.isVisible());
            EXPECT_TRUE(window.isUsingNativeTitleBar());
            EXPECT_NE(dynamic_cast<MainLayout*>(window.getContentComponent()), nullptr);
            EXPECT_EQ(window.getBackgroundColour(), offWhite);
            EXPECT_EQ(window.getWidth(), 1200);
            EXPECT_EQ(window.getHeight(), 700);
            EXPECT_TRUE(context.toggleTheme);

            auto* limits = window.getConstrainer();
            ASSERT_NE(limits, nullptr);
            EXPECT_EQ(limits->getMinimumWidth(), 900);
            EXPECT_EQ(limits->getMinimumHeight(), 500);
            EXPECT_EQ(limits->getMaximumWidth(), 3600);
            EXPECT_EQ(limits->getMaximumHeight(), 2000);
            window.setBoundsConstrained({ 10, 10, 400, 300 });
            EXPECT_EQ(window.getWidth(), 900);
            EXPECT_EQ(window.getHeight(), 500);
            window.setBoundsConstrained({ 10, 10, 1000, 600 });
        }
        // The window saved where it was; the layout left no callback behind.
        EXPECT_EQ(context.settings->getValue("windowState"), "10 10 1000 600");
        EXPECT_FALSE(context.toggleTheme);
        EXPECT_FALSE(context.showDialog);

        // Built again from that state, it is not centred.
        MainWindow again("Brelm Discovery", &context);
        EXPECT_EQ(again.getBounds(), juce::Rectangle<int>(10, 10, 1000, 600));
    }
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
}
