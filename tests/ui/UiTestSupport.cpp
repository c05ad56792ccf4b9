#include "UiTestSupport.h"

#include "ui/table/NameCellComponent.h"

#include <cstdlib>

namespace ui_test
{
namespace
{
template <typename T>
T& partOf(juce::Component& layout)
{
    for (auto* child : layout.getChildren())
        if (auto* part = dynamic_cast<T*>(child))
            return *part;
    throw std::runtime_error("the layout has no such part");
}
} // namespace

ScopedHome::ScopedHome()
    : dir(juce::File::createTempFile("ui-home")),
      oldHome(juce::SystemStats::getEnvironmentVariable("HOME", {})),
      oldPath(juce::SystemStats::getEnvironmentVariable("PATH", {}))
{
    dir.getChildFile("bin").createDirectory();
    auto browser = dir.getChildFile("bin/xdg-open");
    browser.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + dir.getFullPathName() + "/opened'\n", false, false, "\n");
    browser.setExecutePermission(true);
    setenv("HOME", dir.getFullPathName().toRawUTF8(), 1);
    setenv("PATH", (dir.getFullPathName() + "/bin:" + oldPath).toRawUTF8(), 1);
}

ScopedHome::~ScopedHome()
{
    setenv("HOME", oldHome.toRawUTF8(), 1);
    setenv("PATH", oldPath.toRawUTF8(), 1);
    dir.deleteRecursively();
}

juce::StringArray ScopedHome::opened() const
{
    juce::StringArray lines;
    dir.getChildFile("opened").readLines(lines);
    lines.removeEmptyStrings();
    return lines;
}

void drain()
{
    auto done = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([done] { *done = true; });
    pumpUntil([done] { return *done; });
}

juce::ValueTree addDevice(AppContext& context, const juce::String& id, const juce::String& name,
                          const juce::String& model, const juce::String& version, Net net0, Net net1, bool isTarn,
                          bool isHost, const juce::String& webAccess)
{
    juce::ValueTree device(Ids::Device);
    device.setProperty(Ids::id, id, nullptr).setProperty(Ids::name, name, nullptr);
    device.setProperty(Ids::model, model, nullptr).setProperty(Ids::version, version, nullptr);
    device.setProperty(Ids::defaultIp, net0.ip, nullptr).setProperty(Ids::port, 80, nullptr);
    device.setProperty(Ids::webAccess, webAccess, nullptr).setProperty(Ids::finder, false, nullptr);
    device.setProperty(Ids::isTarn, isTarn, nullptr).setProperty(Ids::isHost, isHost, nullptr);
    for (int i = 0; i < 2; ++i)
    {
        const auto& net = i == 0 ? net0 : net1;
        juce::ValueTree iface(Ids::NetworkInterface);
        iface.setProperty(Ids::interfaceIndex, i, nullptr).setProperty(Ids::dhcp, net.dhcp, nullptr);
        iface.setProperty(Ids::ip, net.ip, nullptr).setProperty(Ids::mac, net.mac, nullptr);
        iface.setProperty(Ids::mask, "255.255.255.0", nullptr).setProperty(Ids::gateway, "10.77.77.1", nullptr);
        iface.setProperty(Ids::dns1, "10.66.66.6", nullptr).setProperty(Ids::dns2, "", nullptr);
        device.appendChild(iface, nullptr);
    }
    context.appState.getChildWithName(Ids::DeviceList).appendChild(device, nullptr);
    return device;
}

Program::Program()
    : logger([this]
             {
                 // As the program starts: its look-and-feel in the light theme, its logger current.
                 juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
                 applyTheme(0);
                 context.logger = std::make_unique<AppConsoleLogger>();
                 juce::Logger::setCurrentLogger(context.logger.get());
                 return context.logger.get();
             }()),
      header(partOf<HeaderComponent>(layout)),
      table(partOf<DeviceListComponent>(layout)),
      footer(partOf<FooterComponent>(layout)),
      toast(partOf<ToastOverlay>(layout)),
      overlay(partOf<CustomDialogOverlay>(layout)),
      console(partOf<ConsoleEditor>(layout))
{
    // The real pointer stays clear of the window: the display is shared with other test processes.
    juce::Desktop::getInstance().getMainMouseSource().setScreenPosition({ 1399.0f, 899.0f });
    layout.setBounds(0, 0, 1200, 700);
    layout.addToDesktop(0);
    layout.setVisible(true);
    pumpUntil([this] { return layout.isShowing(); });
}

Program::~Program()
{
    juce::PopupMenu::dismissAllActiveMenus();
    layout.removeFromDesktop();
    juce::Logger::setCurrentLogger(nullptr);
    juce::ModifierKeys::currentModifiers = {};
    applyTheme(0);
}

void Program::click(juce::Component& target, juce::Point<int> local, juce::ModifierKeys keys, int button)
{
    if (local.x < 0)
        local = target.getLocalBounds().getCentre();
    const auto p = layout.getLocalPoint(&target, local).toFloat();
    now += 1000;  // apart enough never to make a double click
    const auto send = [&](juce::ModifierKeys mods)
    {
        juce::ModifierKeys::currentModifiers = mods;
        layout.getPeer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p, mods,
                                           juce::MouseInputSource::defaultPressure,
                                           juce::MouseInputSource::defaultOrientation, ++now);
    };
    send(keys.withoutMouseButtons());
    send(keys.withoutMouseButtons().withFlags(button));
    send(keys.withoutMouseButtons());
    juce::ModifierKeys::currentModifiers = {};
}

juce::StringArray Program::names()
{
    juce::StringArray result;
    for (int row = 0; row < table.getNumRows(); ++row)
        if (auto* name = cell<NameCellComponent>(2, row))
            result.add(name->name);
    return result;
}

void Program::clickColumn(int columnId)
{
    auto& header = table.table.getHeader();
    click(header, header.getColumnPosition(header.getIndexOfColumnId(columnId, true)).getCentre());
    drain();  // the header reports a new sort order on a later turn
}

juce::Point<int> Program::cellCentre(int columnId, int row)
{
    table.getNumRows();
    return table.table.getCellPosition(columnId, row, true).getCentre();
}

juce::StringArray Program::menuItems()
{
    juce::StringArray items;
    std::function<void(juce::Component&)> collect = [&](juce::Component& c)
    {
        if (auto* handler = c.getAccessibilityHandler(); handler != nullptr
                                                         && handler->getRole() == juce::AccessibilityRole::menuItem)
            items.add(handler->getTitle());
        for (auto* child : c.getChildren())
            collect(*child);
    };
    for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
        collect(*juce::Desktop::getInstance().getComponent(i));
    return items;
}

juce::Component* Program::dialogButton(const juce::String& label)
{
    for (auto* child : overlay.getChildren())
        if (auto* button = dynamic_cast<DialogButton*>(child); button != nullptr && button->isVisible()
                                                                && button->getAction().label == label)
            return button;
    return nullptr;
}

juce::String Program::dialogTitle()
{
    for (auto* child : overlay.getChildren())
        if (auto* title = dynamic_cast<DialogTitleComponent*>(child))
            return title->titleLabel.getText();
    return {};
}
} // namespace ui_test
