#include "thumbnail_cache.h"

#include "libimageprocess.h"

#include <QSet>

QImage ThumbnailCache::thumbnail(vuro::Libimageprocess &pages, int index)
{
    const std::uint64_t serial = pages.getPageSerial(index);
    if (serial == 0)
        return QImage();
    const std::uint64_t revision = pages.getPageRevision(index);
    const auto found = m_entries.constFind(serial);
    if (found != m_entries.constEnd() && found->revision == revision)
        return found->image;

    QImage *made = pages.getShowImage(index, m_box.width(), m_box.height(), color_full);
    // A page whose picture cannot be read now is tried again next time.
    if (made == nullptr)
        return QImage();
    Entry entry{revision, *made};
    pages.endImage(made);
    m_entries.insert(serial, entry);
    return entry.image;
}

void ThumbnailCache::prune(const vuro::Libimageprocess &pages)
{
    QSet<std::uint64_t> present;
    for (int i = 0; i < pages.getImageCount(); ++i)
        present.insert(pages.getPageSerial(i));
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (present.contains(it.key()))
            ++it;
        else
            it = m_entries.erase(it);
    }
}
