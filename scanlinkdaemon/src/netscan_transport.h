#pragma once

// The network scanner protocol: scan start and abort, feeder status and
// capabilities over the scanner's HTTP service, the attribute queries, and
// the blocks of the page data stream.

#include "scanner_transports.h"

#include <string>

// Starts a scan: the start request on port 80, then the data connection on
// port 2080, whose job header is read before the start returns 0 with the
// connection in dataConnection.
int vuro_http_ScanStart(const VuroSocket& scanner, const SettingInfo& info, int& dataConnection);
int vuro_http_ScanAbort(const VuroSocket& scanner);
// status is left as it was when the answer names no feeder status.
int vuro_http_adfstatus(int32_t& status, const VuroSocket& scanner);
int vuro_http_DeviceProperties(ScannerCapabilities& capabilities, const VuroSocket& scanner);
// The attribute query of type on port 5000; answer holds the scanner's text.
int vuro_send_osl(const VuroSocket& scanner, std::string& answer, int32_t type);

class NetworkTransport : public NetworkScanner {
public:
    int sendOsl(const VuroSocket& scanner, int32_t type, std::string& answer) override;
    int scanStart(const VuroSocket& scanner, const SettingInfo& info, int& dataConnection) override;
    int scanAbort(const VuroSocket& scanner) override;
    int adfStatus(const VuroSocket& scanner, int32_t& status) override;
    int deviceProperties(const VuroSocket& scanner, ScannerCapabilities& capabilities) override;
    int scanRecord(const VuroSocket& scanner, int32_t& status, std::vector<uint8_t>& data,
                   size_t& dataSize) override;
};
