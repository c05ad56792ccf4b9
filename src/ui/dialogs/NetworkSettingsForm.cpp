#include "ui/dialogs/NetworkSettingsForm.h"

#include "app/AppContext.h"
#include "ui/EmbeddedResources.h"
#include "ui/table/DeviceListComponent.h"

namespace
{
const juce::String dhcpMode { "Auto (DHCP)" };
const juce::String manualMode { "Manual" };

juce::String valueOf(const std::map<juce::String, juce::String>& values, const char* key)
{
    const auto it = values.find(key);
    return it != values.end() ? it->second : juce::String();
}
} // namespace

bool isDottedDecimalIPv4(const juce::String& text)
{
    int parts = 0, digits = 0, value = 0;

    for (auto p = text.getCharPointer();; )
    {
        const auto c = p.getAndAdvance();

        if (c >= '0' && c <= '9')
        {
            // Up to three digits keep the value small and reject runs like 0000001.
            if (++digits > 3)
                return false;

            value = value * 10 + (int) (c - '0');
            continue;
        }

        if (c != '.' && c != 0)
            return false;

        if (digits == 0 || value > 255)
            return false;

        ++parts;
        digits = 0;
        value = 0;

        if (c == 0)
            return parts == 4;

        if (parts == 4)
            return false;
    }
}

juce::String firstInvalidNetworkField(const std::map<juce::String, juce::String>& values)
{
    // The binary protocol would turn an unreadable address into 0.0.0.0 and take a device off the network.
    struct Rule
    {
        const char* key;
        const char* label;
        bool required;
    };

    static const Rule rules[] = { { "ip", "IP Address", true },  { "mask", "Subnet Mask", true },
                                  { "gateway", "IP Gateway", false }, { "dns1", "DNS 1", false },
                                  { "dns2", "DNS 2", false } };

    for (const auto& rule : rules)
    {
        const auto text = valueOf(values, rule.key);

        if (! (isDottedDecimalIPv4(text) || (! rule.required && text.isEmpty())))
            return rule.label;
    }

    return {};
}

void showNetworkSettingsForm(const NetworkDisplayInfo& info)
{
    if (info.owner == nullptr)
        return;

    auto* context = info.owner->appContext;
    if (context == nullptr || ! context->showFormDialog)
        return;

    const auto addressField = [](const char* key, const char* label, const juce::String& value)
    {
        DialogField field;
        field.key = key;
        field.label = label;
        field.kind = 0;
        field.value = value;
        field.disabledWhenKey = "mode";
        field.disabledWhenValue = dhcpMode;
        return field;
    };

    DialogField mode;
    mode.key = "mode";
    mode.label = "IP Mode";
    mode.kind = 2;
    mode.value = info.dhcp ? dhcpMode : manualMode;
    mode.options = { manualMode, dhcpMode };

    const std::vector<DialogField> fields { mode,
                                            addressField("ip", "IP Address", info.ip),
                                            addressField("mask", "Subnet Mask", info.mask),
                                            addressField("gateway", "IP Gateway", info.gateway),
                                            addressField("dns1", "DNS 1", info.dns1),
                                            addressField("dns2", "DNS 2", info.dns2) };

    const std::vector<DialogAction> actions { { 0, "Cancel", 1 }, { 1, "Apply", 0 } };

    const NetworkSettingsTarget target { info.owner, info.deviceId, info.interfaceIndex, dhcpMode, info.title,
                                         info.deviceName };
    auto callback = [target](int actionId, const std::map<juce::String, juce::String>& values)
    { applyNetworkSettingsForm(target, actionId, values); };

    context->showFormDialog(info.title, info.deviceName, fields, actions, 0, callback,
                            EmbeddedResources::settingsIconSvg());
}

void applyNetworkSettingsForm(const NetworkSettingsTarget& target, int actionId,
                              const std::map<juce::String, juce::String>& values)
{
    if (actionId != 1 || target.owner == nullptr)
        return;

    auto* context = target.owner->appContext;
    const bool dhcp = valueOf(values, "mode") == target.dhcpModeText;

    // DHCP mode sends the greyed texts as they are; only a manual setting must be usable.
    if (! dhcp)
    {
        if (const auto invalid = firstInvalidNetworkField(values); invalid.isNotEmpty())
        {
            if (context->showToast)
                context->showToast("Not sent: invalid " + invalid);

            // The dialog closed with the click: open it again as the user left it, so nothing typed is lost.
            NetworkDisplayInfo typed;
            typed.owner = target.owner;
            typed.title = target.title;
            typed.deviceId = target.deviceId;
            typed.interfaceIndex = target.interfaceIndex;
            typed.deviceName = target.deviceName;
            typed.dhcp = false;  // only a manual setting is ever refused
            typed.ip = valueOf(values, "ip");
            typed.mask = valueOf(values, "mask");
            typed.gateway = valueOf(values, "gateway");
            typed.dns1 = valueOf(values, "dns1");
            typed.dns2 = valueOf(values, "dns2");
            showNetworkSettingsForm(typed);
            return;
        }
    }

    tmx::NetworkChangeRequest request;
    request.iface = target.interfaceIndex;
    request.dhcp = dhcp;
    request.ip = valueOf(values, "ip").toStdString();
    request.mask = valueOf(values, "mask").toStdString();
    request.gateway = valueOf(values, "gateway").toStdString();
    request.dns1 = valueOf(values, "dns1").toStdString();
    request.dns2 = valueOf(values, "dns2").toStdString();

    const tmx::DeviceCommand command { std::in_place_index<2>, request };

    juce::String whyNot;
    if (context->engine.sendCommand(target.deviceId.toStdString(), command, &whyNot))
    {
        context->applyCommandLocally(target.deviceId, command);
        return;
    }

    // The form closed as if it had worked: say that nothing went out, and why (the device left the table
    // meanwhile, or its address is refused).
    if (context->showToast)
        context->showToast("Not sent: " + whyNot);
}
