#pragma once

// Shared by the table, cell and network-form tests: device nodes written the way AppContext writes them,
// a real look-and-feel, a message-loop pump, a log recorder and a stand-in browser launcher.

#include "app/AppContext.h"
#include "app/AppStateIds.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/SegmentedControl.h"
#include "ui/Theme.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/table/DeviceListComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <mutex>

namespace table_test
{
namespace Ids = AppStateIds;

struct NetSpec
{
    juce::String ip, mac, mask, gateway, dns1, dns2;
    bool dhcp = false;
};

struct DeviceSpec
{
    juce::String id, name, model, version, webAccess;
    bool finder = false, isTarn = false, isHost = false;
    NetSpec net0, net1;
};

/** Appends a device node in AppContext's order: the node with its id, its properties, then two interfaces. */
inline juce::ValueTree addDevice(AppContext& context, const DeviceSpec& spec)
{
    auto list = context.appState.getChildWithName(Ids::DeviceList);
    juce::ValueTree device(Ids::Device);
    device.setProperty(Ids::id, spec.id, nullptr);
    list.appendChild(device, nullptr);

    device.setProperty(Ids::name, spec.name, nullptr);
    device.setProperty(Ids::model, spec.model, nullptr);
    device.setProperty(Ids::version, spec.version, nullptr);
    device.setProperty(Ids::defaultIp, spec.net0.ip, nullptr);
    device.setProperty(Ids::port, 80, nullptr);
    device.setProperty(Ids::webAccess, spec.webAccess, nullptr);
    device.setProperty(Ids::finder, spec.finder, nullptr);
    device.setProperty(Ids::isTarn, spec.isTarn, nullptr);
    device.setProperty(Ids::isHost, spec.isHost, nullptr);

    for (int i = 0; i < 2; ++i)
    {
        const auto& net = i == 0 ? spec.net0 : spec.net1;
        juce::ValueTree iface(Ids::NetworkInterface);
        iface.setProperty(Ids::interfaceIndex, i, nullptr);
        device.appendChild(iface, nullptr);
        iface.setProperty(Ids::dhcp, net.dhcp, nullptr);
        iface.setProperty(Ids::ip, net.ip, nullptr);
        iface.setProperty(Ids::mask, net.mask, nullptr);
        iface.setProperty(Ids::gateway, net.gateway, nullptr);
        iface.setProperty(Ids::dns1, net.dns1, nullptr);
        iface.setProperty(Ids::dns2, net.dns2, nullptr);
        iface.setProperty(Ids::mac, net.mac, nullptr);
    }
    return device;
}

inline DeviceSpec device(const juce::String& id, const juce::String& name, const juce::String& ip0 = {},
                         const juce::String& ip1 = {})
{
    DeviceSpec spec;
    spec.id = id;
    spec.name = name;
    spec.net0.ip = ip0;
    spec.net1.ip = ip1;
    return spec;
}

/** Pumps the message loop until the predicate holds or the deadline passes. */
inline bool pumpUntil(const std::function<bool()>& predicate, int timeoutMs = 10000)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (! predicate())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return predicate();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    }
    return true;
}

/** Runs everything posted so far: a marker posted now is handled after it. */
inline void drainMessages()
{
    auto reached = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([reached] { *reached = true; });
    pumpUntil([reached] { return *reached; });
}

inline bool displayAvailable()
{
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

/** The program's look-and-feel as the default, in the light theme, for one test. */
class ScopedLookAndFeel
{
public:
    ScopedLookAndFeel()
    {
        juce::LookAndFeel::setDefaultLookAndFeel(&laf);
        applyTheme(0);
    }
    ~ScopedLookAndFeel()
    {
        applyTheme(0);
        juce::LookAndFeel::setDefaultLookAndFeel(nullptr);
    }
    CustomLookAndFeel laf;
};

/** Records every log line while installed as the current logger. */
class LogRecorder : public juce::Logger
{
public:
    LogRecorder() { juce::Logger::setCurrentLogger(this); }
    ~LogRecorder() override { juce::Logger::setCurrentLogger(nullptr); }

    void logMessage(const juce::String& message) override
    {
        const std::lock_guard<std::mutex> lock(mutex);
        lines.add(message);
    }

    juce::StringArray get()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return lines;
    }

private:
    std::mutex mutex;
    juce::StringArray lines;
};

/** Puts an "xdg-open" first on PATH that only writes down each address it is asked to open. */
class FakeBrowser
{
public:
    FakeBrowser()
    {
        dir = juce::File::createTempFile("table-browser");
        dir.createDirectory();
        record = dir.getChildFile("opened.txt");
        auto script = dir.getChildFile("xdg-open");
        script.replaceWithText("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" + record.getFullPathName() + "'\n", false,
                               false, "\n");
        script.setExecutePermission(true);

        oldPath = juce::SystemStats::getEnvironmentVariable("PATH", {});
        setenv("PATH", (dir.getFullPathName() + ":" + oldPath).toRawUTF8(), 1);
    }

    ~FakeBrowser()
    {
        setenv("PATH", oldPath.toRawUTF8(), 1);
        dir.deleteRecursively();
    }

    /** The addresses opened so far, one per complete line. */
    juce::StringArray opened() const
    {
        juce::StringArray lines;
        const auto text = record.loadFileAsString();
        lines.addTokens(text.upToLastOccurrenceOf("\n", false, false), "\n", {});
        if (text.isEmpty())
            lines.clear();
        return lines;
    }

    juce::File dir, record;

private:
    juce::String oldPath;
};

/** Installs an X error handler that logs nothing and carries on (XErrorTolerance.cpp). */
void tolerateXErrors();

/** A top-level window holding one component, so painting, menus and mouse input are real. */
class TestWindow
{
public:
    TestWindow(juce::Component& content, int width, int height)
    {
        juce::Desktop::getInstance().getMainMouseSource().setScreenPosition({ 1399.0f, 899.0f });
        tolerateXErrors();
        root.setBounds(0, 0, width, height);
        content.setBounds(root.getLocalBounds());
        root.addAndMakeVisible(content);
        root.setOpaque(true);
        root.addToDesktop(juce::ComponentPeer::windowIsTemporary);
        root.setVisible(true);
        pumpUntil([this] { return root.getPeer() != nullptr && root.isShowing(); });
    }

    ~TestWindow()
    {
        root.removeFromDesktop();
        root.removeAllChildren();
    }

    juce::ComponentPeer* peer() { return root.getPeer(); }
    juce::Component& top() { return root; }

    /** A real click through the window's peer, at a point in the given component. */
    void click(juce::Component& target, juce::Point<int> local,
               int button = juce::ModifierKeys::leftButtonModifier)
    {
        const auto p = root.getLocalPoint(&target, local).toFloat();
        send(p, {});
        send(p, juce::ModifierKeys().withFlags(button));
        send(p, {});
    }

private:
    void send(juce::Point<float> p, juce::ModifierKeys mods)
    {
        juce::ModifierKeys::currentModifiers = mods;
        now += 20;
        peer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p, mods,
                                 juce::MouseInputSource::defaultPressure,
                                 juce::MouseInputSource::defaultOrientation, now);
    }

    struct Root : juce::Component
    {
        void paint(juce::Graphics& g) override { g.fillAll(themeBackground); }
    } root;
    juce::int64 now = juce::Time::currentTimeMillis();
};

/** A mouse event on a component, for handlers that are called directly. */
inline juce::MouseEvent mouseEventOn(juce::Component& c, juce::Point<float> position, juce::ModifierKeys mods)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                            juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                            juce::MouseInputSource::defaultTiltY, &c, &c, now, position, now, 1, false);
}

inline juce::MouseEvent rightClickOn(juce::Component& c, juce::Point<float> position = { 5.0f, 5.0f })
{
    return mouseEventOn(c, position, juce::ModifierKeys(juce::ModifierKeys::rightButtonModifier));
}

inline juce::MouseEvent leftClickOn(juce::Component& c, juce::Point<float> position = { 5.0f, 5.0f })
{
    return mouseEventOn(c, position, juce::ModifierKeys(juce::ModifierKeys::leftButtonModifier));
}

/** Counts the pixels of an area within a tolerance of a colour. */
inline int countNear(const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance = 40)
{
    int n = 0;
    area = area.getIntersection(image.getBounds());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto p = image.getPixelAt(x, y);
            if (std::abs(p.getRed() - colour.getRed()) <= tolerance
                && std::abs(p.getGreen() - colour.getGreen()) <= tolerance
                && std::abs(p.getBlue() - colour.getBlue()) <= tolerance)
                ++n;
        }
    return n;
}

/** The darkest pixel of an area, by brightness (255 when the area is empty). */
inline int darkest(const juce::Image& image, juce::Rectangle<int> area)
{
    int result = 255;
    area = area.getIntersection(image.getBounds());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto p = image.getPixelAt(x, y);
            result = juce::jmin(result, (p.getRed() + p.getGreen() + p.getBlue()) / 3);
        }
    return result;
}

/** A component's painting on an opaque background of the theme. */
inline juce::Image paintOnBackground(juce::Component& c)
{
    juce::Image image(juce::Image::ARGB, c.getWidth(), c.getHeight(), true);
    juce::Graphics g(image);
    g.fillAll(themeBackground);
    c.paintEntireComponent(g, false);
    return image;
}

/** The display names of the rows, in display order. */
inline juce::StringArray rowNames(const DeviceListComponent& list)
{
    juce::StringArray names;
    for (const auto& row : list.rows)
        names.add(row[Ids::name].toString());
    return names;
}
/** The controls of the form on the overlay, found the way a user sees them: by the label in their row. */
struct OpenForm
{
    DynamicFormComponent* form = nullptr;
    juce::StringArray labels;
    std::map<juce::String, juce::Component*> controls;

    SegmentedControl* mode() const { return dynamic_cast<SegmentedControl*>(controls.at("IP Mode")); }
    juce::TextEditor* editor(const juce::String& label) const
    {
        return dynamic_cast<juce::TextEditor*>(controls.at(label));
    }
};

inline OpenForm findForm(CustomDialogOverlay& overlay)
{
    OpenForm open;
    for (auto* child : overlay.getChildren())
        if (auto* form = dynamic_cast<DynamicFormComponent*>(child))
            open.form = form;
    if (open.form == nullptr)
        return open;

    for (auto* child : open.form->getChildren())
        if (auto* label = dynamic_cast<juce::Label*>(child))
        {
            open.labels.add(label->getText());
            for (auto* control : open.form->getChildren())
                if (control != child && control->getY() == label->getY()
                    && dynamic_cast<juce::Label*>(control) == nullptr)
                    open.controls[label->getText()] = control;
        }
    return open;
}

/** The visible action button of the overlay with this label. */
inline DialogButton* dialogButton(CustomDialogOverlay& overlay, const juce::String& label)
{
    for (auto* child : overlay.getChildren())
        if (auto* b = dynamic_cast<DialogButton*>(child))
            if (b->isVisible() && b->getAction().label == label)
                return b;
    return nullptr;
}
} // namespace table_test
