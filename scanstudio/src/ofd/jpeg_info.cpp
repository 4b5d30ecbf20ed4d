#include "ofd.h"

namespace ofd {

namespace {

// Offsets of the JFIF density fields from the start of the file.
constexpr std::size_t kDensityUnitAt = 13;
constexpr std::size_t kDensityEnd = 18;
constexpr double kDefaultDpi = 300.0;

unsigned be16(const unsigned char* at) { return (static_cast<unsigned>(at[0]) << 8) | at[1]; }

double density_to_dpi(unsigned unit, unsigned density)
{
    if (density == 0)
        return kDefaultDpi;
    if (unit == 1)
        return density;
    if (unit == 2)
        return density * 2.54;
    return kDefaultDpi;
}

}  // namespace

bool get_jpeg_info(const unsigned char* bytes, std::size_t length, unsigned& width, unsigned& height,
                   unsigned& components, double& dpi_x, double& dpi_y)
{
    if (bytes == nullptr || length < kDensityEnd)
        return false;
    const unsigned unit = bytes[kDensityUnitAt];
    dpi_x = density_to_dpi(unit, be16(bytes + kDensityUnitAt + 1));
    dpi_y = density_to_dpi(unit, be16(bytes + kDensityUnitAt + 3));

    // The first segment after the start marker is skipped by its length;
    // from there every segment must begin with 0xFF.
    std::size_t at = 4 + be16(bytes + 4);
    while (at < length && length - at >= 4) {
        const unsigned char* segment = bytes + at;
        if (segment[0] != 0xFF)
            return false;
        const unsigned char marker = segment[1];
        if (marker == 0xC0 || marker == 0xC1 || marker == 0xC2) {
            if (length - at < 10)
                return false;
            height = be16(segment + 5);
            width = be16(segment + 7);
            components = segment[9];
            return true;
        }
        at += 2 + be16(segment + 2);
    }
    return false;
}

}  // namespace ofd
