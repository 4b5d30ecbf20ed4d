#include "netscan_transport.h"

#include "daemon_log.h"
#include "netscan_http.h"
#include "netscan_protocol.h"
#include "netscan_socket.h"
#include "netscan_stream.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr int kStartReceiveCalls = 10;
constexpr int kDataConnectAttempts = 11;
constexpr int kAttributeReceiveCalls = 10;

void logSendError(const char* format)
{
    const int error = errno;
    logError(format, std::strerror(error), error);
}

void pause(long nanoseconds)
{
    const timespec duration{nanoseconds / 1000000000L, nanoseconds % 1000000000L};
    nanosleep(&duration, nullptr);
}

// The daemon's login name, empty when it has none.
std::string loginName()
{
    char name[256] = {};
    if (getlogin_r(name, sizeof name) != 0)
        name[0] = '\0';
    return name;
}

// The host's own address for a Host line; empty when it has none.
std::string hostAddress()
{
    char address[16] = {};
    GetHostIPAddress(address, sizeof address);
    return address;
}

// One request on the scanner's HTTP service: connect, send, receive the answer, close.
int httpExchange(const VuroSocket& scanner, const std::string& request, std::string& answer)
{
    const int fd = vuro_init_tcp(scanner.szScannerIP, kScannerHttpPort);
    if (fd < 0)
        return kSaneIoError;
    int result = kSaneGood;
    if (!sendToScanner(fd, request)) {
        logSendError("[TaliroScanSDK] send msg error: %s(errno: %d)\n");
        result = kSaneIoError;
    } else if (!receiveHttpAnswer(fd, answer)) {
        logError("[TaliroScanSDK] recv error");
        result = kSaneIoError;
    }
    vuro_close_tcp(fd);
    return result;
}

// Collects the start's answer with up to 10 receives until it can be judged.
// False when it never showed "RESULT=".
bool receiveStartAnswer(int fd, std::string& reply)
{
    char buffer[kHttpAnswerCapacity];
    for (int call = 0; call < kStartReceiveCalls && reply.size() < kHttpAnswerCapacity; ++call) {
        const ssize_t result = recv(fd, buffer, kHttpAnswerCapacity - reply.size(), 0);
        if (result == 0)
            break;
        if (result < 0) {
            // A receive that timed out after "RESULT=" came: judge what there is.
            if (reply.find("RESULT=") != std::string::npos)
                break;
            pause(1000);
            continue;
        }
        reply.append(buffer, static_cast<size_t>(result));
        logError("[TaliroScanSDK] %s\n", reply.c_str());
        if (scanStartAnswerReady(reply))
            break;
    }
    return reply.find("RESULT=") != std::string::npos;
}

int connectDataPort(const char* ip)
{
    for (int attempt = 0; attempt < kDataConnectAttempts; ++attempt) {
        const int fd = vuro_init_tcp(ip, kScannerDataPort);
        if (fd >= 0)
            return fd;
        pause(500000000L);
    }
    return -1;
}

}  // namespace

int vuro_http_ScanStart(const VuroSocket& scanner, const SettingInfo& info, int& dataConnection)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_http_ScanStart");
    dataConnection = -1;
    const std::string request = scanStartRequest(info, loginName());
    logInfo("[TaliroScanSDK] %s\n", request.c_str());
    const int http = vuro_init_tcp(scanner.szScannerIP, kScannerHttpPort);
    if (http < 0) {
        logError("[TaliroScanSDK] vuro_init_tcp 80 ERR\n");
        return kSaneIoError;
    }
    if (!sendToScanner(http, request)) {
        logSendError("[TaliroScanSDK] send vuro_http_ScanStart msg error: %s(errno: %d)\n");
        vuro_close_tcp(http);
        return kSaneIoError;
    }
    std::string reply;
    if (!receiveStartAnswer(http, reply)) {
        vuro_close_tcp(http);
        logError("[TaliroScanSDK] recv vuro_http_ScanStart error\n");
        return kSaneDeviceBusy;
    }
    const int started = vuro_http_ScanStartResult(reply);
    if (started != kSaneGood) {
        logError("[TaliroScanSDK] parse vuro_http_ScanStartResult error\n");
        vuro_close_tcp(http);
        return started;
    }
    const int data = connectDataPort(scanner.szScannerIP);
    if (data < 0) {
        logError("[TaliroScanSDK] vuro_init_tcp 2080 error\n");
        vuro_close_tcp(http);
        return kSaneIoError;
    }
    if (!readJobHeader(data)) {
        vuro_close_tcp(data);
        vuro_close_tcp(http);
        return kSaneIoError;
    }
    vuro_close_tcp(http);
    dataConnection = data;
    return kSaneGood;
}

int vuro_http_ScanAbort(const VuroSocket& scanner)
{
    std::string answer;
    const int result = httpExchange(scanner, scanAbortRequest(hostAddress()), answer);
    if (result == kSaneGood)
        logInfo("[TaliroScanSDK] vuro_http_ScanAbort Received : %s \n", answer.c_str());
    return result;
}

int vuro_http_adfstatus(int32_t& status, const VuroSocket& scanner)
{
    std::string answer;
    const int result = httpExchange(scanner, adfStatusRequest(hostAddress()), answer);
    if (result != kSaneGood)
        return result;
    logInfo("[TaliroScanSDK] vuro_http_adfstatus Received : \n%s \n", answer.c_str());
    static const char* const kStatusLines[] = {"", "[TaliroScanSDK] ADF_STATUS_EMPTY\n",
                                               "[TaliroScanSDK] ADF_STATUS_LOADED\n",
                                               "[TaliroScanSDK] ADF_STATUS_PAPER_JAM\n"};
    if (adfStatusOfAnswer(answer, status))
        logInfo("%s", kStatusLines[status]);
    else
        logError("[TaliroScanSDK] ADF status is invalid or not supported\n");
    return kSaneGood;
}

int vuro_http_DeviceProperties(ScannerCapabilities& capabilities, const VuroSocket& scanner)
{
    std::string answer;
    const int result = httpExchange(scanner, capabilitiesRequest(hostAddress()), answer);
    if (result != kSaneGood)
        return result;
    const size_t body = httpBodyStart(answer);
    vuro_ParseScanCapabilities(body == std::string::npos ? std::string() : answer.substr(body), capabilities);
    return kSaneGood;
}

int vuro_send_osl(const VuroSocket& scanner, std::string& answer, int32_t type)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_send_osl");
    answer.clear();
    const std::vector<uint8_t> query = attributeQuery(type);
    if (query.empty())
        return kSaneInvalid;
    const int fd = vuro_init_tcp(scanner.szScannerIP, kScannerAttributePort);
    if (fd < 0)
        return kSaneIoError;
    if (!sendToScanner(fd, std::string(query.begin(), query.end()))) {
        logSendError("[TaliroScanSDK] send vuro_send_osl msg error: %s(errno: %d)\n");
        vuro_close_tcp(fd);
        return kSaneIoError;
    }
    uint8_t prefix[kAttributeLengthSize];
    if (vuro_tcp_recv_with_retry(fd, prefix, sizeof prefix) != 0) {
        logError("[TaliroScanSDK] recv vuro_send_osl error");
        vuro_close_tcp(fd);
        return kSaneIoError;
    }
    const uint32_t length = readBigEndian32(prefix);
    if (length > kMaxAttributeAnswer) {
        logError("[TaliroScanSDK] vuro_send_osl answer of %u bytes is too long\n", length);
        vuro_close_tcp(fd);
        return kSaneIoError;
    }
    char buffer[kMaxAttributeAnswer];
    size_t received = 0;
    for (int call = 0; call < kAttributeReceiveCalls && received < length; ++call) {
        const ssize_t result = recv(fd, buffer + received, length - received, 0);
        if (result < 0) {
            logError("[TaliroScanSDK] recv vuro_send_osl error");
            vuro_close_tcp(fd);
            return kSaneIoError;
        }
        if (result == 0)
            break;
        received += static_cast<size_t>(result);
    }
    vuro_close_tcp(fd);
    if (received < length)
        return kSaneIoError;
    answer.assign(buffer, length);
    return kSaneGood;
}

int NetworkTransport::sendOsl(const VuroSocket& scanner, int32_t type, std::string& answer)
{
    return vuro_send_osl(scanner, answer, type);
}

int NetworkTransport::scanStart(const VuroSocket& scanner, const SettingInfo& info, int& dataConnection)
{
    return vuro_http_ScanStart(scanner, info, dataConnection);
}

int NetworkTransport::scanAbort(const VuroSocket& scanner) { return vuro_http_ScanAbort(scanner); }

int NetworkTransport::adfStatus(const VuroSocket& scanner, int32_t& status)
{
    return vuro_http_adfstatus(status, scanner);
}

int NetworkTransport::deviceProperties(const VuroSocket& scanner, ScannerCapabilities& capabilities)
{
    return vuro_http_DeviceProperties(capabilities, scanner);
}

int NetworkTransport::scanRecord(const VuroSocket& scanner, int32_t& status, std::vector<uint8_t>& data,
                                 size_t& dataSize)
{
    return vuro_tcp_ScanRecord(scanner.tcpFromScanner, status, data, dataSize);
}
