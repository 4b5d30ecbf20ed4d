#pragma once

// A client of the scan command protocol on TCP 7003, for the tests, the
// benchmark and scanlink-client.

#include "scan_protocol.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class ScanClient {
public:
    ScanClient() = default;
    ~ScanClient();
    ScanClient(const ScanClient&) = delete;
    ScanClient& operator=(const ScanClient&) = delete;

    // Connects to host:port, retrying until timeoutMs passed.
    bool connectTo(const std::string& host = "127.0.0.1", int port = kScanCommandPort, int timeoutMs = 5000);
    void disconnect();
    // Takes over an already connected stream socket (one end of a socketpair in unit tests).
    void adopt(int fd)
    {
        disconnect();
        fd_ = fd;
    }
    int fd() const { return fd_; }

    bool sendBytes(const void* bytes, size_t size);
    // The command number followed by its request record.
    template <class Request>
    bool sendRequest(int32_t command, const Request& request)
    {
        return sendBytes(&command, sizeof command) && sendBytes(&request, sizeof request);
    }

    // Receives exactly size bytes within timeoutMs.
    bool receiveBytes(void* bytes, size_t size, int timeoutMs = 5000);
    template <class Reply>
    bool receiveReply(Reply& reply, int timeoutMs = 5000)
    {
        return receiveBytes(&reply, sizeof reply, timeoutMs);
    }
    // Everything that arrives until the connection stays quiet for quietMs.
    std::vector<uint8_t> receiveUntilQuiet(int quietMs);
    // True when the daemon closed the connection (end of stream within timeoutMs).
    bool closedByPeer(int timeoutMs);

private:
    int fd_ = -1;
};

// The bytes of a record, for exact comparisons.
template <class Record>
std::vector<uint8_t> recordBytes(const Record& record)
{
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&record);
    return std::vector<uint8_t>(bytes, bytes + sizeof record);
}

std::string toHex(const std::vector<uint8_t>& bytes);
