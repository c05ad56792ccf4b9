#include "app/UpdateDialogs.h"

#include "app/AppContext.h"
#include "app/AutoUpdater.h"

void UpdateDialogs::showUpdateAvailableDialog(AppContext& context, const juce::String& version,
                                              const juce::String& url)
{
    if (!context.showDialog)
        return;

    const std::vector<DialogAction> actions { { cancelId, "Cancel", 1 }, { acceptId, "Accept", 0 } };

    context.showDialog("Update Available", {},
                       "There is a new version available (v" + version
                           + ").\nDo you want to update to the latest version?",
                       actions, cancelId,
                       [&context, url](int id) {
                           if (id != acceptId)
                               return;

                           if (context.showToastPersistent)
                               context.showToastPersistent(progressText(0), true);

                           // A download that cannot start will never move the toast on.
                           if (context.updater != nullptr && !context.updater->downloadToTemp(url)
                               && context.hideToast)
                               context.hideToast();
                       },
                       IconSource {}, {}, {});
}

void UpdateDialogs::showDownloadCompleteDialog(AppContext& context, const juce::File& file, std::function<void()> quit)
{
    if (context.hideToast)
        context.hideToast();

    if (!context.showDialog)
        return;

    const std::vector<DialogAction> actions { { cancelId, "Cancel", 1 },
                                              { updateOnExitId, "Update on exit", 0 },
                                              { updateNowId, "Update now", 0 } };

    context.showDialog("Download Complete", {},
                       "The update has been downloaded successfully.\n"
                       "Would you like to install it now or when you close the application?",
                       actions, cancelId,
                       [&context, file, quit = std::move(quit)](int id) {
                           if (id == updateNowId)
                           {
                               // A file that cannot be started still ends the program, as chosen.
                               if (context.updater != nullptr)
                                   context.updater->startInstaller(file);

                               if (quit)
                                   quit();
                           }
                           else if (id == updateOnExitId)
                           {
                               context.installOnExit = true;
                               context.installerFile = file;
                           }
                           else
                           {
                               file.deleteFile();
                           }
                       },
                       IconSource {}, {}, {});
}

void UpdateDialogs::showDownloadProgress(AppContext& context, int percent)
{
    if (context.updateToastText)
        context.updateToastText(progressText(percent));
}

void UpdateDialogs::startInstallerOnQuit(AppContext& context)
{
    if (!context.installOnExit || !context.installerFile.existsAsFile())
        return;

    // A second quit request before the loop ends must not run the installer again.
    context.installOnExit = false;

    if (context.updater != nullptr)
        context.updater->startInstaller(context.installerFile);
}

juce::String UpdateDialogs::progressText(int percent)
{
    return "Downloading update... " + juce::String(percent) + "%";
}
