#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <array>
#include <vector>

/** One interface of a demonstration device. */
struct DemoInterface
{
    bool dhcp = false;
    juce::String ip;
    juce::String mask;
    juce::String gateway;
    juce::String mac;
};

/** A fixed device shown with "--demo-devices", so the table can be tried without hardware. */
struct DemoDevice
{
    juce::String id;
    juce::String name;
    juce::String model;
    juce::String version;
    juce::String webAccess;
    int port = 80;
    bool isTarn = false;
    bool isHost = false;
    bool finder = false;
    std::array<DemoInterface, 2> interfaces;
};

/** The three demonstration devices; the same list on every call. */
const std::vector<DemoDevice>& makeDemoDevices();

/** Appends one complete "Device" node per demonstration device to the "DeviceList" node. */
void addDemoDevices(juce::ValueTree& deviceList);
