#pragma once

// Helpers for the toast, dialog, form and segmented-control tests: pumping the message loop,
// synthetic mouse events, a real desktop window (Xvfb) and access to the components' inner parts.

#include "ui/Theme.h"
#include "ui/ToastOverlay.h"
#include "ui/dialogs/CustomDialogOverlay.h"
#include "ui/dialogs/DynamicFormComponent.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <functional>

namespace dialog_test
{
/** Pumps the message loop until the predicate holds or the deadline passes. */
inline bool pumpUntil(const std::function<bool()>& predicate, int timeoutMs = 10000)
{
    const auto deadline = juce::Time::getMillisecondCounter() + static_cast<juce::uint32>(timeoutMs);
    while (!predicate())
    {
        if (juce::Time::getMillisecondCounter() > deadline)
            return predicate();
        juce::MessageManager::getInstance()->runDispatchLoopUntil(5);
    }
    return true;
}

/** Lets queued calls (posted clicks, async deletions) run. */
inline void pumpBriefly(int turns = 5)
{
    for (int i = 0; i < turns; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(2);
}

inline bool displayAvailable()
{
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

/** Xlib's default error handler ends the process. A real application installs a quiet one; a test has none,
    and on a bare X server (no window manager, so no WM_STATE atom) JUCE's first window query fails. */
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

/** A mouse event at a point in the component's own coordinates, as the component would receive it. */
inline juce::MouseEvent mouseAt(juce::Component& c, juce::Point<float> p)
{
    const auto now = juce::Time::getCurrentTime();
    return juce::MouseEvent(juce::Desktop::getInstance().getMainMouseSource(), p,
                            juce::ModifierKeys(juce::ModifierKeys::leftButtonModifier), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                            &c, &c, now, p, now, 1, false);
}

/** Restores the light theme when a test that switched it ends. */
struct LightThemeGuard
{
    LightThemeGuard() { applyTheme(0); }
    ~LightThemeGuard() { applyTheme(0); }
};

/** A top-level window holding one component at (0, 0); mouse events go through its peer. */
class TestWindow
{
public:
    TestWindow(juce::Component& content, int width, int height)
    {
        tolerateXErrors();
        // Park the real pointer away from the window so no stray enter/move reaches it.
        juce::Desktop::getInstance().getMainMouseSource().setScreenPosition({ 1399.0f, 899.0f });
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

    juce::Component& top() { return root; }
    juce::ComponentPeer* peer() { return root.getPeer(); }

    /** A left click at a point of the window, fed through the peer as the window system would. */
    void click(juce::Point<int> p)
    {
        send(p, {});
        send(p, juce::ModifierKeys(juce::ModifierKeys::leftButtonModifier));
        send(p, {});
    }

private:
    void send(juce::Point<int> p, juce::ModifierKeys mods)
    {
        now += 50;
        peer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p.toFloat(), mods,
                                 juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                                 now);
    }

    struct Root : juce::Component
    {
        void paint(juce::Graphics& g) override { g.fillAll(juce::Colours::grey); }
    } root;
    juce::int64 now = juce::Time::currentTimeMillis();
};

/** Counts the mostly opaque pixels of an area that are close to a colour. */
inline int countNear(const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance = 40)
{
    int n = 0;
    area = area.getIntersection(image.getBounds());
    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
        {
            const auto p = image.getPixelAt(x, y);
            if (p.getAlpha() >= 128 && std::abs(p.getRed() - colour.getRed()) <= tolerance
                && std::abs(p.getGreen() - colour.getGreen()) <= tolerance
                && std::abs(p.getBlue() - colour.getBlue()) <= tolerance)
                ++n;
        }
    return n;
}

inline juce::Image snapshot(juce::Component& c)
{
    return c.createComponentSnapshot(c.getLocalBounds(), true, 1.0f);
}
} // namespace dialog_test

/** Steps the toast's timer by hand so the animation can be followed tick by tick. */
class ToastOverlayTestAccess
{
public:
    static void tick(ToastOverlay& t) { t.timerCallback(); }
    static bool timerRunning(const ToastOverlay& t) { return t.isTimerRunning(); }
};

/** The overlay's inner parts. */
class DialogOverlayTestAccess
{
public:
    explicit DialogOverlayTestAccess(CustomDialogOverlay& o) : overlay(o) {}

    juce::Rectangle<float> card() const { return overlay.cardBounds; }
    juce::OwnedArray<DialogButton>& buttons() { return overlay.buttons; }
    DialogTitleComponent& title() { return overlay.title; }
    juce::Label& message() { return overlay.messageLabel; }
    DialogMessageComponent& detail() { return overlay.detailView; }
    juce::Viewport& detailViewport() { return overlay.detailViewport; }
    DialogLinkRow& linkRow() { return overlay.linkRow; }
    DynamicFormComponent* form() { return overlay.form.get(); }
    int dismissId() const { return overlay.dismissActionId; }

private:
    CustomDialogOverlay& overlay;
};

/** The form's controls by key. */
class FormTestAccess
{
public:
    explicit FormTestAccess(DynamicFormComponent& f) : form(f) {}

    juce::TextEditor* editor(const juce::String& key) { return find(form.textEditors, key); }
    juce::ComboBox* combo(const juce::String& key) { return find(form.comboBoxes, key); }
    SegmentedControl* segmented(const juce::String& key) { return find(form.segmentedControls, key); }
    juce::Label* label(size_t index) { return index < form.labels.size() ? form.labels[index].get() : nullptr; }
    size_t labelCount() const { return form.labels.size(); }

private:
    template <typename Map>
    static auto find(Map& map, const juce::String& key) -> decltype(map.begin()->second.get())
    {
        auto it = map.find(key);
        return it != map.end() ? it->second.get() : nullptr;
    }

    DynamicFormComponent& form;
};

#define DIALOG_REQUIRE_DISPLAY()                                                                                    \
    if (!dialog_test::displayAvailable())                                                                           \
    GTEST_SKIP() << "needs a display (run under xvfb-run)"
