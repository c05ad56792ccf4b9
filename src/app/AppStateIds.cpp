#include "app/AppStateIds.h"

namespace AppStateIds
{
const juce::Identifier AppState { "AppState" };
const juce::Identifier DeviceList { "DeviceList" };
const juce::Identifier Device { "Device" };
const juce::Identifier NetworkInterface { "NetworkInterface" };

const juce::Identifier id { "id" };
const juce::Identifier name { "name" };
const juce::Identifier model { "model" };
const juce::Identifier version { "version" };
const juce::Identifier defaultIp { "defaultIp" };
const juce::Identifier port { "port" };
const juce::Identifier webAccess { "webAccess" };
const juce::Identifier finder { "finder" };
const juce::Identifier isTarn { "isTarn" };
const juce::Identifier isHost { "isHost" };

const juce::Identifier interfaceIndex { "interfaceIndex" };
const juce::Identifier dhcp { "dhcp" };
const juce::Identifier ip { "ip" };
const juce::Identifier mask { "mask" };
const juce::Identifier gateway { "gateway" };
const juce::Identifier dns1 { "dns1" };
const juce::Identifier dns2 { "dns2" };
const juce::Identifier mac { "mac" };
} // namespace AppStateIds
