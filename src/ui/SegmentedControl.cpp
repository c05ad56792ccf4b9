#include "ui/SegmentedControl.h"

#include "ui/Theme.h"

SegmentedControl::SegmentedControl()
{
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
    setWantsKeyboardFocus(true);
    // A click must not leave the focus mark behind: the mouse look stays as it was.
    setMouseClickGrabsKeyboardFocus(false);
}

juce::String SegmentedControl::getSelectedText() const
{
    if (static_cast<uint32_t>(selectedIndex) < static_cast<uint32_t>(options.size()))
        return options[selectedIndex];
    return {};
}

void SegmentedControl::mouseDown(const juce::MouseEvent& e)
{
    const int n = options.size();
    if (!isEnabled() || n == 0)
        return;

    const float segmentWidth = static_cast<float>(getWidth()) / static_cast<float>(n);
    // A click on the very right edge would give index n: it belongs to the last segment.
    select(juce::jlimit(0, n - 1, static_cast<int>(e.position.x / segmentWidth)));
}

bool SegmentedControl::keyPressed(const juce::KeyPress& key)
{
    const int n = options.size();
    if (!isEnabled() || n == 0)
        return false;

    const int current = juce::jlimit(0, n - 1, static_cast<int>(selectedIndex));
    if (key.isKeyCode(juce::KeyPress::leftKey) || key.isKeyCode(juce::KeyPress::upKey))
        select(juce::jmax(0, current - 1));
    else if (key.isKeyCode(juce::KeyPress::rightKey) || key.isKeyCode(juce::KeyPress::downKey))
        select(juce::jmin(n - 1, current + 1));
    else if (key.isKeyCode(juce::KeyPress::spaceKey))
        select((current + 1) % n);
    else
        return false;
    return true;
}

void SegmentedControl::select(int index)
{
    if (index == selectedIndex)
        return;

    selectedIndex = index;
    repaint();
    if (onChange)
        onChange(getSelectedText());
}

void SegmentedControl::enablementChanged()
{
    repaint();
}

void SegmentedControl::focusGained(FocusChangeType)
{
    repaint();
}

void SegmentedControl::focusLost(FocusChangeType)
{
    repaint();
}

void SegmentedControl::paint(juce::Graphics& g)
{
    const auto bounds = getLocalBounds().toFloat();
    const float x = bounds.getX(), y = bounds.getY(), w = bounds.getWidth(), h = bounds.getHeight();
    const int n = options.size();
    const auto base = themeForeground.withAlpha(isEnabled() ? 1.0f : 0.35f);

    const juce::Rectangle<float> inner(x + 1.0f, y + 1.0f, juce::jmax(0.0f, w - 2.0f), juce::jmax(0.0f, h - 2.0f));
    const float segmentWidth = n > 0 ? inner.getWidth() / static_cast<float>(n) : 0.0f;
    auto segment = [&](int i)
    {
        return juce::Rectangle<float>(inner.getX() + static_cast<float>(i) * segmentWidth, inner.getY(), segmentWidth,
                                      inner.getHeight());
    };

    if (n > 0)
    {
        if (static_cast<uint32_t>(selectedIndex) < static_cast<uint32_t>(n))
        {
            // Only the control's outer corners are rounded.
            const bool first = selectedIndex == 0;
            const bool last = selectedIndex == n - 1;
            const auto s = segment(selectedIndex);
            juce::Path path;
            path.addRoundedRectangle(s.getX(), s.getY(), s.getWidth(), s.getHeight(), 7.0f, 7.0f, first, last, first,
                                     last);
            g.setColour(base);
            g.fillPath(path);
        }

        // Two segments read clearly without a divider.
        if (n >= 3)
        {
            g.setColour(base);
            for (int i = 1; i < n; ++i)
            {
                const float lineX = inner.getX() + static_cast<float>(i) * segmentWidth;
                g.drawLine(lineX, inner.getY(), lineX, inner.getBottom(), 1.0f);
            }
        }
    }

    g.setColour(base);
    g.drawRoundedRectangle(x + 0.5f, y + 0.5f, juce::jmax(0.0f, w - 1.0f), juce::jmax(0.0f, h - 1.0f), 8.0f, 1.0f);

    g.setFont(17.0f);
    for (int i = 0; i < n; ++i)
    {
        g.setColour(i == selectedIndex ? themeBackground : themeForeground);
        g.drawText(options[i], segment(i), juce::Justification::centred, false);
    }

    if (hasKeyboardFocus(false))
        drawFocusMark(g, bounds, 8.0f);
}
