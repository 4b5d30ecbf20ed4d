// Pictures: the angle of the page's outer edges in the edge map.

#include "skewmanager.h"

#include "canny.h"
#include "imagedata.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

// Slope marker of two points at the same depth, and the angle it stands for.
constexpr double kSameDepthSlope = 4294967295.0;
constexpr double kSameDepthAngle = 1.570796326562066;
constexpr double kVoteTolerance = 0.0349;
constexpr int kResumeDepth = 4;

struct EdgePoint
{
    long long depth = 0;
    long long position = 0;
    double slope = 0.0;
    double roundedSlope = 0.0;
    int votes = 0;
};

// Reads the edge map at a depth from one page edge for one probe position.
class EdgeProbe
{
public:
    EdgeProbe(const ImageData &data, SkewManager::EdgeType edge) : m_data(data), m_edge(edge) {}

    bool alongHeight() const { return m_edge == SkewManager::Left || m_edge == SkewManager::Right; }
    long long length() const { return alongHeight() ? m_data.height() : m_data.width(); }
    long long depthLimit() const { return alongHeight() ? m_data.width() : m_data.height(); }

    bool isEdge(long long position, long long depth) const
    {
        const long long width = m_data.width();
        const long long height = m_data.height();
        long long x = 0;
        long long y = 0;
        switch (m_edge) {
        case SkewManager::Left:
            x = depth;
            y = height - 1 - position;
            break;
        case SkewManager::Right:
            x = width - 1 - depth;
            y = height - 1 - position;
            break;
        case SkewManager::Top:
            x = position;
            y = depth;
            break;
        case SkewManager::Bottom:
            x = position;
            y = height - 1 - depth;
            break;
        }
        return m_data.edges()[y * width + x] == Deskew::kEdge;
    }

private:
    const ImageData &m_data;
    SkewManager::EdgeType m_edge;
};

// The depth of the edge pixel a scan takes: with skip k, the first k - 1 edge
// pixels are passed over, each time resuming 4 pixels deeper. -1 for none.
long long scanDepth(const EdgeProbe &probe, long long position, int skip)
{
    int passed = 0;
    for (long long depth = 0; depth < probe.depthLimit(); ++depth) {
        if (!probe.isEdge(position, depth))
            continue;
        if (passed + 1 < skip) {
            ++passed;
            depth += kResumeDepth - 1;
            continue;
        }
        return depth;
    }
    return -1;
}

} // namespace

double SkewManager::GetImageSkewAngle(ImageData &data, int probes, EdgeType edge, int skip,
                                      double *confidence, double *spread)
{
    if (confidence != nullptr)
        *confidence = 0.0;
    if (spread != nullptr)
        *spread = 0.0;
    if (data.edges() == nullptr || probes <= 0)
        return 0.0;
    const EdgeProbe probe(data, edge);
    const int sign = (edge == Left || edge == Top) ? 1 : -1;
    const long long spacing = probe.length() / probes;

    std::vector<EdgePoint> points;
    if (spacing > 0) {
        for (long long p = spacing; p < probe.length(); p += spacing) {
            const long long depth = scanDepth(probe, p, skip);
            if (depth >= 0) {
                EdgePoint point;
                point.depth = depth;
                point.position = p;
                points.push_back(point);
            }
        }
    }

    int pairs = 0, positives = 0, negatives = 0, equals = 0;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const long long dDepth = points[i].depth - points[i - 1].depth;
        const long long dPosition = points[i].position - points[i - 1].position;
        ++pairs;
        if (dDepth != 0) {
            points[i].slope = static_cast<double>(dPosition) / dDepth;
            points[i].roundedSlope = Deskew::round(points[i].slope, 1);
            ++(points[i].slope >= 0 ? positives : negatives);
        } else {
            points[i].slope = kSameDepthSlope;
            points[i].roundedSlope = kSameDepthSlope;
            ++equals;
        }
    }

    int highest = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            if (points[i].roundedSlope != points[j].roundedSlope)
                continue;
            const long long dDepth = points[j].depth - points[i].depth;
            const long long dPosition = points[j].position - points[i].position;
            const double between = dDepth != 0 ? std::fabs(std::atan(static_cast<double>(dPosition) / dDepth))
                                               : kSameDepthAngle;
            if (std::fabs(between - std::fabs(std::atan(points[i].slope))) < kVoteTolerance) {
                ++points[i].votes;
                ++points[j].votes;
                if (points[i].votes > highest)
                    highest = points[i].votes;
            }
        }
    }

    // The first and the last of the best-voted points after the first point.
    const EdgePoint *first = nullptr;
    const EdgePoint *last = nullptr;
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (points[i].votes != highest)
            continue;
        if (first == nullptr)
            first = &points[i];
        else
            last = &points[i];
    }

    double angle = 0.0;
    if (last != nullptr) {
        if (spread != nullptr)
            *spread = static_cast<double>(std::llabs(last->position - first->position));
        if (last->depth != first->depth) {
            const double theta = std::atan(static_cast<double>(last->position - first->position)
                                           / (last->depth - first->depth));
            const double turned = sign * theta;
            angle = turned < 0 ? -(turned + M_PI / 2) : M_PI / 2 - turned;
        }
    }

    if (confidence != nullptr && pairs > 0) {
        double a = 0.0, b = 0.0;
        if (positives > negatives) {
            a = positives + equals;
            b = negatives;
        } else {
            a = positives;
            b = negatives + equals;
        }
        *confidence = std::fabs(a / pairs - b / pairs);
    }
    return angle;
}
