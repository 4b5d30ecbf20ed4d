#pragma once

#include <cstdint>

// One scan request from the window to the scan session. The scan area is in
// whole millimetres.
struct tagSettingInfo {
    int xStart = 0;
    int yStart = 0;
    int xEnd = 0;
    int yEnd = 0;
    int resolution = 0;             // dots per inch
    std::uint8_t colorMode = 2;     // 0 black-and-white, 1 gray, other values colour
    std::uint8_t feederEnabled = 0; // 0 flatbed, 1 document feeder, other values automatic choice
    int option5Value = 0;
    int option6Value = 0;
};
