#pragma once

#include "ui/table/NetworkDisplayInfo.h"

#include <juce_core/juce_core.h>

#include <map>

class DeviceListComponent;

/** Where a network-settings form sends its result; copied when the form is shown. */
struct NetworkSettingsTarget
{
    DeviceListComponent* owner = nullptr;
    juce::String deviceId;
    int interfaceIndex = 0;
    juce::String dhcpModeText;  // the "IP Mode" option that means DHCP
    juce::String title;         // to show the form again when its input is refused
    juce::String deviceName;
};

/** Shows the settings form of one interface on the window's dialog overlay. */
void showNetworkSettingsForm(const NetworkDisplayInfo& info);

/** The form's result: "Apply" (1) sends the settings to the device; anything else does nothing. Unusable manual
    addresses are refused with a toast, and the form opens again at once with what was typed; settings for a device
    that has left the table meanwhile are not sent, and a toast says so. */
void applyNetworkSettingsForm(const NetworkSettingsTarget& target, int actionId,
                              const std::map<juce::String, juce::String>& values);

/** Four decimal numbers from 0 to 255 separated by dots, nothing else. */
bool isDottedDecimalIPv4(const juce::String& text);

/** The label of the first address field that is unusable for a manual setting; empty when all are fine. */
juce::String firstInvalidNetworkField(const std::map<juce::String, juce::String>& values);
