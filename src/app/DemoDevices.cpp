#include "app/DemoDevices.h"

#include "app/AppStateIds.h"

const std::vector<DemoDevice>& makeDemoDevices()
{
    static const std::vector<DemoDevice> devices = []
    {
        std::vector<DemoDevice> list(3);

        auto& koru = list[0];
        koru.id = "demo-koru88";
        koru.name = "KORU88 Sala Principal";
        koru.model = "KORU88";
        koru.version = "1.4.2";
        koru.webAccess = "http://192.168.1.100";
        koru.interfaces[0] = { false, "192.168.1.100", "255.255.255.0", "192.168.1.1", "02:4C:7E:DE:MO:01" };

        auto& ekoru = list[1];
        ekoru.id = "demo-ekoru1616";
        ekoru.name = "eKORU1616 Rack";
        ekoru.model = "eKORU1616";
        ekoru.version = "2.0.1";
        ekoru.webAccess = "http://192.168.1.101";
        ekoru.isTarn = true;
        ekoru.isHost = true;
        ekoru.finder = true;
        ekoru.interfaces[0] = { false, "192.168.1.101", "255.255.255.0", "192.168.1.1", "02:4C:7E:DE:MO:02" };
        ekoru.interfaces[1] = { true, "169.254.12.34", "255.255.0.0", "", "02:4C:7E:DE:MO:03" };

        auto& farol = list[2];
        farol.id = "demo-farol";
        farol.name = "FAROL Player";
        farol.model = "FAROL";
        farol.version = "1.0.0";
        farol.webAccess = "http://192.168.1.150";
        farol.isTarn = true;
        farol.interfaces[0] = { true, "192.168.1.150", "255.255.255.0", "192.168.1.1", "02:4C:7E:DE:MO:04" };

        return list;
    }();
    return devices;
}

void addDemoDevices(juce::ValueTree& deviceList)
{
    namespace ids = AppStateIds;

    for (const auto& demo : makeDemoDevices())
    {
        // Built completely before it is appended: listeners see one addition and no property changes.
        juce::ValueTree device(ids::Device);
        device.setProperty(ids::id, demo.id, nullptr);
        device.setProperty(ids::name, demo.name, nullptr);
        device.setProperty(ids::model, demo.model, nullptr);
        device.setProperty(ids::version, demo.version, nullptr);
        device.setProperty(ids::defaultIp, demo.interfaces[0].ip, nullptr);
        device.setProperty(ids::port, demo.port, nullptr);
        device.setProperty(ids::webAccess, demo.webAccess, nullptr);
        device.setProperty(ids::finder, demo.finder, nullptr);
        device.setProperty(ids::isTarn, demo.isTarn, nullptr);
        device.setProperty(ids::isHost, demo.isHost, nullptr);

        for (int i = 0; i < 2; ++i)
        {
            const auto& net = demo.interfaces[static_cast<size_t>(i)];
            juce::ValueTree iface(ids::NetworkInterface);
            iface.setProperty(ids::interfaceIndex, i, nullptr);
            iface.setProperty(ids::dhcp, net.dhcp, nullptr);
            iface.setProperty(ids::ip, net.ip, nullptr);
            iface.setProperty(ids::mask, net.mask, nullptr);
            iface.setProperty(ids::gateway, net.gateway, nullptr);
            iface.setProperty(ids::mac, net.mac, nullptr);
            device.appendChild(iface, nullptr);
        }

        deviceList.appendChild(device, nullptr);
    }
}
