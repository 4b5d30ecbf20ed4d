// Writes a printer list of three printers and their status snapshots below
// an install root, for looking at the assistant by hand:
//   write-sample-files <install root>

#include "assistant_test_files.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <install root>\n", argv[0]);
        return 2;
    }
    using namespace assistant_test;
    const QString root = QString::fromLocal8Bit(argv[1]);
    WritePrinterList(root, {Printer(QStringLiteral("TX560MDW"), 1, QStringLiteral("Taliro/TX%20560MDW?serial=ABC123")),
                            Printer(QStringLiteral("Office-2F"), 2, QStringLiteral("127.0.0.2")),
                            Printer(QStringLiteral("Lab"), 2, QStringLiteral("127.0.0.3"))});
    WriteSnapshot(root, QStringLiteral("TX560MDW"), Reply(kDevicePrinting, {}, {0x110D}, 9950));
    WriteSnapshot(root, QStringLiteral("Office-2F"), Reply(kDeviceReady, {0x1106, 0x11A0}, {}, 10000));
    return 0;
}
