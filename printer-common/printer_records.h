#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One printer queue as published in the printer list file.
struct stPrinterInfo {
    QString strName;   // CUPS queue name
    QString strModel;  // model name as the queue's PPD gives it
    int iConnectType = 0;  // 1 USB, 2 network, 0 not set
    QString strPort;   // USB: device URI without "usb://"; network: IPv4 address
    QString strURI;    // whole CUPS device URI
};

// Printer status; the value is also the row of the status text table.
enum enPrinterStatus {
    PRINTER_STATUS_UNKNOWN = 0,
    PRINTER_STATUS_VERSION_MISMATCH = 1,
    PRINTER_STATUS_OFFLINE = 2,
    PRINTER_STATUS_READY = 3,
    PRINTER_STATUS_INITIALIZE = 4,
    PRINTER_STATUS_BUSY = 5,
    PRINTER_STATUS_CANCELING_JOB = 6,
    PRINTER_STATUS_ERROR = 7,
    PRINTER_STATUS_PRINTING = 8,
    PRINTER_STATUS_SCANNING = 9,
    PRINTER_STATUS_COPYING = 10,
    PRINTER_STATUS_REPORTING = 11,
    PRINTER_STATUS_COUNT = 12
};

// Error or warning condition; the value is also the row of the error text tables.
enum enErrorStatus {
    ERR_UNKNOWN = 0,
    ERR_FIXER = 1,
    ERR_LASER_DAMAGE = 2,
    ERR_NO_SCANNER = 3,
    ERR_PRINTER_BREAKDOWN = 4,
    ERR_HIGH_TEMPERATURE = 5,
    ERR_FRONT_COVER_OPEN = 6,
    ERR_CARTRIDGE_UNSUPPORTED_SERIAL = 7,
    ERR_CARTRIDGE_MISMATCH = 8,
    ERR_CARTRIDGE_INVALID = 9,
    ERR_CARTRIDGE = 10,
    ERR_TONER_LOW = 11,
    ERR_TONER_EMPTY_LOW_QUALITY = 12,
    ERR_TONER_EMPTY_REPLACE = 13,
    ERR_TONER_RUNNING_OUT = 14,
    ERR_CARTRIDGE_NEAR_END_OF_LIFE = 15,
    ERR_CARTRIDGE_END_OF_LIFE = 16,
    ERR_NO_CARTRIDGE = 17,
    ERR_WASTE_TONER_NEAR_FULL = 18,
    ERR_WASTE_TONER_FULL = 19,
    ERR_CARTRIDGE_PAGES_NEAR_LIMIT = 20,
    ERR_CARTRIDGE_PAGES_LIMIT = 21,
    ERR_PRINTER_NEAR_DESIGN_LIFE = 22,
    ERR_PRINTER_PAST_DESIGN_LIFE = 23,
    ERR_MEMORY_OVERFLOW = 24,
    ERR_COOLING = 25,
    ERR_ADF_PAPER_JAM = 26,
    ERR_ADF_NO_PAPER = 27,
    ERR_ADF_FEED_FAILED = 28,
    ERR_INVALID_SETTING = 29,
    ERR_TRAY_EMPTY = 30,
    ERR_MANUAL_FEEDER_NO_PAPER = 31,
    ERR_MANUAL_FEEDER_STOP = 32,
    ERR_TRAY_MISMATCH = 33,
    ERR_PAPER_JAM_INSIDE = 34,
    ERR_PAPER_JAM_TRAY = 35,
    ERR_PAPER_JAM_REAR = 36,
    ERR_PAPER_SIZE_MISMATCH = 37,
    ERR_INITIAL_SETUP = 38,
    ERR_TABLET_SCAN = 39,
    ERR_ADF_SCAN_NO_PAPER = 40,
    ERR_FILE_SIZE_LIMIT = 41,
    ERR_DEVICE_BREAKDOWN = 42,  // shows the same texts as ERR_PRINTER_BREAKDOWN
    ERR_IP_SETTING = 43,
    ERR_IP_CONFLICT = 44,
    ERR_STATUS_COUNT = 45
};

enum enTonerType {
    TONER_TYPE_DEFAULT = 0
};

// The last known status of one printer.
struct stPrinterState {
    QString strPrinterSerialNumber;
    enPrinterStatus enCurrentStatus = PRINTER_STATUS_UNKNOWN;
    QString strFWVersion;
    QString strVenderName;
    QString strProductName;
    int iNumberOfError = 0;
    int iNumberOfWarning = 0;
    QList<enErrorStatus> listError;
    QList<enErrorStatus> listWarning;
    QString strSupplySerialNumber;
    enTonerType enSpplyType = TONER_TYPE_DEFAULT;
    quint64 dwRemainingToner = 0;  // hundredths of a percent
    quint64 dwWasteToner = 0;
    quint64 dwOPCRotation = 0;
    quint64 dwNumberOfPages = 0;
    quint64 dwNumberOfPrint = 0;
    quint64 dwPrintDotsCount = 0;
    quint64 dwPrinterNumOfPages = 0;
    quint64 dwPrinterNumOfPrint = 0;
    int iFailCount = 0;  // consecutive failed polls or file reads
};

// Empty strings, connection type 0.
void InitStPrinterInfo(stPrinterInfo& info);
// Empty strings and lists, zero counters, status Off-line.
void InitStPrinterState(stPrinterState& state);

// True when the status, the remaining toner, the error list or the warning
// list differ; every other field is ignored.
bool CheckStatusChange(const stPrinterState& a, const stPrinterState& b);
