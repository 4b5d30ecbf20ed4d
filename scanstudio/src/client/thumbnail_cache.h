#pragma once

#include <QHash>
#include <QImage>
#include <QSize>

#include <cstdint>

namespace vuro {
class Libimageprocess;
}

// The page strip's thumbnails, kept per page (not per position, which moves
// and deletes change) and made anew once the page has changed.
class ThumbnailCache {
public:
    explicit ThumbnailCache(QSize box)
        : m_box(box)
    {
    }

    // The thumbnail of the page at `index` in full colour, fitted into the
    // box; null for an invalid index.
    QImage thumbnail(vuro::Libimageprocess &pages, int index);
    // Forgets the thumbnails of pages that are no longer in the list.
    void prune(const vuro::Libimageprocess &pages);
    void clear() { m_entries.clear(); }
    int size() const { return m_entries.size(); }

private:
    struct Entry {
        std::uint64_t revision = 0;
        QImage image;
    };

    QSize m_box;
    QHash<std::uint64_t, Entry> m_entries;
};
