// A simulated networked printer: answers command frames on UDP port 9300 of one
// loopback address from a reply file that is re-read for every request, logs
// each frame in hex, and stops after a bounded time or number of requests.

#include "command_frame.h"
#include "hex_text.h"
#include "sim_options.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

using printer_sim::SimOptions;

// The largest UDP payload over IPv4.
constexpr std::size_t kMaxDatagram = 65507;

class SimLog {
public:
    explicit SimLog(const std::string& path)
        : file_(path.empty() ? stderr : std::fopen(path.c_str(), "a"))
    {
    }
    ~SimLog()
    {
        if (file_ != nullptr && file_ != stderr)
            std::fclose(file_);
    }
    SimLog(const SimLog&) = delete;
    SimLog& operator=(const SimLog&) = delete;

    bool ok() const { return file_ != nullptr; }

    void line(const std::string& text)
    {
        std::fputs(text.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }

private:
    std::FILE* file_;
};

std::string addressText(const sockaddr_in& address)
{
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    return std::string(text) + ":" + std::to_string(ntohs(address.sin_port));
}

// The scripted reply: the file's bytes, at most one datagram's worth.
std::vector<std::uint8_t> readReply(const std::string& path)
{
    std::vector<std::uint8_t> reply;
    if (path.empty())
        return reply;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return reply;
    reply.resize(kMaxDatagram);
    reply.resize(std::fread(reply.data(), 1, reply.size(), file));
    std::fclose(file);
    return reply;
}

bool isLoopback(const sockaddr_in& address)
{
    return (ntohl(address.sin_addr.s_addr) >> 24) == 127;
}

int serve(const SimOptions& options, SimLog& log)
{
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        log.line(std::string("socket failed: ") + std::strerror(errno));
        return 1;
    }
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(command_frame::kUdpPort);
    local.sin_addr = options.address;
    if (bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0) {
        log.line("bind " + addressText(local) + " failed: " + std::strerror(errno));
        close(fd);
        return 1;
    }
    log.line("listening " + addressText(local));

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(options.maxSeconds);
    std::vector<std::uint8_t> buffer(kMaxDatagram);
    long requests = 0;
    while (options.maxRequests == 0 || requests < options.maxRequests) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            log.line("stopped after " + std::to_string(options.maxSeconds) + " s");
            close(fd);
            return 0;
        }
        pollfd wait{fd, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno != EINTR) {
            log.line(std::string("poll failed: ") + std::strerror(errno));
            close(fd);
            return 1;
        }
        if (ready <= 0)
            continue;
        sockaddr_in sender{};
        socklen_t senderSize = sizeof sender;
        const ssize_t received = recvfrom(fd, buffer.data(), buffer.size(), 0,
                                          reinterpret_cast<sockaddr*>(&sender), &senderSize);
        if (received < 0)
            continue;
        ++requests;
        const std::string tag = "#" + std::to_string(requests);
        const auto check = command_frame::checkHeader(buffer.data(), static_cast<std::size_t>(received));
        log.line(tag + " from " + addressText(sender) + " header " + command_frame::headerCheckName(check) + ": " +
                 printer_sim::hexText(buffer.data(), static_cast<std::size_t>(received)));
        if (!isLoopback(sender)) {
            log.line(tag + " refused: sender outside loopback");
            continue;
        }
        if (check != command_frame::HeaderCheck::Ok) {
            log.line(tag + " ignored");
            continue;
        }
        const std::vector<std::uint8_t> reply = readReply(options.replyPath);
        if (reply.empty()) {
            log.line(tag + " silent");
            continue;
        }
        // Logged first, so the log is complete once the client has the reply.
        log.line(tag + " reply " + std::to_string(reply.size()) + " bytes");
        if (sendto(fd, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&sender), senderSize) < 0)
            log.line(tag + " send failed: " + std::strerror(errno));
    }
    log.line("stopped after " + std::to_string(requests) + " requests");
    close(fd);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    SimOptions options;
    std::string error;
    if (!printer_sim::parseSimOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "printer-sim: %s\n%s", error.c_str(), printer_sim::kUsage);
        return 2;
    }
    SimLog log(options.logPath);
    if (!log.ok()) {
        std::fprintf(stderr, "printer-sim: cannot open log %s\n", options.logPath.c_str());
        return 2;
    }
    return serve(options, log);
}
