#include "app/MainApplication.h"

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/AutoUpdater.h"
#include "app/DemoDevices.h"
#include "app/DisplayConnection.h"
#include "app/InstanceChannel.h"
#include "app/MainWindow.h"
#include "app/QuitSignals.h"
#include "app/UpdateDialogs.h"
#include "app/WebAddresses.h"
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
    // JUCE's own lock is one file in /var/tmp for every user of the machine; the instance channel
    // keeps one instance per user instead.
    return true;
}

bool MainApplication::initialiseApp()
{
    // Before the lock: a start that cannot show a window must not keep this user's next start waiting.
    if (const auto problem = DisplayConnection::problem(); problem.isNotEmpty())
    {
        juce::Logger::outputDebugString(problem);
        setApplicationReturnValue(1);
        return false;
    }

    displayConnection = std::make_unique<DisplayConnection>([this] { displayLost(); });

    instanceChannel = std::make_unique<InstanceChannel>([this](const juce::String& other) {
        // Closing, we leave the start to itself: it then takes the lock and runs.
        if (mainWindow == nullptr || juce::MessageManager::getInstance()->hasStopMessageBeenSent())
            return false;

        anotherInstanceStarted(other);
        return true;
    });

    // This user's program runs already: this process ends, and the running one comes to the front.
    if (!instanceChannel->claim(getCommandLineParameters(), 10000))
    {
        instanceChannel.reset();
        return false;
    }

    // Logout, shutdown and kill take the same road as a closed window.
    quitSignals = std::make_unique<QuitSignals>([this] { systemRequestedQuit(); });

    // JUCEApplication's own step only builds the macOS menu bar.
    return juce::JUCEApplicationBase::initialiseApp();
}

void MainApplication::initialise(const juce::String& commandLine)
{
    juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);

    appContext = std::make_unique<AppContext>();

    appContext->logger = std::make_unique<AppConsoleLogger>();
    juce::Logger::setCurrentLogger(appContext->logger.get());

    appContext->updater = std::make_unique<AutoUpdater>(getApplicationVersion(), WebAddresses::updateManifest());
    appContext->updater->onUpdateAvailable = [this](juce::String version, juce::String url)
    { showUpdateAvailableDialog(version, url); };
    appContext->updater->onProgress = [this](int percent)
    { UpdateDialogs::showDownloadProgress(*appContext, percent); };
    appContext->updater->onDownloaded = [this](juce::File file) { showDownloadCompleteDialog(file); };

    const bool dark = appContext->settings != nullptr && appContext->settings->getBoolValue("darkMode", false);
    applyTheme(dark ? 1 : 0);

    juce::MouseCursor::showWaitCursor();
    mainWindow = std::make_unique<MainWindow>(getApplicationName(), appContext.get());
    juce::MouseCursor::hideWaitCursor();

    // Once the console shows the log, so what goes wrong with it shows there.
    instanceChannel->listen();

    // Installers that earlier runs downloaded and did not run or discard; a start that runs without the lock
    // may run beside an instance whose download is in there.
    if (instanceChannel->holdsLock())
        AutoUpdater::removeLeftoverInstallers();

    if (commandLine.contains(demoDevicesSwitch))
    {
        auto deviceList = appContext->appState.getChildWithName(AppStateIds::DeviceList);
        addDemoDevices(deviceList);
    }

    appContext->startDiscovery();

    // Once per start; the thread holds only the updater's shared state, so a quick quit is safe.
    appContext->updater->checkForUpdateInBackground();
}

void MainApplication::shutdown()
{
    mainWindow.reset();
    juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    // The receive threads log; they end before the logger goes.
    if (appContext != nullptr)
        appContext->engine.stop();
    juce::Logger::setCurrentLogger(nullptr);
    appContext.reset();
    quitSignals.reset();
    displayConnection.reset();
    // Last: a new start waits for the lock, and so finds the settings saved and the ports free.
    instanceChannel.reset();
}

void MainApplication::anotherInstanceStarted(const juce::String&)
{
    if (mainWindow != nullptr)
        mainWindow->toFront(true);
}

void MainApplication::systemRequestedQuit()
{
    if (appContext != nullptr)
        UpdateDialogs::startInstallerOnQuit(*appContext);

    quit();
}

void MainApplication::displayLost()
{
    // The quit road without the window system: the window's last shown state, the settings, a pending installer.
    juce::Logger::writeToLog("The display is gone: the program closes");
    if (mainWindow != nullptr)
        mainWindow->storeShownState();

    if (appContext == nullptr)
        return;

    if (appContext->settings != nullptr)
        appContext->settings->saveIfNeeded();

    UpdateDialogs::startInstallerOnQuit(*appContext);
}

void MainApplication::showUpdateAvailableDialog(const juce::String& version, const juce::String& url)
{
    if (appContext != nullptr)
        UpdateDialogs::showUpdateAvailableDialog(*appContext, version, url);
}

void MainApplication::showDownloadCompleteDialog(const juce::File& file)
{
    if (appContext != nullptr)
        UpdateDialogs::showDownloadCompleteDialog(*appContext, file,
                                                  [] { juce::JUCEApplication::getInstance()->systemRequestedQuit(); });
}
