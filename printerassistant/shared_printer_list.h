#pragma once

#include "printer_records.h"

#include <QList>
#include <QMutex>

// The assistant's own printer list types; the monitor service has others of
// the same names.
namespace assistant {

// One printer of the assistant's list: its record and its last known state.
struct stPrinterManager {
    stPrinterInfo stInfo;
    stPrinterState stState;
};

// The printer list shared by the window, the list reader and the status
// readers; one lock guards every access. An entry's position is the
// printer's index.
class SharedPrinterList {
public:
    int Size() const;
    QList<stPrinterManager> Entries() const;
    void Replace(const QList<stPrinterManager>& entries);

    // Copies the entry at `index`; false when there is none.
    bool CopyEntry(int index, stPrinterManager& entry) const;

    // Stores `entry` at `index` when the entry there still describes the
    // same printer (same name and URI), handing back the state it replaces;
    // false, and nothing stored, otherwise.
    bool WriteBackSamePrinter(int index, const stPrinterManager& entry, stPrinterState& previous);

private:
    mutable QMutex m_mutex;
    QList<stPrinterManager> m_entries;
};

}  // namespace assistant
