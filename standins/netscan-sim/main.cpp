// A simulated network scanner: serves the scan start, abort, feeder status
// and capabilities requests on port 80, the attribute queries on port 5000
// and the page data streams on port 2080 of one loopback address, as its
// script says (sim_script.h), logs every request it receives, and stops
// after a bounded time.
// Usage: netscan-sim --address 127.0.0.N --script FILE [--log FILE] [--max-seconds S]

#include "netscan_protocol.h"
#include "sim_options.h"
#include "sim_script.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace netscan_sim;

constexpr size_t kMaxRequest = 1 << 20;
constexpr long kMaxSecondsLimit = 3600;

const char kUsage[] = "usage: netscan-sim --address 127.0.0.N --script FILE [--log FILE] [--max-seconds S]\n";

class Log {
public:
    explicit Log(const std::string& path) : file_(path.empty() ? stderr : std::fopen(path.c_str(), "a")) {}
    bool ok() const { return file_ != nullptr; }
    void line(const std::string& text)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::fputs(text.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_;
    std::mutex mutex_;
};

// The script with the position of each service's answers and of the jobs.
class Scanner {
public:
    Scanner(Script script, Log& log) : log(log), script_(std::move(script)) {}

    Log& log;

    // The next answer of the service, or null when the script has none.
    const Answer* nextAnswer(Service service)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return next(script_.answers[static_cast<size_t>(service)], taken_[static_cast<size_t>(service)]);
    }
    const std::vector<Step>* nextJob(size_t& number)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        number = std::min(jobsTaken_ + 1, script_.jobs.size());
        return next(script_.jobs, jobsTaken_);
    }

private:
    template <class Item>
    static const Item* next(const std::vector<Item>& items, size_t& taken)
    {
        if (items.empty())
            return nullptr;
        const Item* item = &items[std::min(taken, items.size() - 1)];
        ++taken;
        return item;
    }

    Script script_;
    std::mutex mutex_;
    size_t taken_[static_cast<size_t>(Service::Count)] = {};
    size_t jobsTaken_ = 0;
};

void sleepMs(long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool sendAll(int fd, const char* bytes, size_t size)
{
    while (size > 0) {
        const ssize_t sent = send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR)
            continue;
        if (sent <= 0)
            return false;
        bytes += sent;
        size -= static_cast<size_t>(sent);
    }
    return true;
}

// Appends what one receive brings; false at the end of the stream or on an error.
bool receiveMore(int fd, std::string& received)
{
    char buffer[65536];
    ssize_t got;
    do {
        got = recv(fd, buffer, sizeof buffer, 0);
    } while (got < 0 && errno == EINTR);
    if (got <= 0)
        return false;
    received.append(buffer, static_cast<size_t>(got));
    return true;
}

void receiveUntilClosed(int fd, std::string& received)
{
    while (received.size() < kMaxRequest && receiveMore(fd, received)) {
    }
}

// Where an HTTP request's header ends (after its first empty line), or npos.
size_t headerEnd(const std::string& request)
{
    const size_t crlf = request.find("\r\n\r\n");
    const size_t lf = request.find("\n\n");
    if (crlf == std::string::npos && lf == std::string::npos)
        return std::string::npos;
    return crlf < lf ? crlf + 4 : lf + 2;
}

size_t announcedBody(const std::string& header)
{
    std::string lower(header);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const size_t field = lower.find("\ncontent-length:");
    return field == std::string::npos ? 0 : std::strtoul(header.c_str() + field + 16, nullptr, 10);
}

bool requestComplete(const std::string& request)
{
    const size_t end = headerEnd(request);
    return end != std::string::npos && request.size() - end >= announcedBody(request.substr(0, end));
}

bool startsWith(const std::string& text, const char* prefix) { return text.compare(0, std::strlen(prefix), prefix) == 0; }

// The service an HTTP request asks for; Count for none.
Service classify(const std::string& request)
{
    const size_t end = headerEnd(request);
    const std::string body = end == std::string::npos ? "" : request.substr(end);
    if (startsWith(request, kScanPostRequestLine) && request[std::strlen(kScanPostRequestLine)] == '\r')
        return startsWith(body, kAbortBody) ? Service::Abort : Service::Start;
    if (startsWith(request, kAdfStatusRequestLine))
        return Service::Adf;
    if (startsWith(request, kCapabilitiesRequestLine))
        return Service::Caps;
    return Service::Count;
}

void sendAnswer(int fd, const Answer& answer)
{
    sleepMs(answer.delayMs);
    const size_t first = answer.splitAt > 0 && answer.splitAt < answer.bytes.size() ? answer.splitAt
                                                                                     : answer.bytes.size();
    if (sendAll(fd, answer.bytes.data(), first) && first < answer.bytes.size()) {
        sleepMs(answer.splitMs);
        sendAll(fd, answer.bytes.data() + first, answer.bytes.size() - first);
    }
}

// Answers a request and logs all the daemon sent on the connection once it has closed it.
void finishRequest(int fd, const std::string& tag, Service service, std::string& received, Scanner& scanner)
{
    static const Answer kNotFound{true, "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"};
    const Answer* answer = service == Service::Count ? nullptr : scanner.nextAnswer(service);
    if (!answer && service != Service::Osl)
        answer = &kNotFound;
    const char* name = service == Service::Count ? "other" : kServiceNames[static_cast<size_t>(service)];
    if (answer && answer->send) {
        sendAnswer(fd, *answer);
        scanner.log.line(tag + " " + name + " answered " + std::to_string(answer->bytes.size()) + " bytes");
    } else {
        scanner.log.line(tag + " " + name + " not answered");
    }
    if (!answer || !answer->hold)
        shutdown(fd, SHUT_WR);
    receiveUntilClosed(fd, received);
    scanner.log.line(tag + " " + name + ": " + escape(received));
}

void serveHttp(int fd, const std::string& tag, Scanner& scanner)
{
    std::string received;
    while (received.size() < kMaxRequest && !requestComplete(received) && receiveMore(fd, received)) {
    }
    finishRequest(fd, tag, requestComplete(received) ? classify(received) : Service::Count, received, scanner);
}

void serveAttribute(int fd, const std::string& tag, Scanner& scanner)
{
    std::string received;
    auto complete = [&] {
        return received.size() >= kAttributeLengthSize &&
               received.size() - kAttributeLengthSize >=
                   readBigEndian32(reinterpret_cast<const uint8_t*>(received.data()));
    };
    while (received.size() < kMaxRequest && !complete() && receiveMore(fd, received)) {
    }
    finishRequest(fd, tag, Service::Osl, received, scanner);
}

void serveData(int fd, const std::string& tag, Scanner& scanner)
{
    size_t number = 0;
    const std::vector<Step>* job = scanner.nextJob(number);
    if (!job) {
        scanner.log.line(tag + " data: no job");
        return;
    }
    scanner.log.line(tag + " data: job " + std::to_string(number));
    size_t sent = 0;
    for (const Step& step : *job) {
        if (step.kind == Step::Kind::Pause) {
            sleepMs(step.ms);
        } else if (step.kind == Step::Kind::Hold) {
            scanner.log.line(tag + " data held after " + std::to_string(sent) + " bytes");
            std::string ignored;
            receiveUntilClosed(fd, ignored);
            scanner.log.line(tag + " data closed by the daemon");
            return;
        } else {
            for (long i = 0; i < step.count; ++i) {
                if (!sendAll(fd, step.bytes.data(), step.bytes.size())) {
                    scanner.log.line(tag + " data broken after " + std::to_string(sent) + " bytes: " +
                                     std::strerror(errno));
                    return;
                }
                sent += step.bytes.size();
            }
        }
    }
    scanner.log.line(tag + " data sent " + std::to_string(sent) + " bytes");
}

int listenOn(const in_addr& address, int port, Log& log)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int reuse = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(port));
    local.sin_addr = address;
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 || listen(fd, 16) != 0) {
        log.line("cannot listen on port " + std::to_string(port) + ": " + std::strerror(errno));
        return -1;
    }
    return fd;
}

int serve(const in_addr& address, long maxSeconds, Scanner& scanner)
{
    const int ports[] = {kScannerHttpPort, kScannerDataPort, kScannerAttributePort};
    pollfd listeners[3];
    for (int i = 0; i < 3; ++i) {
        listeners[i] = {listenOn(address, ports[i], scanner.log), POLLIN, 0};
        if (listeners[i].fd < 0)
            return 1;
    }
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    scanner.log.line(std::string("listening ") + text);

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(maxSeconds);
    int connections = 0;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            break;
        if (poll(listeners, 3, static_cast<int>(left)) <= 0)
            continue;
        for (int i = 0; i < 3; ++i) {
            if (!(listeners[i].revents & POLLIN))
                continue;
            sockaddr_in peer{};
            socklen_t size = sizeof peer;
            const int fd = accept4(listeners[i].fd, reinterpret_cast<sockaddr*>(&peer), &size, SOCK_CLOEXEC);
            if (fd < 0)
                continue;
            const std::string tag = "#" + std::to_string(++connections);
            if ((ntohl(peer.sin_addr.s_addr) >> 24) != 127) {
                scanner.log.line(tag + " refused: peer outside loopback");
                close(fd);
                continue;
            }
            const int port = ports[i];
            std::thread([fd, tag, port, &scanner] {
                if (port == kScannerHttpPort)
                    serveHttp(fd, tag, scanner);
                else if (port == kScannerDataPort)
                    serveData(fd, tag, scanner);
                else
                    serveAttribute(fd, tag, scanner);
                close(fd);
            }).detach();
        }
    }
    scanner.log.line("stopped after " + std::to_string(maxSeconds) + " s");
    // Connections still held end with the process.
    _exit(0);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string address, scriptPath, logPath;
    long maxSeconds = 60;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name == "--address")
            address = argv[i + 1];
        else if (name == "--script")
            scriptPath = argv[i + 1];
        else if (name == "--log")
            logPath = argv[i + 1];
        else if (name == "--max-seconds")
            maxSeconds = std::strtol(argv[i + 1], nullptr, 10);
        else
            address.clear();
    }
    in_addr bound{};
    if (argc % 2 != 1 || !printer_sim::isSimAddress(address.c_str(), &bound) || scriptPath.empty() ||
        maxSeconds < 1 || maxSeconds > kMaxSecondsLimit) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::ifstream file(scriptPath);
    std::stringstream text;
    text << file.rdbuf();
    Script script;
    std::string error;
    if (!file || !parseScript(text.str(), script, error)) {
        std::fprintf(stderr, "netscan-sim: %s: %s\n", scriptPath.c_str(), file ? error.c_str() : "cannot read");
        return 2;
    }
    Log log(logPath);
    if (!log.ok()) {
        std::fprintf(stderr, "netscan-sim: cannot open log %s\n", logPath.c_str());
        return 2;
    }
    Scanner scanner(std::move(script), log);
    return serve(bound, maxSeconds, scanner);
}
