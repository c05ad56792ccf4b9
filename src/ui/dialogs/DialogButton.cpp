#include "ui/dialogs/DialogButton.h"

#include "ui/Theme.h"

DialogButton::DialogButton(const DialogAction& a) : juce::Button(a.label), action(a)
{
    setButtonText(a.label);
    setMouseCursor(juce::MouseCursor::PointingHandCursor);
    setMouseClickGrabsKeyboardFocus(false);
}

void DialogButton::paintButton(juce::Graphics& g, bool, bool)
{
    const auto b = getLocalBounds().toFloat();
    const auto outline = b.reduced(0.5f);
    juce::Colour textColour;

    switch (action.style)
    {
        case 0:
            g.setColour(mintGreen);
            g.fillRoundedRectangle(b, 8.0f);
            textColour = nearBlack;
            break;
        case 1:
            g.setColour(themeForeground);
            g.drawRoundedRectangle(outline, 8.0f, 1.0f);
            textColour = themeForeground;
            break;
        case 2:
            g.setColour(mintGreen);
            g.drawRoundedRectangle(outline, 8.0f, 1.0f);
            textColour = mintGreen;
            break;
        default:
            // Unknown styles are laid out and clickable but invisible.
            return;
    }

    g.setColour(textColour);
    g.setFont(juce::Font(17.0f, juce::Font::plain));
    g.drawText(getButtonText(), getLocalBounds(), juce::Justification::centred, false);

    if (hasKeyboardFocus(false))
        drawFocusMark(g, b, 8.0f);
}
