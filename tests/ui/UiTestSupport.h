#pragma once

// The real program, started in this process as the framework starts it, in a network namespace and a home of the
// test's own, with its real window on the X server (Xvfb). Tests reach the parts through that window; mouse input
// goes through the window's peer, so hit-testing and click detection are JUCE's own.

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "app/MainApplication.h"
#include "app/MainLayout.h"
#include "app/MainWindow.h"
#include "support/MessageLoopWait.h"
#include "support/Printers.h"
#include "support/TestNetwork.h"
#include "support/UserEnvironment.h"
#include "ui/table/NameCellComponent.h"

#include <gtest/gtest.h>

#include <optional>

namespace juce
{
extern const char* const* juce_argv;  // where the framework reads the command line (juce_core)
extern int juce_argc;
} // namespace juce

namespace ui_test
{
namespace Ids = AppStateIds;

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

/** Whether two pictures are the same, pixel for pixel. */
inline bool same(const juce::Image& a, const juce::Image& b)
{
    const juce::Image::BitmapData x(a, juce::Image::BitmapData::readOnly), y(b, juce::Image::BitmapData::readOnly);
    return a.getBounds() == b.getBounds() && std::equal(x.data, x.data + x.size, y.data);
}

/** Whether a picture shows just this text in an area on this background, nothing else there: set in `box` (the area
    itself by default) in this font and ink, cut with an ellipsis. Outside the area the picture may show anything. */
inline bool showsText(const juce::Image& picture, const juce::String& text, juce::Rectangle<int> area,
                      juce::uint32 ink, const juce::Font& font, juce::uint32 background = 0,
                      juce::Justification justification = juce::Justification::centredLeft,
                      std::optional<juce::Rectangle<float>> box = {})
{
    auto expected = picture.createCopy();
    expected.clear(area, juce::Colour(background));
    juce::Graphics g(expected);
    g.reduceClipRegion(area);
    g.setColour(juce::Colour(ink));
    g.setFont(font);
    g.drawText(text, box.value_or(area.toFloat()), justification, true);
    return same(picture, expected);
}

template <typename T>
T& partOf(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* part = dynamic_cast<T*>(child))
            return *part;
    throw std::runtime_error("no such part");
}

class Program
{
public:
    /** Starts the program with these arguments, and with this settings file when one is given. */
    explicit Program(juce::StringArray arguments = {}, const juce::String& settings = {})
        : commandLine(arguments), app(start(settings))
    {
        // The real pointer stays clear of the window: the display is shared with other test processes.
        juce::Desktop::getInstance().getMainMouseSource().setScreenPosition({ 1399.0f, 899.0f });
        pumpUntil([this] { return layout.isShowing(); });
    }
    ~Program()
    {
        if (app != nullptr)
            app->shutdownApp();
    }

    /** Closes the window as a window manager does and, once that has ended the message loop, shuts the program
        down as the framework then does. The loop never runs again in this process, and the window and its parts
        are gone: a test's last step. True when the close ended the loop. */
    bool closeWindow()
    {
        window.getPeer()->handleUserClosingWindow();
        const bool quitting = juce::MessageManager::getInstance()->hasStopMessageBeenSent();
        while (quitting && juce::MessageManager::getInstance()->runDispatchLoopUntil(5)) {}  // what came before runs
        app->shutdownApp();
        app.reset();
        return quitting;
    }

    /** A press and release at a point of a component (its centre by default), with keyboard modifiers. */
    void click(juce::Component& target, juce::Point<int> at = { -1, -1 }, juce::ModifierKeys keys = {},
               int button = juce::ModifierKeys::leftButtonModifier)
    {
        const auto p = window.getLocalPoint(&target, at.x < 0 ? target.getLocalBounds().getCentre() : at).toFloat();
        now += 1000;  // apart enough never to make a double click
        for (auto mods : { keys, keys.withFlags(button), keys })
            mouseAt(p, mods);
        juce::ModifierKeys::currentModifiers = {};
    }
    /** A press at a point of a component, a move by `by` in steps, and a release there. */
    void drag(juce::Component& target, juce::Point<int> at, juce::Point<int> by)
    {
        const auto from = window.getLocalPoint(&target, at).toFloat();
        const auto down = juce::ModifierKeys().withFlags(juce::ModifierKeys::leftButtonModifier);
        now += 1000;
        mouseAt(from, {});
        for (int step = 0; step <= 4; ++step)
            mouseAt(from + by.toFloat() * (float) step / 4.0f, down);
        mouseAt(from + by.toFloat(), {});
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

    /** The items of the open popup menus, as a screen reader finds them, "(ticked)", "(greyed)"; presses `press`. */
    static juce::StringArray menuItems(const juce::String& press = {})
    {
        juce::StringArray items;
        juce::AccessibilityHandler* pressed = nullptr;
        std::function<void(juce::Component&)> collect = [&](juce::Component& c)
        {
            auto* item = c.getAccessibilityHandler();
            const bool grey = item && item->getRole() == juce::AccessibilityRole::ignored  // kept from the reader
                              && item->getTitle().isNotEmpty();
            if (item && (grey || item->getRole() == juce::AccessibilityRole::menuItem))
            {
                items.add(item->getTitle() + (item->getCurrentState().isChecked() ? " (ticked)" : "")
                          + (grey ? " (greyed)" : ""));
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

    TestNetwork network;  // before the program opens its sockets
    UserEnvironment home;

private:
    std::unique_ptr<juce::JUCEApplicationBase> start(const juce::String& settings)
    {
        if (juce::MessageManager::getInstance()->hasStopMessageBeenSent())
            throw std::runtime_error("an earlier test closed the program, which ends this process's message loop for "
                                     "good: run the window tests one per process, as ctest does");
        if (settings.isNotEmpty() && ! (home.settings().create() && home.settings().replaceWithText(settings)))
            throw std::runtime_error("cannot write the settings file");
        // As main() does: the factory makes this process an application, and the framework reads argv.
        juce::JUCEApplicationBase::createInstance = []() -> juce::JUCEApplicationBase* { return new MainApplication; };
        commandLine.insert(0, "Brelm Discovery");
        for (const auto& argument : commandLine)
            argv.push_back(argument.toRawUTF8());
        juce::juce_argc = (int) argv.size();
        juce::juce_argv = argv.data();
        std::unique_ptr<juce::JUCEApplicationBase> made(juce::JUCEApplicationBase::createInstance());
        if (! made->initialiseApp())
            throw std::runtime_error("the program did not start");
        return made;
    }

    /** The mouse at a point of the window, with these buttons and keys held, a moment after the last event. */
    void mouseAt(juce::Point<float> p, juce::ModifierKeys mods)
    {
        juce::ModifierKeys::currentModifiers = mods;
        window.getPeer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p, mods,
                                           juce::MouseInputSource::defaultPressure,
                                           juce::MouseInputSource::defaultOrientation, ++now);
    }

    juce::StringArray commandLine;
    std::vector<const char*> argv;  // into commandLine
    std::unique_ptr<juce::JUCEApplicationBase> app;
    juce::int64 now = juce::Time::currentTimeMillis();

public:
    MainWindow& window = dynamic_cast<MainWindow&>(*juce::TopLevelWindow::getTopLevelWindow(0));
    MainLayout& layout = dynamic_cast<MainLayout&>(*window.getContentComponent());
    HeaderComponent& header = partOf<HeaderComponent>(layout);
    DeviceListComponent& table = partOf<DeviceListComponent>(layout);
    AppContext& context = *table.appContext;
    FooterComponent& footer = partOf<FooterComponent>(layout);
    ToastOverlay& toast = partOf<ToastOverlay>(layout);
    CustomDialogOverlay& overlay = partOf<CustomDialogOverlay>(layout);
    ConsoleEditor& console = partOf<ConsoleEditor>(layout);
};
} // namespace ui_test
