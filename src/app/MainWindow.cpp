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

    // The window itself does nothing with keys: gaining the focus it passes it on to its first control, the
    // search box, so typing goes there from the start.
    setWantsKeyboardFocus(false);

    setVisible(true);
    setContentOwned(new MainLayout(appContext), false);
    rememberShownState();
}

MainWindow::~MainWindow()
{
    rememberShownState();
    storeShownState();
}

void MainWindow::moved()
{
    juce::DocumentWindow::moved();
    rememberShownState();
}

void MainWindow::storeShownState()
{
    if (appContext->settings != nullptr && shownState.isNotEmpty())
        appContext->settings->setValue("windowState", shownState);
}

void MainWindow::rememberShownState()
{
    // Until it is shown the window has no state of its own: the settings keep the last one.
    if (isVisible())
        shownState = getWindowStateAsString();
}

std::unique_ptr<juce::ComponentTraverser> MainWindow::createKeyboardFocusTraverser()
{
    // The framework hands a click on something that takes no focus (a table row, the footer) to the first control
    // inside it or around it, such as a row's edit button, which Return would then press.
    struct FirstControlOfTheWindowOnly : juce::KeyboardFocusTraverser
    {
        explicit FirstControlOfTheWindowOnly(juce::Component& w) : window(w) {}

        juce::Component* getDefaultComponent(juce::Component* parent) override
        {
            return parent == &window ? juce::KeyboardFocusTraverser::getDefaultComponent(parent) : nullptr;
        }

        juce::Component& window;
    };
    return std::make_unique<FirstControlOfTheWindowOnly>(*this);
}

void MainWindow::resized()
{
    juce::DocumentWindow::resized();
    rememberShownState();

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
