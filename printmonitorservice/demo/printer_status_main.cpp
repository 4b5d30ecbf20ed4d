// printerstatus: what PrintMonitorService published below an install root,
// as the printer tools read it: the printer list file as it stands, then each
// listed printer with the status decoded from its status file (state, toner,
// errors and warnings, in the tray assistant's English texts).
// Usage: printerstatus <install root>

#include "printer_files.h"
#include "printer_list_reader.h"
#include "status_texts.h"
#include "util_printer_status.h"

#include <QFile>
#include <QStringList>

#include <cstdio>

namespace {

QString Conditions(const QList<enErrorStatus>& list)
{
    QStringList texts;
    for (const enErrorStatus condition : list)
        texts << assistant::ErrorDescText(condition, assistant::kLanguageEnglish);
    return texts.isEmpty() ? QStringLiteral("none") : texts.join(QStringLiteral("; "));
}

void ShowPrinter(const QString& root, const stPrinterInfo& printer)
{
    const QString connection = printer.iConnectType == 1 ? QStringLiteral("USB") : QStringLiteral("network");
    std::printf("%s (%s, %s, port %s)\n", qUtf8Printable(printer.strName), qUtf8Printable(printer.strModel),
                qUtf8Printable(connection), qUtf8Printable(printer.strPort));
    QFile file(printer_files::StatusSnapshotPath(root, printer.strName));
    if (!file.open(QIODevice::ReadOnly)) {
        std::printf("  no status file: Off-line\n");
        return;
    }
    const QByteArray reply = file.read(printer_files::kStatusSnapshotMaxBytes);
    std::printf("  status file cfg/%s.dat, %d bytes\n", qUtf8Printable(printer.strName), reply.size());
    UtilPrinterStatus parser;
    if (!parser.parseRecvBuf(reinterpret_cast<const unsigned char*>(reply.constData()),
                             static_cast<unsigned long>(reply.size()))) {
        std::printf("  the reply does not parse\n");
        return;
    }
    stPrinterState state;
    parser.fillPrinterState(state);
    std::printf("  state:    %s\n",
                qUtf8Printable(assistant::StatusText(state.enCurrentStatus, assistant::kLanguageEnglish)));
    std::printf("  toner:    %.2f%%\n", static_cast<double>(state.dwRemainingToner) / 100.0);
    std::printf("  errors:   %s\n", qUtf8Printable(Conditions(state.listError)));
    std::printf("  warnings: %s\n", qUtf8Printable(Conditions(state.listWarning)));
    std::printf("  printer:  %s (vendor %s), serial %s, firmware %s\n", qUtf8Printable(state.strProductName),
                qUtf8Printable(state.strVenderName), qUtf8Printable(state.strPrinterSerialNumber),
                qUtf8Printable(state.strFWVersion));
}

}  // namespace

int main(int argc, char* argv[])
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <install root>\n", argv[0]);
        return 2;
    }
    const QString root = QFile::decodeName(argv[1]);
    QFile list(printer_files::PrinterListPath(root));
    if (!list.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "printerstatus: no %s\n", qUtf8Printable(list.fileName()));
        return 1;
    }
    std::printf("-- %s\n%s\n", qUtf8Printable(list.fileName()), list.readAll().constData());
    std::printf("-- printers and their polled status\n");
    for (const stPrinterInfo& printer : GetPrinterInfo(root))
        ShowPrinter(root, printer);
    return 0;
}
