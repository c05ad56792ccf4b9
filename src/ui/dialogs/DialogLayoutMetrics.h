#pragma once

/** What the dialog card needs, measured at one card width. */
struct DialogLayoutMetrics
{
    float width = 0.0f;
    float messageHeight = 0.0f;
    float detailHeight = 0.0f;
    float formHeight = 0.0f;
    float linkHeight = 0.0f;
    float buttonGap = 20.0f;
    float totalHeight = 0.0f;
    bool hasMessage = false;
    bool hasDetail = false;
    bool hasLink = false;
};
