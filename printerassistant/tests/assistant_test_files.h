#pragma once

// The files the monitor service writes, made by tests: the printer list and
// status snapshots built with the shared reply builder.

#include "printer_records.h"
#include "status_reply_builder.h"

#include <QList>
#include <QString>

namespace assistant_test {

// A printer list record.
stPrinterInfo Printer(const QString& name, int connectType, const QString& port,
                      const QString& uri = QString(), const QString& model = QStringLiteral("Taliro TX 560MDW"));

// Writes the printer list below `root` as the service does (Qt INI settings,
// "utf-8"), replacing any earlier file.
void WritePrinterList(const QString& root, const QList<stPrinterInfo>& printers);

// Writes `bytes` as the status snapshot of `queue`, through a new file that is
// renamed over the old one, as a reader must expect.
void WriteSnapshot(const QString& root, const QString& queue, const Bytes& bytes);
void RemoveSnapshot(const QString& root, const QString& queue);

// A reply with the given device status code, error and warning codes and
// remaining toner.
Bytes Reply(unsigned char status, std::vector<unsigned> errors = {}, std::vector<unsigned> warnings = {},
            std::uint64_t toner = 0);

// Device status codes and the statuses they map to.
inline constexpr unsigned char kDeviceReady = 0;
inline constexpr unsigned char kDeviceCanceling = 3;
inline constexpr unsigned char kDevicePrinting = 16;

}  // namespace assistant_test
