#include "ui/console/ConsoleSplitter.h"

#include "ui/CustomLookAndFeel.h"
#include "ui/Theme.h"

ConsoleSplitter::ConsoleSplitter()
{
    setMouseCursor(juce::MouseCursor::UpDownResizeCursor);
}

void ConsoleSplitter::mouseEnter(const juce::MouseEvent&)
{
    hovered = true;
    repaint();
}

void ConsoleSplitter::mouseExit(const juce::MouseEvent&)
{
    hovered = false;
    repaint();
}

void ConsoleSplitter::mouseDown(const juce::MouseEvent& event)
{
    lastDragY = event.getScreenPosition().toFloat().y;
}

void ConsoleSplitter::mouseDrag(const juce::MouseEvent& event)
{
    // Screen coordinates: the splitter itself moves while the layout follows the drag.
    const float y = event.getScreenPosition().toFloat().y;
    const float delta = y - lastDragY;
    if (delta == 0.0f)
        return;
    if (onDrag)
        onDrag(delta);
    lastDragY = y;
}

void ConsoleSplitter::paint(juce::Graphics& g)
{
    auto colour = findColour(CustomLookAndFeel::separatorColourId, true);
    if (colour.isTransparent())
        colour = neutralGrey;
    g.setColour(colour.withAlpha(hovered ? 1.0f : 0.4f));

    const auto b = getLocalBounds().toFloat();
    g.fillRoundedRectangle(b.getX() + b.getWidth() / 2.0f - 20.0f, b.getY() + b.getHeight() / 2.0f - 2.0f, 40.0f,
                           4.0f, 2.0f);
}
