#include "app/AppContext.h"

#include "app/AppConsoleLogger.h"
#include "app/AppStateIds.h"
#include "app/AutoUpdater.h"
#include "tmx/DeviceText.h"
#include "tmx/DiscoveryEndpoints.h"

namespace
{
juce::String fromUtf8(const std::string& text)
{
    return tmx::deviceText(text);
}
} // namespace

AppContext::AppContext()
    : appState(AppStateIds::AppState),
      settings(std::make_unique<juce::PropertiesFile>(settingsFile(), settingsOptions()))
{
    appState.appendChild(juce::ValueTree(AppStateIds::DeviceList), nullptr);
    deviceList = appState.getChildWithName(AppStateIds::DeviceList);
    deviceList.addListener(this);
    engine.addListener(this);
}

AppContext::~AppContext()
{
    // Saved first: nothing that may take its time on the way out (the updater's threads) can cost the window's place.
    if (settings != nullptr)
        settings->saveIfNeeded();

    engine.removeListener(this);
    deviceList.removeListener(this);
    engine.stop();
    // The members go in reverse order: engine, callbacks, updater, logger, then the settings file.
}

juce::PropertiesFile::Options AppContext::settingsOptions()
{
    juce::PropertiesFile::Options options;
    options.applicationName = "BrelmDiscovery";
    options.filenameSuffix = ".settings";
    options.folderName = "BrelmDiscovery";
    options.osxLibrarySubFolder = "Application Support";
    options.commonToAllUsers = false;
    options.ignoreCaseOfKeyNames = false;
    options.doNotSave = false;
    options.millisecondsBeforeSaving = 3000;
    options.storageFormat = juce::PropertiesFile::storeAsXML;
    options.processLock = nullptr;
    return options;
}

juce::File AppContext::settingsFile()
{
    // JUCE would put the file in ~/BrelmDiscovery on Linux; the user's config folder is the right place.
    const auto options = settingsOptions();
    return juce::File::getSpecialLocation(juce::File::userApplicationDataDirectory)
        .getChildFile(options.folderName)
        .getChildFile(options.applicationName + options.filenameSuffix);
}

void AppContext::startDiscovery()
{
    const auto endpoints = tmx::DiscoveryEndpoints::standard();
    engine.configure(endpoints.multicast, endpoints.broadcast, endpoints.mdns);
}

void AppContext::applyCommandLocally(const juce::String& deviceId, const tmx::DeviceCommand& command)
{
    const auto* finder = std::get_if<tmx::FinderRequest>(&command);
    if (finder == nullptr)
        return;  // new network settings show up only when the device reports them

    auto device = appState.getChildWithName(AppStateIds::DeviceList).getChildWithProperty(AppStateIds::id, deviceId);
    if (device.isValid())
        device.setProperty(AppStateIds::finder, finder->value, nullptr);
}

void AppContext::deviceChanged(const tmx::DeviceEvent& event)
{
    namespace ids = AppStateIds;

    const auto& info = event.info;
    const auto idText = fromUtf8(info.id);
    const auto indexed = deviceIndex.find(idText);

    if (event.event == tmx::DeviceEvent::removed)
    {
        if (indexed != deviceIndex.end())
        {
            const auto node = indexed->second;  // the entry goes while the node is being removed
            deviceList.removeChild(node, nullptr);
        }
        return;
    }

    if (event.event != tmx::DeviceEvent::added && event.event != tmx::DeviceEvent::updated)
        return;

    auto device = indexed != deviceIndex.end() ? indexed->second : juce::ValueTree();
    const bool isNew = !device.isValid();
    if (isNew)
    {
        // Filled before it is appended: listeners see one addition of a complete device.
        device = juce::ValueTree(ids::Device);
        device.setProperty(ids::id, idText, nullptr);
    }

    device.setProperty(ids::name, fromUtf8(info.name), nullptr);
    device.setProperty(ids::model, fromUtf8(info.model), nullptr);
    device.setProperty(ids::version, fromUtf8(info.fw), nullptr);
    device.setProperty(ids::defaultIp, fromUtf8(info.ip), nullptr);
    device.setProperty(ids::port, static_cast<int>(info.port), nullptr);
    device.setProperty(ids::webAccess, fromUtf8(info.web), nullptr);
    device.setProperty(ids::finder, info.finder, nullptr);
    device.setProperty(ids::isTarn, info.tarn.isTarn, nullptr);
    device.setProperty(ids::isHost, info.tarn.isHost, nullptr);

    for (int i = 0; i < 2; ++i)
    {
        auto iface = device.getChildWithProperty(ids::interfaceIndex, i);
        if (!iface.isValid())
        {
            iface = juce::ValueTree(ids::NetworkInterface);
            iface.setProperty(ids::interfaceIndex, i, nullptr);
            device.appendChild(iface, nullptr);
        }

        const auto& net = info.networks[static_cast<size_t>(i)];
        iface.setProperty(ids::dhcp, net.dhcp, nullptr);
        iface.setProperty(ids::ip, fromUtf8(net.ip), nullptr);
        iface.setProperty(ids::mask, fromUtf8(net.mask), nullptr);
        iface.setProperty(ids::gateway, fromUtf8(net.gw), nullptr);
        iface.setProperty(ids::dns1, fromUtf8(net.dns1), nullptr);
        iface.setProperty(ids::dns2, fromUtf8(net.dns2), nullptr);
        iface.setProperty(ids::mac, fromUtf8(net.mac), nullptr);
    }

    if (isNew)
        deviceList.appendChild(device, nullptr);
}

void AppContext::valueTreeChildAdded(juce::ValueTree& parent, juce::ValueTree& child)
{
    // The first node of an id keeps it, as a search of the list from the top would find.
    if (parent == deviceList && !deviceIndex.try_emplace(child[AppStateIds::id].toString(), child).second)
        ++duplicateIds;
}

void AppContext::valueTreeChildRemoved(juce::ValueTree& parent, juce::ValueTree& child, int)
{
    if (parent != deviceList)
        return;

    if (duplicateIds > 0)
        rebuildDeviceIndex();  // another node of that id may take its place
    else
        deviceIndex.erase(child[AppStateIds::id].toString());
}

void AppContext::valueTreePropertyChanged(juce::ValueTree& tree, const juce::Identifier& property)
{
    if (property == AppStateIds::id && tree.getParent() == deviceList)
        rebuildDeviceIndex();
}

void AppContext::rebuildDeviceIndex()
{
    deviceIndex.clear();
    duplicateIds = 0;
    for (const auto& child : deviceList)
        if (!deviceIndex.try_emplace(child[AppStateIds::id].toString(), child).second)
            ++duplicateIds;
}
