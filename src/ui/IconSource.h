#pragma once

#include <cstdint>

/** An embedded SVG document; null data or a size of 0 or less means no icon. */
struct IconSource
{
    const char* svgData = nullptr;
    int32_t svgSize = 0;
};
