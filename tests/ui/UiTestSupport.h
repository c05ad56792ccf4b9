#pragma once

// The program's main layout, wired as the program wires it, on its own AppContext in a real desktop window
// (Xvfb). Mouse input goes through the window's peer, so hit-testing and click detection are JUCE's own.

#include "app/AppConsoleLogger.h"
#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/MainLayout.h"
#include "support/MessageLoopWait.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"
#include "ui/table/NameCellComponent.h"

#include <gtest/gtest.h>

namespace juce
{
inline void PrintTo(const StringArray& texts, std::ostream* out)
{ *out << "{ \"" << texts.joinIntoString("\", \"") << "\" }"; }
} // namespace juce

namespace ui_test
{
namespace Ids = AppStateIds;

/** A private home (the settings file lives there) and an "xdg-open" first on PATH that only writes down the
    arguments it is given, one a line: nothing real is touched or opened. */
struct ScopedHome
{
    ScopedHome()
    {
        auto browser = dir.getChildFile("bin/xdg-open");
        browser.getParentDirectory().createDirectory();
        browser.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$@\" >> '" + dir.getFullPathName() + "/opened'\n", false,
                                false, "\n");
        browser.setExecutePermission(true);
        setenv("HOME", dir.getFullPathName().toRawUTF8(), 1);
        setenv("PATH", (browser.getParentDirectory().getFullPathName() + ":" + oldPath).toRawUTF8(), 1);
    }
    ~ScopedHome()
    {
        setenv("HOME", oldHome.toRawUTF8(), 1);
        setenv("PATH", oldPath.toRawUTF8(), 1);
        dir.deleteRecursively();
    }
    juce::String opened() const { return dir.getChildFile("opened").loadFileAsString(); }

    juce::File dir = juce::File::createTempFile("ui-home");
    juce::String oldHome = juce::SystemStats::getEnvironmentVariable("HOME", {});
    juce::String oldPath = juce::SystemStats::getEnvironmentVariable("PATH", {});
};

/** Runs everything posted so far (text-change messages, async updates, deletions). */
inline void drain()
{
    auto done = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([done] { *done = true; });
    pumpUntil([done] { return *done; });
}

struct Net
{
    juce::String ip, mac;
    bool dhcp = false;
};

/** A device node as AppContext writes one: complete, both interfaces, appended in one step. */
inline juce::ValueTree addDevice(AppContext& context, const juce::String& id, const juce::String& name,
                                 const juce::String& model, const juce::String& version, Net net0, Net net1,
                                 bool isTarn = false, bool isHost = false, const juce::String& webAccess = {})
{
    juce::ValueTree device(Ids::Device);
    device.setProperty(Ids::id, id, nullptr).setProperty(Ids::name, name, nullptr);
    device.setProperty(Ids::model, model, nullptr).setProperty(Ids::version, version, nullptr);
    device.setProperty(Ids::webAccess, webAccess, nullptr);
    device.setProperty(Ids::isTarn, isTarn, nullptr).setProperty(Ids::isHost, isHost, nullptr);
    for (int i = 0; i < 2; ++i)
    {
        const auto& net = i == 0 ? net0 : net1;
        juce::ValueTree iface(Ids::NetworkInterface);
        iface.setProperty(Ids::interfaceIndex, i, nullptr).setProperty(Ids::dhcp, net.dhcp, nullptr);
        iface.setProperty(Ids::ip, net.ip, nullptr).setProperty(Ids::mac, net.mac, nullptr);
        iface.setProperty(Ids::mask, "255.255.255.0", nullptr).setProperty(Ids::gateway, "10.77.77.1", nullptr);
        device.appendChild(iface.setProperty(Ids::dns1, "10.66.66.6", nullptr), nullptr);
    }
    context.appState.getChildWithName(Ids::DeviceList).appendChild(device, nullptr);
    return device;
}

template <typename T>
T& partOf(juce::Component& layout)
{
    for (auto* child : layout.getChildren())
        if (auto* part = dynamic_cast<T*>(child))
            return *part;
    throw std::runtime_error("the layout has no such part");
}

class Program
{
public:
    Program()
    {
        // The real pointer stays clear of the window: the display is shared with other test processes.
        juce::Desktop::getInstance().getMainMouseSource().setScreenPosition({ 1399.0f, 899.0f });
        layout.setBounds(0, 0, 1200, 700);
        layout.addToDesktop(0);
        layout.setVisible(true);
        pumpUntil([this] { return layout.isShowing(); });
    }
    ~Program()
    {
        juce::PopupMenu::dismissAllActiveMenus();
        layout.removeFromDesktop();
        juce::Logger::setCurrentLogger(nullptr);
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
        applyTheme(0);
    }

    /** A press and release at a point of a component (its centre by default), with keyboard modifiers. */
    void click(juce::Component& target, juce::Point<int> at = { -1, -1 }, juce::ModifierKeys keys = {},
               int button = juce::ModifierKeys::leftButtonModifier)
    {
        const auto p = layout.getLocalPoint(&target, at.x < 0 ? target.getLocalBounds().getCentre() : at).toFloat();
        now += 1000;  // apart enough never to make a double click
        for (auto mods : { keys, keys.withFlags(button), keys })
        {
            juce::ModifierKeys::currentModifiers = mods;
            layout.getPeer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p, mods,
                                               juce::MouseInputSource::defaultPressure,
                                               juce::MouseInputSource::defaultOrientation, ++now);
        }
        juce::ModifierKeys::currentModifiers = {};
    }
    void clickColumn(int columnId)
    {
        auto& header = table.table.getHeader();
        click(header, header.getColumnPosition(header.getIndexOfColumnId(columnId, true)).getCentre());
        drain();  // the header reports a new sort order on a later turn
    }

    /** A cell's component once the table has caught up with the state tree; the names top to bottom. */
    template <typename Cell>
    Cell* cell(int columnId, int row)
    {
        table.getRows();
        if (auto* c = dynamic_cast<Cell*>(table.table.getCellComponent(columnId, row)))
            return c;
        throw std::runtime_error("no cell in column " + std::to_string(columnId) + ", row " + std::to_string(row));
    }
    juce::StringArray names()
    {
        juce::StringArray result;
        for (int row = 0; row < (int) table.getRows().size(); ++row)
            result.add(cell<NameCellComponent>(2, row)->name);
        return result;
    }

    /** The items of the open popup menus, as a screen reader reads them; presses the one titled `press`. */
    static juce::StringArray menuItems(const juce::String& press = {})
    {
        juce::StringArray items;
        juce::AccessibilityHandler* pressed = nullptr;
        std::function<void(juce::Component&)> collect = [&](juce::Component& c)
        {
            if (auto* item = c.getAccessibilityHandler(); item && item->getRole() == juce::AccessibilityRole::menuItem)
            {
                items.add(item->getTitle());
                pressed = press.isNotEmpty() && item->getTitle() == press ? item : pressed;
            }
            for (auto* child : c.getChildren())
                collect(*child);
        };
        for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
            collect(*juce::Desktop::getInstance().getComponent(i));
        if (pressed != nullptr)
            pressed->getActions().invoke(juce::AccessibilityActionType::press);
        return items;
    }

    juce::Component& dialogButton(const juce::String& label)
    {
        for (auto* child : overlay.getChildren())
            if (auto* b = dynamic_cast<DialogButton*>(child); b && b->isVisible() && b->getAction().label == label)
                return *b;
        throw std::runtime_error("no dialog button " + label.toStdString());
    }
    juce::String dialogTitle() { return partOf<DialogTitleComponent>(overlay).titleLabel.getText(); }

    ScopedHome home;
    CustomLookAndFeel lookAndFeel;
    AppContext context;
    AppConsoleLogger* logger = [this]
    {
        // As the program starts: its look-and-feel in the light theme, its logger current.
        juce::LookAndFeel::setDefaultLookAndFeel(&lookAndFeel);
        applyTheme(0);
        context.logger = std::make_unique<AppConsoleLogger>();
        juce::Logger::setCurrentLogger(context.logger.get());
        return context.logger.get();
    }();
    MainLayout layout { &context };
    HeaderComponent& header = partOf<HeaderComponent>(layout);
    DeviceListComponent& table = partOf<DeviceListComponent>(layout);
    FooterComponent& footer = partOf<FooterComponent>(layout);
    ToastOverlay& toast = partOf<ToastOverlay>(layout);
    CustomDialogOverlay& overlay = partOf<CustomDialogOverlay>(layout);
    ConsoleEditor& console = partOf<ConsoleEditor>(layout);

private:
    juce::int64 now = juce::Time::currentTimeMillis();
};
} // namespace ui_test
