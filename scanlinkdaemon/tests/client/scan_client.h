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
    // Sends a request whose reply never varies (closing a descriptor this
    // connection did not open: int 0) and reads it. True when the next four
    // bytes were that reply: a reply sent where none was due shows here as a
    // wrong or late reply, or in the exact reads that follow.
    bool checkpoint(int timeoutMs = 5000);
    // Ends the sending side and receives what still comes until the daemon
    // closes the connection; false in `closed` when it did not within timeoutMs.
    std::vector<uint8_t> restUntilClosed(bool& closed, int timeoutMs = 5000);
    // True when the daemon closed the connection (end of stream or reset within timeoutMs).
    bool closedByPeer(int timeoutMs);

    // Command 0: the count the daemon answers (-1 without a USB bus) and the
    // device records after it. False when the exchange breaks or the count is
    // beyond what a daemon lists.
    bool findDevices(int32_t vid, int32_t pid, bool comparePid, int32_t& count, std::vector<USBFindDevRes>& devices);
    // Command 6: aborts the USB job whose page files begin with `base`.
    bool abortUsbScan(int32_t devfd, const std::string& base, int32_t& result);

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

// Copies text into a wire string, cut to fit and NUL-terminated.
template <size_t Size>
void copyText(char (&target)[Size], const std::string& text)
{
    const size_t length = text.size() < Size ? text.size() : Size - 1;
    text.copy(target, length);
    target[length] = '\0';
}
