#pragma once

#include "ui/IconSource.h"

/** The font and SVG documents compiled into the program (assets/ and the npm font package). */
namespace EmbeddedResources
{
// The Varela Regular typeface.
const char* varelaFontData();
int varelaFontSize();

// 24-pixel single-path icons on the 960-unit grid, filled #EEEEEE or #E3E8E8 so they can be recoloured.
IconSource settingsIconSvg();  // gear
IconSource refreshIconSvg();   // circular arrow
IconSource filterIconSvg();    // funnel
IconSource clearIconSvg();     // cross in a circle
IconSource searchIconSvg();    // magnifying glass
IconSource editIconSvg();      // pencil
IconSource infoIconSvg();      // "i" in a circle

// 2476 x 512 wordmarks, drawn as they are.
IconSource logoLightSvg();
IconSource logoDarkSvg();
} // namespace EmbeddedResources
