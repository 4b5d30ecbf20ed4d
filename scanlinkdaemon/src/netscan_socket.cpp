#include "netscan_socket.h"

#include "daemon_log.h"
#include "netscan_http.h"
#include "netscan_protocol.h"
#include "retry_transfer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kExactReceiveTries = 4;

void logSocketError(const char* format)
{
    const int error = errno;
    logError(format, std::strerror(error), error);
}

bool setTimeout(int fd, int option)
{
    const timeval timeout{kScannerTimeoutMs / 1000, (kScannerTimeoutMs % 1000) * 1000};
    return setsockopt(fd, SOL_SOCKET, option, &timeout, sizeof timeout) == 0;
}

bool isHostInterface(const ifaddrs& entry)
{
    constexpr unsigned kWanted = IFF_UP | IFF_RUNNING | IFF_BROADCAST | IFF_MULTICAST;
    return entry.ifa_addr != nullptr && entry.ifa_addr->sa_family == AF_INET &&
           (entry.ifa_flags & kWanted) == kWanted;
}

}  // namespace

int vuro_init_tcp(const char* ip, int port)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_init_tcp");
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        logSocketError("[TaliroScanSDK] create socket error: %s(errno: %d)\n");
        return -1;
    }
    const char* failure = nullptr;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    if (!setTimeout(fd, SO_SNDTIMEO))
        failure = "[TaliroScanSDK] setsockopt SO_SNDTIMEO error: %s(errno: %d)\n";
    else if (!setTimeout(fd, SO_RCVTIMEO))
        failure = "[TaliroScanSDK] setsockopt SO_RCVTIMEO error: %s(errno: %d)\n";
    else if (inet_pton(AF_INET, ip, &address.sin_addr) != 1) {
        errno = EINVAL;
        failure = "[TaliroScanSDK] connect error: %s(errno: %d)\n";
    } else if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        failure = "[TaliroScanSDK] connect error: %s(errno: %d)\n";
    if (failure) {
        logSocketError(failure);
        close(fd);
        return -1;
    }
    return fd;
}

void vuro_close_tcp(int fd)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_close_tcp");
    close(fd);
}

int vuro_tcp_recv_with_retry(int fd, void* buffer, size_t length)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_tcp_recv_with_retry");
    char* bytes = static_cast<char*>(buffer);
    size_t received = 0;
    for (int tries = 0; received < length && tries < kExactReceiveTries; ++tries) {
        const ssize_t result = recv(fd, bytes + received, length - received, MSG_WAITALL);
        if (result == 0)
            break;  // the scanner closed: no later call can bring more
        if (result > 0)
            received += static_cast<size_t>(result);
    }
    return received == length ? 0 : -1;
}

bool sendToScanner(int fd, const std::string& text)
{
    return transferWithRetry(text.data(), text.size(), [fd](const char* first, size_t count) {
        return send(fd, first, count, MSG_NOSIGNAL);
    });
}

bool receiveHttpAnswer(int fd, std::string& answer, int timeoutMs)
{
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    answer.clear();
    char buffer[kHttpAnswerCapacity];
    bool closed = false;
    while (answer.size() < kHttpAnswerCapacity && !httpAnswerComplete(answer)) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry{fd, POLLIN, 0};
        const int ready = left > 0 ? poll(&entry, 1, static_cast<int>(left)) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        const ssize_t result = recv(fd, buffer, kHttpAnswerCapacity - answer.size(), MSG_DONTWAIT);
        if (result < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        closed = result == 0;
        if (result <= 0)
            break;
        answer.append(buffer, static_cast<size_t>(result));
    }
    return closed || !answer.empty();
}

int GetHostIPAddress(char* buffer, size_t size)
{
    logInfo("[TaliroScanSDK] ** %s\n", "GetHostIPAddress");
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0) {
        logError("[TaliroScanSDK] getifaddrs fail\n");
        return -1;
    }
    int result = 0;
    for (const ifaddrs* entry = interfaces; entry != nullptr; entry = entry->ifa_next) {
        if (!isHostInterface(*entry))
            continue;
        char text[INET_ADDRSTRLEN] = {};
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr, text, sizeof text);
        if (std::strcmp(text, "127.0.0.1") == 0)
            continue;
        const size_t length = std::strlen(text);
        if (length < size)
            std::memcpy(buffer, text, length);
        else {
            logError("[TaliroScanSDK] szHostIpAddress size over\n");
            result = -1;
        }
        break;
    }
    freeifaddrs(interfaces);
    return result;
}
