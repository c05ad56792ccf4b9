#pragma once

#include "tmx/DeviceCommand.h"
#include "tmx/DiscoveryEngine.h"
#include "ui/IconSource.h"
#include "ui/dialogs/DialogAction.h"
#include "ui/dialogs/DialogField.h"

#include <juce_data_structures/juce_data_structures.h>

#include <functional>
#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

class AppConsoleLogger;
class AutoUpdater;

/** The one object the application shares: state tree, settings, logger, updater and the discovery engine. */
class AppContext : public tmx::DiscoveryEngine::Listener, private juce::ValueTree::Listener
{
public:
    AppContext();
    ~AppContext() override;

    /** Configures the engine with the program's fixed endpoints. */
    void startDiscovery();

    /** Records a command the engine accepted: a Finder request sets the device's "finder" at once. */
    void applyCommandLocally(const juce::String& deviceId, const tmx::DeviceCommand& command);

    juce::ValueTree appState;
    std::unique_ptr<juce::PropertiesFile> settings;
    std::unique_ptr<AppConsoleLogger> logger;
    std::unique_ptr<AutoUpdater> updater;
    bool installOnExit = false;
    juce::File installerFile;

    // Set by MainLayout; callers test them for emptiness.
    std::function<void(const juce::String& message)> showToast;
    std::function<void(const juce::String& message, bool persistent)> showToastPersistent;
    std::function<void(const juce::String& message)> updateToastText;
    std::function<void()> hideToast;
    std::function<void(const juce::String& title, const juce::String& message, const juce::String& detailText,
                       const std::vector<DialogAction>& actions, int dismissActionId, std::function<void(int)> callback,
                       IconSource icon, const juce::String& linkText, const juce::String& linkUrl)>
        showDialog;
    std::function<void(const juce::String& title, const juce::String& message, const std::vector<DialogField>& fields,
                       const std::vector<DialogAction>& actions, int dismissActionId,
                       std::function<void(int, const std::map<juce::String, juce::String>&)> callback, IconSource icon)>
        showFormDialog;
    std::function<void()> toggleTheme;

    tmx::DiscoveryEngine engine;

    /** The settings file's options (the folder comes from the platform's application-data location). */
    static juce::PropertiesFile::Options settingsOptions();

    /** The settings file: "BrelmDiscovery/BrelmDiscovery.settings" in the user's application-data folder. */
    static juce::File settingsFile();

    /** Mirrors an engine event into the state tree; message thread. */
    void deviceChanged(const tmx::DeviceEvent& event) override;

private:
    // The index follows every addition and removal under "DeviceList", whoever makes it.
    void valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree& child) override;
    void valueTreeChildRemoved(juce::ValueTree& parent, juce::ValueTree& child, int index) override;
    void valueTreePropertyChanged(juce::ValueTree& tree, const juce::Identifier& property) override;
    void rebuildDeviceIndex();

    juce::ValueTree deviceList;
    std::unordered_map<juce::String, juce::ValueTree> deviceIndex;  // "id" -> the first node of "DeviceList" with it
    int duplicateIds = 0;  // nodes that share an id with an earlier one; none unless someone breaks the rule

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(AppContext)
};
