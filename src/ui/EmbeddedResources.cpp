#include "ui/EmbeddedResources.h"

#include <BrelmAssets.h>

namespace EmbeddedResources
{
const char* varelaFontData()
{
    return BrelmAssets::varela_ttf;
}

int varelaFontSize()
{
    return BrelmAssets::varela_ttfSize;
}

IconSource settingsIconSvg() { return { BrelmAssets::settings_svg, BrelmAssets::settings_svgSize }; }
IconSource refreshIconSvg() { return { BrelmAssets::refresh_svg, BrelmAssets::refresh_svgSize }; }
IconSource filterIconSvg() { return { BrelmAssets::filter_svg, BrelmAssets::filter_svgSize }; }
IconSource clearIconSvg() { return { BrelmAssets::clear_svg, BrelmAssets::clear_svgSize }; }
IconSource searchIconSvg() { return { BrelmAssets::search_svg, BrelmAssets::search_svgSize }; }
IconSource editIconSvg() { return { BrelmAssets::edit_svg, BrelmAssets::edit_svgSize }; }
IconSource infoIconSvg() { return { BrelmAssets::info_svg, BrelmAssets::info_svgSize }; }

IconSource logoLightSvg() { return { BrelmAssets::logo_light_svg, BrelmAssets::logo_light_svgSize }; }
IconSource logoDarkSvg() { return { BrelmAssets::logo_dark_svg, BrelmAssets::logo_dark_svgSize }; }
} // namespace EmbeddedResources
