#pragma once

#include "ui/IconSource.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <cstdint>
#include <memory>

// Palette: the same in both themes.
namespace Palette
{
inline const juce::Colour accentBlue { 0xff0680f9 };
inline const juce::Colour neutralGrey { 0xff6f6f6f };
inline const juce::Colour mintGreen { 0xff4fffaf };
inline const juce::Colour nearBlack { 0xff131313 };
inline const juce::Colour offWhite { 0xfffffcf6 };
} // namespace Palette

using Palette::accentBlue;
using Palette::mintGreen;
using Palette::nearBlack;
using Palette::neutralGrey;
using Palette::offWhite;

// The current theme; message thread only.
extern int32_t darkTheme;             // 1 dark, 0 light
extern juce::Colour themeBackground;  // offWhite (light) or nearBlack (dark)
extern juce::Colour themeForeground;  // nearBlack (light) or offWhite (dark)

/** Switches the theme variables and the default look-and-feel's colours; repaints nothing. */
void applyTheme(int dark);

/** Marks a control that has the keyboard focus: an accent outline just inside its rounded shape. On buttons only the
    keyboard shows it: mouse clicks on them leave the focus where it is. */
void drawFocusMark(juce::Graphics& g, juce::Rectangle<float> bounds, float cornerSize);

/** Parses an embedded SVG and recolours its #E3E8E8 and #EEEEEE fills; null when there is nothing usable. */
std::unique_ptr<juce::Drawable> createIconDrawable(const IconSource& source, juce::Colour colour);
