#pragma once

#include <vector>

class ImageData;

namespace Deskew {

// x rounded to `digits` decimals, halves away from zero.
double round(double x, int digits);

// What the picture method measured at one page edge; all 0 when discarded.
struct EdgeMeasure
{
    double angle = 0.0;
    double confidence = 0.0;
    double spread = 0.0;
};

// The edge (0 left, 1 top, 2 right, 3 bottom) whose angle a picture gets.
int pickEdge(const EdgeMeasure (&edges)[4]);

} // namespace Deskew

// Skew estimation of a gray page: projection profiles for text pages, the
// page's outer edges (Canny) for pictures. Angles are in radians; a positive
// angle means lines that descend to the right.
class SkewManager
{
public:
    enum EdgeType { Left = 0, Top = 1, Right = 2, Bottom = 3 };

    SkewManager() = default;
    virtual ~SkewManager();

    // True with the angle, false without pixel data or when memory runs out.
    // A picture's buffer is replaced by its edge map.
    bool GetSkewAngle(bool isText, ImageData &data, double &angle, int mode);
    double GetTextSkewAngle(ImageData &data, int rowStep);
    // `data` must hold the edge map.
    double GetImageSkewAngle(ImageData &data, int probes, EdgeType edge, int skip, double *confidence,
                             double *spread);
    // Variance of the dark pixel counts of the rays at `degrees`.
    double Histogram(ImageData &data, double degrees);
    unsigned CastRay(ImageData &data, int row, const double &run, int direction);
    static unsigned bit_count(const unsigned char *row, unsigned from, unsigned to);

    double lastTextAngle() const { return m_textAngle; }

private:
    bool growRayCounts(long long count);

    int m_rowStep = 10;
    std::vector<unsigned> m_rayCounts;
    double m_textAngle = 0.0;
    bool m_outOfMemory = false;
};
