#include "TextProbe.h"

#include <cmath>
#include <limits>

namespace
{
// The build copies the program's typeface next to its own outputs.
juce::File typefaceFile()
{
    return juce::File::getSpecialLocation(juce::File::currentExecutableFile)
        .getParentDirectory()
        .getParentDirectory()
        .getChildFile("assets/varela.ttf");
}

int channelDistance(juce::Colour a, juce::Colour b)
{
    return std::abs(a.getRed() - b.getRed()) + std::abs(a.getGreen() - b.getGreen())
           + std::abs(a.getBlue() - b.getBlue());
}
} // namespace

TextProbe::TextProbe()
{
    juce::MemoryBlock data;
    if (typefaceFile().loadFileAsData(data))
        typeface = juce::Typeface::createSystemTypefaceFor(data.getData(), data.getSize());
}

juce::Font TextProbe::font(float height) const
{
    return juce::Font(typeface).withHeight(height);
}

double TextProbe::mismatch(const juce::Image& shot, juce::Rectangle<int> box, const juce::String& text,
                           float height, juce::Colour ink, juce::Colour background,
                           juce::Justification justification) const
{
    if (!isReady() || shot.isNull() || box.isEmpty())
        return std::numeric_limits<double>::max();

    return compare(shot, box, background, [&](juce::Graphics& g, juce::Rectangle<int> area)
    {
        g.setColour(ink);
        g.setFont(font(height));
        g.drawText(text, area, justification, true);
    });
}

double TextProbe::compare(const juce::Image& shot, juce::Rectangle<int> box, juce::Colour background,
                          const std::function<void(juce::Graphics&, juce::Rectangle<int>)>& draw, int* bestDx) const
{
    juce::Image reference(juce::Image::RGB, box.getWidth(), box.getHeight(), true);
    {
        juce::Graphics g(reference);
        g.fillAll(background);
        draw(g, reference.getBounds());
    }

    // Only the text's own surroundings count, so neighbours (a badge, a separator line) don't.
    double inkTotal = 0;
    juce::Rectangle<int> inkBounds;
    for (int y = 0; y < reference.getHeight(); ++y)
        for (int x = 0; x < reference.getWidth(); ++x)
        {
            const auto d = channelDistance(reference.getPixelAt(x, y), background);
            inkTotal += d;
            if (d > 0)
                inkBounds = inkBounds.isEmpty() ? juce::Rectangle<int>(x, y, 1, 1)
                                                : inkBounds.getUnion({ x, y, 1, 1 });
        }
    if (inkTotal <= 0)
        return std::numeric_limits<double>::max();
    inkBounds = inkBounds.expanded(2).getIntersection(reference.getBounds());

    double best = std::numeric_limits<double>::max();
    for (int dy = -3; dy <= 3; ++dy)
        for (int dx = -3; dx <= 3; ++dx)
        {
            double total = 0;
            for (int y = inkBounds.getY(); y < inkBounds.getBottom() && total < best * inkTotal; ++y)
                for (int x = inkBounds.getX(); x < inkBounds.getRight(); ++x)
                {
                    const int sx = box.getX() + x + dx, sy = box.getY() + y + dy;
                    const auto seen = (sx >= 0 && sy >= 0 && sx < shot.getWidth() && sy < shot.getHeight())
                                          ? shot.getPixelAt(sx, sy)
                                          : background;
                    total += channelDistance(reference.getPixelAt(x, y), seen);
                }
            if (total / inkTotal < best)
            {
                best = total / inkTotal;
                if (bestDx != nullptr)
                    *bestDx = dx;
            }
        }
    return best;
}

juce::String TextProbe::bestOf(const juce::Image& shot, juce::Rectangle<int> box,
                               const juce::StringArray& candidates, float height, juce::Colour ink,
                               juce::Colour background, juce::Justification justification) const
{
    juce::String found;
    double best = 0.3;
    for (const auto& candidate : candidates)
    {
        const auto m = mismatch(shot, box, candidate, height, ink, background, justification);
        if (m < best)
        {
            best = m;
            found = candidate;
        }
    }
    return found;
}

double TextProbe::search(const juce::Image& shot, juce::Rectangle<int> area, const juce::String& text, float height,
                         juce::Colour ink, juce::Colour background, int fitWidth, int* foundX) const
{
    const int textWidth = (fitWidth > 0 ? fitWidth : font(height).getStringWidth(text)) + 4;
    double best = std::numeric_limits<double>::max();
    // The box's own search covers 3 pixels each way, so steps of 7 miss no position.
    for (int x = area.getX(); x + textWidth <= area.getRight() + 7; x += 7)
    {
        int dx = 0;
        const auto m = compare(shot, { x, area.getY(), textWidth, area.getHeight() }, background,
                               [&](juce::Graphics& g, juce::Rectangle<int> box)
        {
            g.setColour(ink);
            g.setFont(font(height));
            if (fitWidth > 0)
                g.drawFittedText(text, box.withWidth(fitWidth), juce::Justification::centred, 1);
            else
                g.drawText(text, box, juce::Justification::centredLeft, true);
        }, &dx);
        if (m < best)
        {
            best = m;
            if (foundX != nullptr)
                *foundX = x + dx;
        }
    }
    return best;
}
