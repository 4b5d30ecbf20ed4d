// Feeds arbitrary bytes to the command server as one client connection's
// stream, on a scripted scanner, with jobs run in this process and page files
// in a temporary folder.

#include "command_server.h"
#include "inline_data_process.h"
#include "scripted_scanner.h"

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const char kScript[] = R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
device 0x2f7a 0x5a02 Taliro Q805 SN0002
result start 0 3
result netstart 0 9
result abort -1 0
adfstatus 2
props 1b530300100080000102000304050000060000000700080a
osl <a>hello</a>
caps 1 0 75 1200 2 5 0 1 216 356 300
job
block 9 0
block 0 0 64 0x11 x3
block 7 0
block 9 0
blockhex 0 0 00010203
block 1 5
job
blockhex 0 0 414243
block 0 9
)";

constexpr size_t kMaxInput = 64 * 1024;

std::string scanDir;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    signal(SIGPIPE, SIG_IGN);
    char pattern[] = "/tmp/scanlinkdaemon-fuzz-XXXXXX";
    scanDir = std::string(mkdtemp(pattern)) + "/";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > kMaxInput)
        return 0;
    ScriptedScanner scanner;
    std::string error;
    if (!scanner.load(kScript, error))
        std::abort();
    InlineDataProcess dataProcess;

    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0)
        return 0;
    const int client = pair[0];
    const int server = pair[1];
    // The client side writes the input and then reads every reply until the server closes.
    std::thread clientSide([&] {
        for (size_t sent = 0; sent < size;) {
            const ssize_t result = send(client, data + sent, size - sent, MSG_NOSIGNAL);
            if (result <= 0)
                break;
            sent += static_cast<size_t>(result);
        }
        shutdown(client, SHUT_WR);
        char replies[4096];
        while (recv(client, replies, sizeof replies, 0) > 0) {
        }
    });
    CommandServer(server, scanner, scanner, dataProcess, scanDir, 4711).run();
    shutdown(server, SHUT_RDWR);
    clientSide.join();
    close(client);
    close(server);

    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(scanDir, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    return 0;
}
