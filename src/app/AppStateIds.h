#pragma once

#include <juce_core/juce_core.h>

/** Node types and property names of the application-state tree. */
namespace AppStateIds
{
extern const juce::Identifier AppState;
extern const juce::Identifier DeviceList;
extern const juce::Identifier Device;
extern const juce::Identifier NetworkInterface;

// "Device" properties
extern const juce::Identifier id;
extern const juce::Identifier name;
extern const juce::Identifier model;
extern const juce::Identifier version;
extern const juce::Identifier defaultIp;
extern const juce::Identifier port;
extern const juce::Identifier webAccess;
extern const juce::Identifier finder;
extern const juce::Identifier isTarn;
extern const juce::Identifier isHost;

// "NetworkInterface" properties
extern const juce::Identifier interfaceIndex;
extern const juce::Identifier dhcp;
extern const juce::Identifier ip;
extern const juce::Identifier mask;
extern const juce::Identifier gateway;
extern const juce::Identifier dns1;
extern const juce::Identifier dns2;
extern const juce::Identifier mac;
} // namespace AppStateIds
