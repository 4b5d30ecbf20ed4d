// Text pages: the trial angle whose rays give the most uneven dark counts.

#include "skewmanager.h"

#include "imagedata.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kDegreesPerRadian = 57.29577951308232;

} // namespace

double SkewManager::GetTextSkewAngle(ImageData &data, int rowStep)
{
    m_rowStep = rowStep;
    double best = 0.0;
    int bestTenths = 0;
    for (int tenths = -250; tenths <= 250; tenths += 10) {
        const double score = Histogram(data, tenths / 10.0);
        if (score > best) {
            best = score;
            bestTenths = tenths;
        }
    }
    const int coarse = bestTenths;
    for (int tenths = coarse - 10; tenths <= coarse + 10; ++tenths) {
        const double score = Histogram(data, tenths / 10.0);
        if (score > best) {
            best = score;
            bestTenths = tenths;
        }
    }
    m_textAngle = bestTenths / 10.0;
    return m_textAngle * M_PI / 180.0;
}

double SkewManager::Histogram(ImageData &data, double degrees)
{
    const long long width = data.width();
    const long long height = data.height();
    const long long step = std::max(1, m_rowStep);
    const double t = std::tan(degrees / kDegreesPerRadian);
    const long long d = -static_cast<long long>(static_cast<double>(width) * t);
    const long long start = std::max(0LL, d);
    const long long end = std::min(height, height + d);
    const long long count = (end - start) / step + 1;
    // A page much wider than high leaves no ray at steep angles.
    if (count <= 0 || !growRayCounts(count))
        return 0.0;

    const int direction = degrees < 0 ? -1 : 1;
    const double run = (degrees > -0.05 && degrees < 0.05) ? static_cast<double>(width) : direction / t;
    unsigned long long sum = 0;
    for (long long i = 0; i < count; ++i) {
        m_rayCounts[i] = CastRay(data, static_cast<int>(start + step * i), run, direction);
        sum += m_rayCounts[i];
    }
    const double mean = static_cast<double>(sum) / count;
    double variance = 0.0;
    for (long long i = 0; i < count; ++i) {
        const double deviation = m_rayCounts[i] - mean;
        variance += deviation * deviation;
    }
    return variance / count;
}

unsigned SkewManager::CastRay(ImageData &data, int row, const double &run, int direction)
{
    const long long width = data.width();
    const long long height = data.height();
    if (width <= 0 || row < 0 || row >= height)
        return 0;
    const unsigned char *pixels = data.pixels();
    unsigned total = 0;
    long long from = 0;
    long long r = row;
    for (long long k = 1;; ++k) {
        const double segmentEnd = std::floor(k * run);
        const long long to = segmentEnd >= static_cast<double>(width) ? width : static_cast<long long>(segmentEnd);
        total += bit_count(pixels + r * width, static_cast<unsigned>(from), static_cast<unsigned>(to));
        if (to >= width || r + direction < 0 || r + direction >= height)
            break;
        r += direction;
        from = to;
    }
    return total;
}
