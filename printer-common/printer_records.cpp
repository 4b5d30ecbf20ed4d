#include "printer_records.h"

void InitStPrinterInfo(stPrinterInfo& info)
{
    info = stPrinterInfo();
}

void InitStPrinterState(stPrinterState& state)
{
    state = stPrinterState();
    state.enCurrentStatus = PRINTER_STATUS_OFFLINE;
}

bool CheckStatusChange(const stPrinterState& a, const stPrinterState& b)
{
    return a.enCurrentStatus != b.enCurrentStatus
        || a.dwRemainingToner != b.dwRemainingToner
        || a.listError != b.listError
        || a.listWarning != b.listWarning;
}
