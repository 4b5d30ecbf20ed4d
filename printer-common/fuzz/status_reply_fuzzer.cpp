// Feeds arbitrary bytes to the status reply parser and checks what a parsed
// reply gives against the buffer capacities.

#include "util_printer_status.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    UtilPrinterStatus parser;
    if (!parser.parseRecvBuf(data, size))
        return 0;
    stPrinterState state;
    parser.fillPrinterState(state);
    using namespace status_reply;
    const bool bounded = state.strVenderName.size() < int(kNameBufferSize)
        && state.strProductName.size() < int(kNameBufferSize)
        && state.strPrinterSerialNumber.size() < int(kNameBufferSize)
        && state.strFWVersion.size() < int(kVersionBufferSize)
        && state.strSupplySerialNumber.size() < int(kSupplySerialBufferSize)
        && state.iNumberOfError == state.listError.size()
        && state.iNumberOfWarning == state.listWarning.size()
        && state.enCurrentStatus < PRINTER_STATUS_COUNT;
    if (!bounded)
        __builtin_trap();
    return 0;
}
