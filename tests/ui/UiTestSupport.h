#pragma once

// Shared by the UI tests: real desktop windows (Xvfb) with mouse input fed through the window's peer, so
// hit-testing, enter/exit and click detection are JUCE's own; message-loop waits, paintings and form lookups.

#include "support/MessageLoopWait.h"
#include "ui/CustomLookAndFeel.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/dialogs/DynamicFormComponent.h"
#include "ui/SegmentedControl.h"
#include "ui/Theme.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace ui_test
{
/** Runs whatever is queued now (posted calls, async updates and deletions) a few turns. */
void pumpBriefly(int turns = 5);

/** Runs everything posted so far: a marker posted now is handled after it. */
void drainMessages();

bool displayAvailable();

/** Restores the light theme when a test that switched it ends. */
struct LightThemeGuard
{
    LightThemeGuard() { applyTheme(0); }
    ~LightThemeGuard() { applyTheme(0); }
};

/** The program's look-and-feel as the default, in the light theme, for one test. */
struct ScopedLookAndFeel
{
    ScopedLookAndFeel() { juce::LookAndFeel::setDefaultLookAndFeel(&laf); }
    ~ScopedLookAndFeel() { juce::LookAndFeel::setDefaultLookAndFeel(nullptr); }
    LightThemeGuard theme;
    CustomLookAndFeel laf;
};

/** A top-level window holding one component (sized to the window unless it has a size already). */
class TestWindow
{
public:
    TestWindow(juce::Component& content, int width, int height);
    ~TestWindow();

    juce::Component& top() { return root; }
    juce::ComponentPeer* peer() { return root.getPeer(); }

    /** A click at a point of the window, or at a point of one of its components. */
    void click(juce::Point<int> p, int button = juce::ModifierKeys::leftButtonModifier);
    void click(juce::Component& target, juce::Point<int> local, int button = juce::ModifierKeys::leftButtonModifier);

    /** One mouse event as the window system would deliver it; keyboard modifiers are read from the global state. */
    void send(juce::Point<int> p, juce::ModifierKeys mods);

private:
    struct Root : juce::Component
    {
        void paint(juce::Graphics& g) override { g.fillAll(themeBackground); }
    } root;
    juce::int64 now = juce::Time::currentTimeMillis();
};

/** Presses, drags, releases and wheels through a window's peer with chosen keyboard modifiers. */
class Mouse
{
public:
    explicit Mouse(TestWindow& w) : window(w) {}
    ~Mouse() { juce::ModifierKeys::currentModifiers = {}; }

    void move(juce::Point<int> p, juce::ModifierKeys keys = {}) { window.send(p, keys.withoutMouseButtons()); }
    void press(juce::Point<int> p, juce::ModifierKeys keys = {}, int button = juce::ModifierKeys::leftButtonModifier);
    void drag(juce::Point<int> p, juce::ModifierKeys keys = {}, int button = juce::ModifierKeys::leftButtonModifier)
    {
        window.send(p, keys.withoutMouseButtons().withFlags(button));
    }
    void release(juce::Point<int> p, juce::ModifierKeys keys = {}) { move(p, keys); }
    void click(juce::Point<int> p, juce::ModifierKeys keys = {}, int button = juce::ModifierKeys::leftButtonModifier)
    {
        press(p, keys, button);
        release(p, keys);
    }
    void wheel(juce::Point<int> p, float deltaY);

    /** Where a component's centre lies in the window. */
    juce::Point<int> centreOf(juce::Component& c)
    {
        return window.top().getLocalPoint(&c, c.getLocalBounds().getCentre());
    }

private:
    TestWindow& window;
};

/** The first direct child of a type, as a layout holds its parts. */
template <typename T>
T* childOfType(juce::Component& parent)
{
    for (auto* child : parent.getChildren())
        if (auto* found = dynamic_cast<T*>(child))
            return found;
    return nullptr;
}

/** A mouse event on a component, for handlers that are called directly. */
inline juce::MouseEvent mouseEventOn(juce::Component& c, juce::Point<float> position, juce::ModifierKeys mods)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), position, mods,
                            juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                            juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                            juce::MouseInputSource::defaultTiltY, &c, &c, now, position, now, 1, false);
}

inline juce::MouseEvent leftClickOn(juce::Component& c, juce::Point<float> position = { 5.0f, 5.0f })
{
    return mouseEventOn(c, position, juce::ModifierKeys(juce::ModifierKeys::leftButtonModifier));
}

inline juce::MouseEvent rightClickOn(juce::Component& c, juce::Point<float> position = { 5.0f, 5.0f })
{
    return mouseEventOn(c, position, juce::ModifierKeys(juce::ModifierKeys::rightButtonModifier));
}

/** Paints a component over an opaque background, by default the theme's, as the layout behind it would show. */
juce::Image snapshot(juce::Component& c, juce::Colour background = themeBackground);

/** Paints a component alone: what it leaves unpainted stays transparent. */
inline juce::Image transparentSnapshot(juce::Component& c)
{
    return c.createComponentSnapshot(c.getLocalBounds(), true, 1.0f);
}

/** True when the pixel is nearer to a than to b. */
bool nearer(juce::Colour pixel, juce::Colour a, juce::Colour b);

/** Counts the mostly opaque pixels of an area within a tolerance of a colour. */
int countNear(const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance = 40);

/** The darkest pixel of an area, by brightness (255 when the area is empty). */
int darkest(const juce::Image& image, juce::Rectangle<int> area);

/** The controls of the form on an overlay, found the way a user sees them: by the label in their row. */
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

OpenForm findForm(CustomDialogOverlay& overlay);

/** The visible action button of the overlay with this label. */
DialogButton* dialogButton(CustomDialogOverlay& overlay, const juce::String& label);
} // namespace ui_test

#define UI_REQUIRE_DISPLAY()                                                                                        \
    if (!ui_test::displayAvailable())                                                                               \
    GTEST_SKIP() << "needs a display (run under xvfb-run)"
