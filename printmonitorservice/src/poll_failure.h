#pragma once

#include "printer_records.h"

// Connection types of stPrinterInfo::iConnectType.
inline constexpr int kConnectUsb = 1;
inline constexpr int kConnectNetwork = 2;

// Network printers go Off-line on this many failed polls in a row.
inline constexpr int kNetworkFailuresToOffline = 6;

// Takes one failed poll (a negative result) into a printer's state. A USB
// printer goes Off-line when no matching device was found (-5); a network
// printer on its sixth failure in a row, unparsable replies included. Off-line
// resets the state to Off-line without errors and warnings and gives true;
// other failures keep the state (a network printer counts them).
bool TakePollFailure(int connectType, int result, stPrinterState& state);
