#include "shared_printer_list.h"

#include <QMutexLocker>

namespace assistant {

int SharedPrinterList::Size() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries.size();
}

QList<stPrinterManager> SharedPrinterList::Entries() const
{
    QMutexLocker lock(&m_mutex);
    return m_entries;
}

void SharedPrinterList::Replace(const QList<stPrinterManager>& entries)
{
    QMutexLocker lock(&m_mutex);
    m_entries = entries;
}

bool SharedPrinterList::CopyEntry(int index, stPrinterManager& entry) const
{
    QMutexLocker lock(&m_mutex);
    if (index < 0 || index >= m_entries.size())
        return false;
    entry = m_entries.at(index);
    return true;
}

bool SharedPrinterList::WriteBackSamePrinter(int index, const stPrinterManager& entry,
                                             stPrinterState& previous)
{
    QMutexLocker lock(&m_mutex);
    if (index < 0 || index >= m_entries.size())
        return false;
    stPrinterManager& current = m_entries[index];
    if (current.stInfo.strName != entry.stInfo.strName || current.stInfo.strURI != entry.stInfo.strURI)
        return false;
    previous = current.stState;
    current = entry;
    return true;
}

}  // namespace assistant
