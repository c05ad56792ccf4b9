#include "UiTestSupport.h"

#include <memory>

namespace ui_test
{
void pumpBriefly(int turns)
{
    for (int i = 0; i < turns; ++i)
        juce::MessageManager::getInstance()->runDispatchLoopUntil(2);
}

void drainMessages()
{
    auto reached = std::make_shared<bool>(false);
    juce::MessageManager::callAsync([reached] { *reached = true; });
    pumpUntil([reached] { return *reached; });
}

bool displayAvailable()
{
    return juce::Desktop::getInstance().getDisplays().getPrimaryDisplay() != nullptr;
}

TestWindow::TestWindow(juce::Component& content, int width, int height)
{
    // Move the real pointer only when it is in the way: every test process shares the display.
    auto source = juce::Desktop::getInstance().getMainMouseSource();
    if (juce::Rectangle<int>(0, 0, width, height).toFloat().contains(source.getScreenPosition()))
        source.setScreenPosition({ 1399.0f, 899.0f });  // clear of every test window
    root.setBounds(0, 0, width, height);
    if (content.getBounds().isEmpty())
        content.setBounds(0, 0, width, height);
    root.addAndMakeVisible(content);
    root.setOpaque(true);
    root.addToDesktop(0);
    root.setVisible(true);
    pumpUntil([this] { return root.getPeer() != nullptr && root.isShowing(); });
}

TestWindow::~TestWindow()
{
    juce::ModifierKeys::currentModifiers = {};
    root.removeFromDesktop();
    root.removeAllChildren();
}

void TestWindow::click(juce::Point<int> p, int button)
{
    send(p, {});
    send(p, juce::ModifierKeys().withFlags(button));
    send(p, {});
}

void TestWindow::click(juce::Component& target, juce::Point<int> local, int button)
{
    click(root.getLocalPoint(&target, local), button);
}

void TestWindow::send(juce::Point<int> p, juce::ModifierKeys mods)
{
    juce::ModifierKeys::currentModifiers = mods;
    now += 20;
    peer()->handleMouseEvent(juce::MouseInputSource::InputSourceType::mouse, p.toFloat(), mods,
                             juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation, now);
}

void Mouse::press(juce::Point<int> p, juce::ModifierKeys keys, int button)
{
    window.send(p, keys.withoutMouseButtons());
    window.send(p, keys.withoutMouseButtons().withFlags(button));
}

void Mouse::wheel(juce::Point<int> p, float deltaY)
{
    juce::MouseWheelDetails details {};
    details.deltaY = deltaY;
    window.peer()->handleMouseWheel(juce::MouseInputSource::InputSourceType::mouse, p.toFloat(),
                                    juce::Time::currentTimeMillis(), details);
}

juce::Image snapshot(juce::Component& c, juce::Colour background)
{
    juce::Image image(juce::Image::ARGB, juce::jmax(1, c.getWidth()), juce::jmax(1, c.getHeight()), true);
    juce::Graphics g(image);
    g.fillAll(background);
    c.paintEntireComponent(g, true);
    return image;
}

bool nearer(juce::Colour pixel, juce::Colour a, juce::Colour b)
{
    auto dist = [](juce::Colour x, juce::Colour y)
    {
        const int dr = x.getRed() - y.getRed(), dg = x.getGreen() - y.getGreen(), db = x.getBlue() - y.getBlue();
        return dr * dr + dg * dg + db * db;
    };
    return dist(pixel, a) < dist(pixel, b);
}

int countNear(const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int tolerance)
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

int darkest(const juce::Image& image, juce::Rectangle<int> area)
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

OpenForm findForm(CustomDialogOverlay& overlay)
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

DialogButton* dialogButton(CustomDialogOverlay& overlay, const juce::String& label)
{
    for (auto* child : overlay.getChildren())
        if (auto* b = dynamic_cast<DialogButton*>(child))
            if (b->isVisible() && b->getAction().label == label)
                return b;
    return nullptr;
}
} // namespace ui_test
