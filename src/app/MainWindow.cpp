#include "app/MainWindow.h"

#include "app/AppContext.h"
#include "app/MainLayout.h"

MainWindow::MainWindow(const juce::String& name, AppContext* context)
    : juce::DocumentWindow(name,
                           juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                               juce::ResizableWindow::backgroundColourId),
                           juce::DocumentWindow::allButtons, true),
      appContext(context)
{
    setUsingNativeTitleBar(true);
    setResizable(true, true);
    setResizeLimits(900, 500, 3600, 2000);

    const auto state = appContext->settings != nullptr ? appContext->settings->getValue("windowState")
                                                       : juce::String();
    if (state.isNotEmpty())
        restoreWindowStateFromString(state);
    else
        centreWithSize(1200, 700);

    setVisible(true);
    setContentOwned(new MainLayout(appContext), false);
}

MainWindow::~MainWindow()
{
    const auto state = getWindowStateAsString();
    if (appContext->settings != nullptr)
        appContext->settings->setValue("windowState", state);
}

void MainWindow::closeButtonPressed()
{
    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}
