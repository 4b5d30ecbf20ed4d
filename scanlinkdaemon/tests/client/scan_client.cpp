#include "scan_client.h"
#include "scanner_transports.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

bool waitReadable(int fd, int timeoutMs)
{
    pollfd entry{fd, POLLIN, 0};
    int result;
    do {
        result = poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result > 0;
}

}  // namespace

ScanClient::~ScanClient() { disconnect(); }

bool ScanClient::connectTo(const std::string& host, int port, int timeoutMs)
{
    disconnect();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, host.c_str(), &address.sin_addr) != 1)
        return false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ >= 0 && connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
            return true;
        disconnect();
        if (millisecondsLeft(deadline) == 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void ScanClient::disconnect()
{
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool ScanClient::sendBytes(const void* bytes, size_t size)
{
    const char* data = static_cast<const char*>(bytes);
    while (size > 0) {
        const ssize_t sent = send(fd_, data, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

bool ScanClient::receiveBytes(void* bytes, size_t size, int timeoutMs)
{
    char* data = static_cast<char*>(bytes);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (size > 0) {
        if (!waitReadable(fd_, millisecondsLeft(deadline)))
            return false;
        const ssize_t got = recv(fd_, data, size, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        data += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool ScanClient::checkpoint(int timeoutMs)
{
    const USBCommonReq request{-1};
    int32_t reply = -1;
    return sendRequest(USB_CLOSE_DEV, request) && receiveReply(reply, timeoutMs) && reply == 0;
}

std::vector<uint8_t> ScanClient::restUntilClosed(bool& closed, int timeoutMs)
{
    shutdown(fd_, SHUT_WR);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<uint8_t> bytes;
    uint8_t buffer[4096];
    closed = false;
    while (waitReadable(fd_, millisecondsLeft(deadline))) {
        const ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            closed = true;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

bool ScanClient::closedByPeer(int timeoutMs)
{
    if (!waitReadable(fd_, timeoutMs))
        return false;
    char byte;
    const ssize_t got = recv(fd_, &byte, 1, MSG_PEEK);
    // A peer that closes with unread bytes resets the connection.
    return got == 0 || (got < 0 && errno == ECONNRESET);
}

std::string toHex(const std::vector<uint8_t>& bytes)
{
    std::string text;
    char digits[4];
    for (size_t i = 0; i < bytes.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", bytes[i]);
        if (i > 0 && i % 4 == 0)
            text += ' ';
        text += digits;
    }
    return text;
}

bool ScanClient::findDevices(int32_t vid, int32_t pid, bool comparePid, int32_t& count,
                             std::vector<USBFindDevRes>& devices)
{
    USBFindDevReq request;
    zeroRecord(request);
    request.vid = vid;
    request.pid = pid;
    request.compareWithPID = comparePid;
    devices.clear();
    if (!sendRequest(USB_FIND_DEV, request) || !receiveReply(count) || count > kMaxListedDevices)
        return false;
    for (int32_t i = 0; i < count; ++i) {
        USBFindDevRes device;
        if (!receiveReply(device))
            return false;
        devices.push_back(device);
    }
    return true;
}

bool ScanClient::abortUsbScan(int32_t devfd, const std::string& base, int32_t& result)
{
    USBScanAbortReq request;
    zeroRecord(request);
    request.devfd = devfd;
    copyText(request.fileName, base);
    return sendRequest(USB_SCAN_ABORT, request) && receiveReply(result);
}
