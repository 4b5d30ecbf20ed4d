#pragma once

#include "parallel_rows.h"

#include <QImage>

#include <sched.h>

namespace vuro {

// The processors this process may run on.
inline unsigned usableCores()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) != 0)
        return 0;
    return static_cast<unsigned>(CPU_COUNT(&set));
}

// The pixel rows of a page as the bands reach them: no band calls into the
// image, whose every non-const call may detach it.
template <typename Byte>
class PageRows
{
public:
    PageRows(Byte *bits, qsizetype bytesPerLine) : m_bits(bits), m_bytesPerLine(bytesPerLine) {}
    Byte *row(int y) const { return m_bits + static_cast<qsizetype>(y) * m_bytesPerLine; }

private:
    Byte *m_bits;
    qsizetype m_bytesPerLine;
};

namespace detail {

template <typename Work>
void runRowBands(int height, Work work)
{
    Deskew::parallelRows(static_cast<unsigned>(height), usableCores(),
                         [&](unsigned begin, unsigned end) { work(static_cast<int>(begin), static_cast<int>(end)); });
}

} // namespace detail

// Runs work(firstRow, endRow, rows) over the rows of a page, in bands on the
// usable cores; the bands read the pixels through `rows`.
template <typename Work>
void forRowBands(const QImage &image, Work work)
{
    const PageRows<const uchar> rows(image.constBits(), image.bytesPerLine());
    detail::runRowBands(image.height(), [&](int begin, int end) { work(begin, end, rows); });
}

// The same for bands that change the pixels: the page is detached here, once,
// before the bands start, and they write through `rows` only.
template <typename Work>
void forRowBandsWriting(QImage &image, Work work)
{
    const PageRows<uchar> rows(image.bits(), image.bytesPerLine());
    detail::runRowBands(image.height(), [&](int begin, int end) { work(begin, end, rows); });
}

} // namespace vuro
