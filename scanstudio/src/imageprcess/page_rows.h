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

// Runs work(firstRow, endRow) over the rows of a page, in bands on the
// usable cores.
template <typename Work>
void forRowBands(const QImage &image, Work work)
{
    Deskew::parallelRows(static_cast<unsigned>(image.height()), usableCores(),
                         [&](unsigned begin, unsigned end) { work(static_cast<int>(begin), static_cast<int>(end)); });
}

} // namespace vuro
