#pragma once

#include <juce_core/juce_core.h>

class DeviceListComponent;

/** What a NET cell's edit button hands to the network-settings form. */
struct NetworkDisplayInfo
{
    DeviceListComponent* owner = nullptr;  // the form reaches AppContext through it
    juce::String title;                    // "NET <n> settings"
    juce::String deviceId;
    int interfaceIndex = 0;
    juce::String deviceName;
    juce::String ip;  // as stored, not the shown text
    bool dhcp = false;
    juce::String mask;
    juce::String gateway;
    juce::String dns1;
    juce::String dns2;
};
