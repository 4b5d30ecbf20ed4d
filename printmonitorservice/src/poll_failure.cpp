#include "poll_failure.h"

namespace {

constexpr int kNoMatchingDevice = -5;

}  // namespace

bool TakePollFailure(int connectType, int result, stPrinterState& state)
{
    bool offline = false;
    if (connectType == kConnectUsb) {
        offline = result == kNoMatchingDevice;
    } else {
        ++state.iFailCount;
        offline = state.iFailCount >= kNetworkFailuresToOffline;
    }
    if (offline) {
        state.enCurrentStatus = PRINTER_STATUS_OFFLINE;
        state.iNumberOfError = 0;
        state.iNumberOfWarning = 0;
        state.listError.clear();
        state.listWarning.clear();
        state.iFailCount = 0;
    }
    return offline;
}
