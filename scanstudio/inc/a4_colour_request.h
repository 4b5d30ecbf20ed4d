#pragma once

// The scan request of an A4 page in colour, as the window sends it for an
// A4 preset, for the demos, tests and benchmarks that scan one.

#include "tagSettingInfo.h"

inline tagSettingInfo a4ColourRequest(int resolution, bool feeder)
{
    tagSettingInfo info;
    info.xStart = 0;
    info.yStart = 0;
    info.xEnd = 210;
    info.yEnd = 297;
    info.resolution = resolution;
    info.colorMode = 2;
    info.feederEnabled = feeder ? 1 : 0;
    info.option5Value = 3;
    info.option6Value = 3;
    return info;
}
