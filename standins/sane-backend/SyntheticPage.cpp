#include "SyntheticPage.h"

#include <algorithm>
#include <cmath>

namespace standin {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Small deterministic mixer for the mark layout.
std::uint32_t mix(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    std::uint32_t h = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u ^ (c + 0x165667B1u) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return h;
}

// Words of 2..7 cells with one cell of space, filling 55..100 % of the line.
std::vector<bool> lineOfWords(int pageIndex, int line, int cells)
{
    std::vector<bool> inked(static_cast<std::size_t>(std::max(cells, 0)), false);
    const int used = cells * (55 + static_cast<int>(mix(pageIndex, line, 0) % 46)) / 100;
    int cell = 0;
    for (int word = 0; cell < used; ++word) {
        const int letters = 2 + static_cast<int>(mix(pageIndex, line, word + 1) % 6);
        for (int i = 0; i < letters && cell < used; ++i)
            inked[static_cast<std::size_t>(cell++)] = true;
        ++cell;
    }
    return inked;
}

}  // namespace

SyntheticPage::SyntheticPage(int pageIndex, int width, int height)
    : m_width(std::max(width, 0)), m_height(std::max(height, 0))
{
    const double degrees = (pageIndex % 2 == 0 ? 1.0 : -1.0) * (0.8 + 0.4 * (pageIndex % 3));
    m_cos = std::cos(degrees * kPi / 180.0);
    m_sin = std::sin(degrees * kPi / 180.0);
    m_centreX = m_width / 2.0;
    m_centreY = m_height / 2.0;

    const double margin = std::max(1.0, std::min(m_width, m_height) / 16.0);
    m_sheetLeft = margin;
    m_sheetTop = margin;
    m_sheetRight = m_width - margin;
    m_sheetBottom = m_height - margin;
    const double sheetWidth = m_sheetRight - m_sheetLeft;
    const double sheetHeight = m_sheetBottom - m_sheetTop;
    m_textLeft = m_sheetLeft + sheetWidth / 10.0;
    m_textRight = m_sheetRight - sheetWidth / 10.0;
    m_textTop = m_sheetTop + sheetHeight / 10.0;
    m_textBottom = m_sheetBottom - sheetHeight / 8.0;

    m_linePitch = std::max(3.0, sheetHeight / 36.0);
    m_markHeight = m_linePitch * 0.5;
    m_cellWidth = std::max(1.0, m_linePitch * 0.5);

    const int lines = std::max(0, static_cast<int>((m_textBottom - m_textTop) / m_linePitch));
    const int cells = std::max(0, static_cast<int>((m_textRight - m_textLeft) / m_cellWidth));
    for (int line = 0; line < lines; ++line)
        m_lineCells.push_back(lineOfWords(pageIndex, line, cells));
}

std::uint64_t SyntheticPage::byteCount() const
{
    return static_cast<std::uint64_t>(m_width) * static_cast<std::uint64_t>(m_height) * 3u;
}

bool SyntheticPage::isMark(double u, double v) const
{
    if (u < m_textLeft || u >= m_textRight || v < m_textTop || v >= m_textBottom)
        return false;
    const double down = v - m_textTop;
    const auto line = static_cast<std::size_t>(down / m_linePitch);
    if (line >= m_lineCells.size() || down - line * m_linePitch >= m_markHeight)
        return false;
    const double across = (u - m_textLeft) / m_cellWidth;
    const auto cell = static_cast<std::size_t>(across);
    const std::vector<bool> &cells = m_lineCells[line];
    // A letter takes most of its cell, leaving a thin gap to the next one.
    return cell < cells.size() && cells[cell] && across - cell < 0.75;
}

Rgb SyntheticPage::pixel(int x, int y) const
{
    // Turn the pixel back into the sheet's own frame.
    const double dx = x + 0.5 - m_centreX;
    const double dy = y + 0.5 - m_centreY;
    const double u = m_cos * dx + m_sin * dy + m_centreX;
    const double v = -m_sin * dx + m_cos * dy + m_centreY;
    if (u < m_sheetLeft || u >= m_sheetRight || v < m_sheetTop || v >= m_sheetBottom)
        return kBackground;
    return isMark(u, v) ? kInk : kPaper;
}

void SyntheticPage::copyBytes(std::uint64_t offset, std::size_t length, std::uint8_t *out) const
{
    const std::uint64_t end = std::min<std::uint64_t>(offset + length, byteCount());
    std::uint64_t at = offset;
    while (at < end) {
        const std::uint64_t index = at / 3;
        const Rgb rgb = pixel(static_cast<int>(index % m_width), static_cast<int>(index / m_width));
        const std::uint8_t channels[3] = {rgb.r, rgb.g, rgb.b};
        for (auto channel = static_cast<unsigned>(at % 3); channel < 3 && at < end; ++channel, ++at)
            *out++ = channels[channel];
    }
}

}  // namespace standin
