#include "app/MainApplication.h"

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/DemoDevices.h"
#include "app/InstanceChannel.h"
#include "app/MainWindow.h"
#include "ui/Theme.h"

MainApplication::MainApplication() = default;

MainApplication::~MainApplication() = default;

const juce::String MainApplication::getApplicationName()
{
    return "Brelm Discovery";
}

const juce::String MainApplication::getApplicationVersion()
{
    return "1.00";
}

bool MainApplication::moreThanOneInstanceAllowed()
{
    return false;
}

bool MainApplication::initialiseApp()
{
    // JUCEApplication's own step only builds the macOS menu bar.
    if (juce::JUCEApplicationBase::initialiseApp())
        return true;

    // JUCE's instance lock is taken: this process ends, and the running one comes to the front.
    if (!initialised)
        InstanceChannel::notifyRunningInstance(getCommandLineParameters(), 3000);
    return false;
}

void MainApplication::initialise(const juce::String& commandLine)
{
    initialised = true;

    instanceChannel = std::make_unique<InstanceChannel>([this](const juce::String& other)
                                                        { anotherInstanceStarted(other); });
    instanceChannel->listen();

    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);

    appContext = std::make_unique<AppContext>();

    appContext->logger = std::make_unique<AppConsoleLogger>();
    juce::Logger::setCurrentLogger(appContext->logger.get());

    // (updater: created here with getApplicationVersion(), its three callbacks set)

    const bool dark = appContext->settings != nullptr && appContext->settings->getBoolValue("darkMode", false);
    applyTheme(dark ? 1 : 0);

    juce::MouseCursor::showWaitCursor();
    mainWindow = std::make_unique<MainWindow>(getApplicationName(), appContext.get());
    juce::MouseCursor::hideWaitCursor();

    if (commandLine.contains(demoDevicesSwitch))
    {
        auto deviceList = appContext->appState.getChildWithName(AppStateIds::DeviceList);
        addDemoDevices(deviceList);
    }

    appContext->startDiscovery();

    // (updater: the one background update check is launched here)
}

void MainApplication::shutdown()
{
    instanceChannel.reset();
    mainWindow.reset();
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    juce::Logger::setCurrentLogger(nullptr);
    appContext.reset();
}

void MainApplication::anotherInstanceStarted(const juce::String&)
{
    if (mainWindow != nullptr)
        mainWindow->toFront(true);
}

void MainApplication::systemRequestedQuit()
{
    // (updater: a pending "Update on exit" installer is started here)
    quit();
}
