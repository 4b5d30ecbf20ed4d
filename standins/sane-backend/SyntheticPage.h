#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace standin {

struct Rgb {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

// One synthetic scanned page: the scanner's darker background around a light
// gray sheet that lies slightly skewed, with lines of text-like marks on it.
// Every page of a job looks different (its index sets the skew and the marks);
// the same index and size always give the same pixels.
class SyntheticPage {
public:
    SyntheticPage(int pageIndex, int width, int height);

    // Raw RGB24 size of the page: width x height x 3.
    std::uint64_t byteCount() const;
    // Copies `length` bytes of the raw page, rows top to bottom, starting at `offset`.
    void copyBytes(std::uint64_t offset, std::size_t length, std::uint8_t *out) const;
    Rgb pixel(int x, int y) const;

    static constexpr Rgb kBackground{92, 92, 98};
    static constexpr Rgb kPaper{226, 226, 220};
    static constexpr Rgb kInk{44, 44, 52};

private:
    bool isMark(double u, double v) const;

    int m_width;
    int m_height;
    double m_cos;
    double m_sin;
    double m_centreX;
    double m_centreY;
    double m_sheetLeft, m_sheetTop, m_sheetRight, m_sheetBottom;
    double m_textLeft, m_textTop, m_textRight, m_textBottom;
    double m_linePitch;
    double m_markHeight;
    double m_cellWidth;
    std::vector<std::vector<bool>> m_lineCells;  // inked cells of each text line
};

}  // namespace standin
