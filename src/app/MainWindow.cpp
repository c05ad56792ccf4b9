#include "app/MainWindow.h"

#include "app/AppContext.h"
#include "app/MainLayout.h"
#include "app/WindowSizeHints.h"

MainWindow::MainWindow(const juce::String& name, AppContext* context)
    : juce::DocumentWindow(name,
                           juce::LookAndFeel::getDefaultLookAndFeel().findColour(
                               juce::ResizableWindow::backgroundColourId),
                           juce::DocumentWindow::allButtons, true),
      appContext(context)
{
    const auto state = appContext->settings != nullptr ? appContext->settings->getValue("windowState")
                                                       : juce::String();
    const auto place = [this, &state]
    {
        if (state.isNotEmpty())
            restoreWindowStateFromString(state);
        else
            centreWithSize(1200, 700);
    };

    // On Linux each switch below rebuilds the native window and brings it to the front at once: place it
    // first and switch to the native title bar last, so it shows once, where it belongs.
    place();
    setResizable(true, true);
    setUsingNativeTitleBar(true);
    setResizeLimits(900, 500, 3600, 2000);
    place();  // again, now that the native frame is known
    WindowSizeHints::publish(*this);

    setVisible(true);
    setContentOwned(new MainLayout(appContext), false);
}

MainWindow::~MainWindow()
{
    const auto state = getWindowStateAsString();
    if (appContext->settings != nullptr)
        appContext->settings->setValue("windowState", state);
}

void MainWindow::resized()
{
    juce::DocumentWindow::resized();

    // Not inside the resize that the window system reports.
    juce::MessageManager::callAsync([window = SafePointer<MainWindow>(this)]
    {
        if (window != nullptr)
            window->keepWithinLimits();
    });
}

void MainWindow::keepWithinLimits()
{
    // Without a window manager nothing holds the window to its size hints, so it keeps to them itself. A window
    // manager that answers with the same place outside them again (a tiling one) has its way after one try.
    const auto bounds = getBounds();
    if (isMinimised() || bounds == lastCorrected)
        return;

    setBoundsConstrained(bounds);
    if (getBounds() != bounds)
        lastCorrected = bounds;
}

void MainWindow::closeButtonPressed()
{
    if (auto* app = juce::JUCEApplication::getInstance())
        app->systemRequestedQuit();
}
