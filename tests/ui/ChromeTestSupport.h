#pragma once

// Helpers for the header, search box, dropdown and footer tests: a real desktop window (Xvfb) and
// mouse input fed through the window's peer, so hit-testing, enter/exit and click detection are JUCE's own.

#include "ui/Theme.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <functional>

namespace chrome_test
{
/** Pumps the message loop until the predicate holds or the deadline passes. */
inline bool pumpUntil(const std::function<bool()>& predicate, int timeoutMs = 10000)
{
    const auto deadline = juce::Time::getMillisecondCounter() + (juce::uint32) timeoutMs;
    while (!predicate())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return predicate();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    }
    return true;
}

/** Runs whatever is queued now (posted calls, async updates) a few turns. */
inline void pumpBriefly(int turns = 5)
{
    for (int i = 0; i < turns; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(2);
}

inline bool displayAvailable()
{
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

/** Xlib's default error handler ends the process. JUCE installs a quiet one only in a real application, and
    without a window manager it asks for properties (WM_STATE) that do not exist; a test is no application. */
inline void tolerateXErrors()
{
    static const bool installed = []
    {
        if (auto* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_NOLOAD))
        {
            using Handler = int (*)(void*, void*);
            using SetHandler = Handler (*)(Handler);
            if (auto set = reinterpret_cast<SetHandler>(dlsym(lib, "XSetErrorHandler")))
                set([](void*, void*) { return 0; });
            dlclose(lib);
        }
        return true;
    }();
    (void) installed;
}

/** Where the real pointer waits, clear of every test window. */
inline juce::Point<float> parkedPointer()
{
    return { 1399.0f, 899.0f };
}

/** A top-level window holding one component at its origin; the real pointer is kept out of its way. */
class TestWindow
{
public:
    TestWindow(juce::Component& content, int width, int height, juce::Point<int> origin = {})
    {
        // Park the real X pointer where no test window lies, so no stray enter/move reaches us.
        tolerateXErrors();
        // Only when the real pointer is in the way: moving it disturbs tests of other processes.
        auto source = juce::Desktop::getInstance().getMainMouseSource();
        if (juce::Rectangle<int>(origin.x, origin.y, width, height).toFloat().contains(source.getScreenPosition()))
            source.setScreenPosition(parkedPointer());
        root.setBounds(origin.x, origin.y, width, height);
        root.addAndMakeVisible(content);
        root.setOpaque(true);
        root.addToDesktop(0);
        root.setVisible(true);
        pumpUntil([this] { return root.getPeer() != nullptr && root.isShowing(); });
    }

    ~TestWindow()
    {
        if (pointerMoved)
            juce::Desktop::getInstance().getMainMouseSource().setScreenPosition(parkedPointer());
        root.removeFromDesktop();
        root.removeAllChildren();
    }

    juce::Component& top() { return root; }
    juce::ComponentPeer* peer() { return root.getPeer(); }

    /** Set when a test took the real pointer into the window. */
    bool pointerMoved = false;

private:
    struct Root : juce::Component
    {
        void paint(juce::Graphics& g) override { g.fillAll(juce::Colours::grey); }
    } root;
};

/** Feeds mouse events to a window's peer with chosen keyboard modifiers and a made-up clock. */
class Mouse
{
public:
    explicit Mouse(TestWindow& w) : window(w) {}
    ~Mouse() { juce::ModifierKeys::currentModifiers = {}; }

    void move(juce::Point<int> p, juce::ModifierKeys keys = {})
    {
        send(p, keys.withoutMouseButtons());
    }

    /** A move that also takes the real pointer along, for code that asks where the pointer really is. */
    void hoverTo(juce::Point<int> p)
    {
        // The real pointer also reaches other windows on the display: give such tests a window of their
        // own place (see TestWindow's origin), clear of the usual ones at (0, 0).
        window.pointerMoved = true;
        const auto screen = window.top().localPointToGlobal(p);
        juce::Desktop::getInstance().getMainMouseSource().setScreenPosition(screen.toFloat());
        move(p);
        pumpBriefly();
    }

    void press(juce::Point<int> p, juce::ModifierKeys keys = {}, int button = juce::ModifierKeys::leftButtonModifier)
    {
        send(p, keys.withoutMouseButtons());
        send(p, keys.withoutMouseButtons().withFlags(button));
    }

    void drag(juce::Point<int> p, juce::ModifierKeys keys = {}, int button = juce::ModifierKeys::leftButtonModifier)
    {
        send(p, keys.withoutMouseButtons().withFlags(button));
    }

    void release(juce::Point<int> p, juce::ModifierKeys keys = {})
    {
        send(p, keys.withoutMouseButtons());
    }

    void click(juce::Point<int> p, juce::ModifierKeys keys = {}, int button = juce::ModifierKeys::leftButtonModifier)
    {
        press(p, keys, button);
        release(p, keys);
    }

    void wheel(juce::Point<int> p, float deltaY)
    {
        juce::MouseWheelDetails details {};
        details.deltaX = 0.0f;
        details.deltaY = deltaY;
        details.isReversed = false;
        details.isSmooth = false;
        details.isInertial = false;
        now += 10;
        window.peer()->handleMouseWheel(juce::MouseInputSource::InputSourceType::mouse, p.toFloat(), now, details);
    }

    /** Where a component's centre lies in the window. */
    juce::Point<int> centreOf(juce::Component& c)
    {
        return window.top().getLocalPoint(&c, c.getLocalBounds().getCentre());
    }

private:
    void send(juce::Point<int> p, juce::ModifierKeys mods)
    {
        // Keyboard modifiers are read from the global state, buttons from the event.
        juce::ModifierKeys::currentModifiers = mods;
        now += 10;
        window.peer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p.toFloat(), mods,
                                        juce::MouseInputSource::defaultPressure,
                                        juce::MouseInputSource::defaultOrientation, now);
    }

    TestWindow& window;
    juce::int64 now = juce::Time::currentTimeMillis();
};

/** Paints a component over the theme background, as the layout behind it would show. */
inline juce::Image snapshot(juce::Component& c, juce::Colour background)
{
    juce::Image image(juce::Image::ARGB, juce::jmax(1, c.getWidth()), juce::jmax(1, c.getHeight()), true);
    juce::Graphics g(image);
    g.fillAll(background);
    c.paintEntireComponent(g, true);
    return image;
}

inline juce::Image snapshot(juce::Component& c)
{
    return snapshot(c, themeBackground);
}

/** True when the pixel is nearer to a than to b. */
inline bool nearer(juce::Colour pixel, juce::Colour a, juce::Colour b)
{
    auto dist = [](juce::Colour x, juce::Colour y)
    {
        const int dr = x.getRed() - y.getRed(), dg = x.getGreen() - y.getGreen(), db = x.getBlue() - y.getBlue();
        return dr * dr + dg * dg + db * db;
    };
    return dist(pixel, a) < dist(pixel, b);
}

/** Counts pixels in an area whose colour is close to the given one. */
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
} // namespace chrome_test

#define CHROME_REQUIRE_DISPLAY()                                                                                    \
    if (!chrome_test::displayAvailable())                                                                           \
    GTEST_SKIP() << "needs a display (run under xvfb-run)"
