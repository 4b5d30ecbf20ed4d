// Feeds arbitrary bytes to the readers of the network scanner's answers: the
// HTTP answer parsers, and the data stream reader on a socket pair whose other
// end holds the bytes. Checks that no block exceeds what a size field can say
// and that every read that ends the job closes the connection.

#include "netscan_http.h"
#include "netscan_protocol.h"
#include "netscan_socket.h"
#include "netscan_stream.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr size_t kMaxInput = 64 * 1024;
constexpr uint32_t kLargestBlock = 999999;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isOpen(int fd) { return fcntl(fd, F_GETFD) != -1 || errno != EBADF; }

void parseAnswer(const std::string& answer)
{
    const size_t body = httpBodyStart(answer);
    check(body == std::string::npos || body <= answer.size());
    const int started = vuro_http_ScanStartResult(answer);
    check(started == kSaneGood || started == kSaneDeviceBusy || started == kSaneInvalid);
    scanStartAnswerReady(answer);
    httpAnswerComplete(answer);
    ScannerCapabilities capabilities;
    zeroRecord(capabilities);
    vuro_ParseScanCapabilities(body == std::string::npos ? answer : answer.substr(body), capabilities);
    int32_t status = 0;
    if (adfStatusOfAnswer(answer, status))
        check(status >= ADF_STATUS_EMPTY && status <= ADF_STATUS_PAPER_JAM);
}

// The bytes on a socket pair, closed on the scanner's side; the daemon's side.
int streamOf(const uint8_t* data, size_t size)
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        std::abort();
    const int buffer = static_cast<int>(kMaxInput * 2);
    setsockopt(pair[1], SOL_SOCKET, SO_SNDBUF, &buffer, sizeof buffer);
    check(size == 0 || write(pair[1], data, size) == static_cast<ssize_t>(size));
    close(pair[1]);
    return pair[0];
}

// The first byte chooses whether the stream begins with a job header; the rest is the stream.
void readStream(const uint8_t* data, size_t size)
{
    if (size == 0)
        return;
    const int fd = streamOf(data + 1, size - 1);
    if (data[0] % 2 == 0 && !readJobHeader(fd)) {
        close(fd);
        return;
    }
    std::vector<uint8_t> buffer;
    for (;;) {
        int32_t status = -1;
        size_t dataSize = 0;
        const int result = vuro_tcp_ScanRecord(fd, status, buffer, dataSize);
        check(dataSize <= kLargestBlock && dataSize <= buffer.size());
        if (result != kSaneGood) {
            check(dataSize == 0);
            check(!isOpen(fd));
            return;
        }
        check(status == SCAN_STATUS_OPERATION_CONTINUOUS || status == SCAN_STATUS_BEGIN_OF_PAGE);
    }
}

void receiveAnswer(const uint8_t* data, size_t size)
{
    const int fd = streamOf(data, size);
    std::string answer;
    check(receiveHttpAnswer(fd, answer, 1000));
    check(answer.size() <= kHttpAnswerCapacity && answer.size() <= size);
    close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kMaxInput)
        return 0;
    parseAnswer(std::string(reinterpret_cast<const char*>(data), size));
    readStream(data, size);
    receiveAnswer(data, size);
    return 0;
}
