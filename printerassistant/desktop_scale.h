#pragma once

// Windows laid out for a 1920-pixel-wide desktop grow on a wider one.
inline constexpr int kDesignDesktopWidth = 1920;

// desktop width / 1920 on a desktop wider than 1920 pixels, else 1.
double DesktopScale();
int DesktopWidth();
int DesktopHeight();

// `value` times `scale`, the fraction cut.
inline int Scaled(int value, double scale)
{
    return static_cast<int>(value * scale);
}
