#include "skewmanager.h"

#include "imagedata.h"

#include <cmath>
#include <new>

namespace Deskew {

double round(double x, int digits)
{
    const double shifted = x * std::pow(10.0, digits + 1) + (x >= 0 ? 5.0 : -5.0);
    return std::trunc(shifted / 10.0) / std::pow(10.0, digits);
}

int pickEdge(const EdgeMeasure (&edges)[4])
{
    const EdgeMeasure &left = edges[SkewManager::Left];
    const EdgeMeasure &right = edges[SkewManager::Right];
    if (left.confidence >= 0.4999 && right.confidence >= 0.4999)
        return left.spread > right.spread ? SkewManager::Left : SkewManager::Right;
    int pick = SkewManager::Left;
    for (int e = 1; e < 4; ++e) {
        if (edges[e].confidence >= 0.6999 && edges[pick].confidence >= 0.6999) {
            if (edges[e].spread > edges[pick].spread)
                pick = e;
        } else if (edges[e].confidence > edges[pick].confidence) {
            pick = e;
        }
    }
    return pick;
}

} // namespace Deskew

namespace {

constexpr int kTextRowStep = 10;
constexpr int kProbes = 50;
// The text method's range of trial angles; an edge beyond it is no page edge.
constexpr double kLargestEdgeAngle = 25.0 * M_PI / 180.0;

// Measures the four edges with `skip`; an edge whose confidence fails
// `keep`, or whose angle lies beyond +-25 degrees, is discarded (all values 0).
template <typename Keep>
int measureEdges(SkewManager &manager, ImageData &data, int skip, Keep keep, Deskew::EdgeMeasure (&edges)[4])
{
    int kept = 0;
    for (int e = 0; e < 4; ++e) {
        Deskew::EdgeMeasure m;
        m.angle = manager.GetImageSkewAngle(data, kProbes, static_cast<SkewManager::EdgeType>(e), skip,
                                            &m.confidence, &m.spread);
        const bool keeps = keep(m.confidence) && std::fabs(m.angle) <= kLargestEdgeAngle;
        edges[e] = keeps ? m : Deskew::EdgeMeasure{};
        kept += keeps ? 1 : 0;
    }
    return kept;
}

} // namespace

SkewManager::~SkewManager() = default;

bool SkewManager::GetSkewAngle(bool isText, ImageData &data, double &angle, int mode)
{
    if (data.pixels() == nullptr || data.bytesPerPixel() != 1)
        return false;
    if (isText) {
        m_outOfMemory = false;
        const double measured = GetTextSkewAngle(data, kTextRowStep);
        if (m_outOfMemory)
            return false;
        angle = measured;
        return true;
    }
    if (!data.BlurToEdges(mode))
        return false;
    Deskew::EdgeMeasure edges[4];
    try {
        const int kept = measureEdges(*this, data, 2, [](double c) { return !(c < 0.2999); }, edges);
        if (kept < 2)
            measureEdges(*this, data, 1, [](double c) { return c > 0.39; }, edges);
    } catch (const std::bad_alloc &) {
        return false;
    }
    angle = edges[Deskew::pickEdge(edges)].angle;
    return true;
}

bool SkewManager::growRayCounts(long long count)
{
    if (count <= static_cast<long long>(m_rayCounts.size()))
        return true;
    try {
        m_rayCounts.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc &) {
        m_outOfMemory = true;
        return false;
    }
    return true;
}

unsigned SkewManager::bit_count(const unsigned char *row, unsigned from, unsigned to)
{
    unsigned dark = 0;
    for (unsigned x = from; x < to; ++x)
        dark += row[x] < 128 ? 1u : 0u;
    return dark;
}
