#include "ui/ToastOverlay.h"

#include "ui/Theme.h"

namespace
{
constexpr int holdTicksLimit = 120;  // at 60 Hz, about two seconds
constexpr float fadeInStep = 0.1f;
constexpr float fadeOutStep = 0.05f;
} // namespace

ToastOverlay::ToastOverlay()
{
    setAlwaysOnTop(true);
    // Never in the way: clicks reach whatever lies beneath.
    setInterceptsMouseClicks(false, false);
}

void ToastOverlay::placeInParent()
{
    if (auto* parent = getParentComponent())
        setBounds(parent->getWidth() - (width + margin), parent->getHeight() - (height + margin), width, height);
}

void ToastOverlay::show(const juce::String& newText, bool shouldPersist)
{
    text = newText;
    persistent = shouldPersist;
    placeInParent();
    setAlpha(0.0f);
    setVisible(true);
    toFront(false);
    state = 0;
    holdTicks = 0;
    startTimerHz(60);
}

void ToastOverlay::updateText(const juce::String& newText)
{
    text = newText;
    repaint();
}

void ToastOverlay::fadeOut()
{
    persistent = false;
    state = 2;
}

void ToastOverlay::timerCallback()
{
    switch (state)
    {
        case 0:
        {
            setAlpha(juce::jmin(getAlpha() + fadeInStep, 1.0f));
            if (getAlpha() >= 1.0f)
            {
                state = 1;
                holdTicks = 0;
            }
            break;
        }
        case 1:
        {
            if (!persistent && ++holdTicks > holdTicksLimit)
                state = 2;
            break;
        }
        case 2:
        {
            setAlpha(juce::jmax(getAlpha() - fadeOutStep, 0.0f));
            if (getAlpha() <= 0.0f)
            {
                setVisible(false);
                stopTimer();
            }
            break;
        }
        default:
            break;
    }
}

void ToastOverlay::paint(juce::Graphics& g)
{
    auto r = getLocalBounds().toFloat();

    g.setColour(themeBackground);
    g.fillRoundedRectangle(r, 8.0f);

    g.setColour(themeForeground);
    g.drawRoundedRectangle(r.getX() + 0.5f, r.getY() + 0.5f, juce::jmax(0.0f, r.getWidth() - 1.0f),
                           juce::jmax(0.0f, r.getHeight() - 1.0f), 8.0f, 1.0f);

    g.setFont(juce::Font(17.0f, juce::Font::bold));
    // No ellipsis: a text that does not fit is cut off.
    const juce::Rectangle<float> textArea(r.getX() + 14.0f, r.getY(), juce::jmax(0.0f, r.getWidth() - 28.0f),
                                          r.getHeight());
    g.drawText(text, textArea, juce::Justification::centredLeft, false);
}
