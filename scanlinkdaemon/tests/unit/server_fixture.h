#pragma once

// The command server on one end of a socketpair, served on a thread of the
// test process, with the scripted scanner and jobs run in the test process.

#include "command_server.h"
#include "inline_data_process.h"
#include "scan_client.h"
#include "scripted_scanner.h"
#include "temp_folder.h"

#include <csignal>
#include <cstdio>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

// The pid that names the jobs of the served connection.
inline constexpr int kConnectionPid = 4711;

class ServerFixture : public ::testing::Test {
protected:
    // Loads the script and serves the client; page files go to scanDir, by
    // default the test's folder. `usb` stands in for the scripted USB side.
    void start(const std::string& script, const std::string& scanDir = "", UsbScanner* usb = nullptr)
    {
        // The server runs in this process: a test that stops reading early must not end it.
        signal(SIGPIPE, SIG_IGN);
        std::string error;
        ASSERT_TRUE(scanner.load(script, error)) << error;
        int pair[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
        client.adopt(pair[0]);
        serverFd = pair[1];
        server = std::make_unique<CommandServer>(serverFd, usb ? *usb : scanner, scanner, dataProcess,
                                                 scanDir.empty() ? folder.dir() : scanDir, kConnectionPid);
        // The connection ends with the server, as the connection process closes it.
        serving = std::thread([this] {
            server->run();
            shutdown(serverFd, SHUT_RDWR);
        });
    }

    // What the server still sends once the client has sent everything, up to
    // the end of the connection, in hex.
    std::string rest()
    {
        bool closed = false;
        const std::string bytes = toHex(client.restUntilClosed(closed));
        EXPECT_TRUE(closed) << "the server did not end the connection";
        return bytes;
    }

    void TearDown() override
    {
        client.disconnect();
        if (serving.joinable())
            serving.join();
        if (serverFd >= 0)
            close(serverFd);
    }

    testsupport::TempFolder folder;
    ScriptedScanner scanner;
    InlineDataProcess dataProcess;
    ScanClient client;
    int serverFd = -1;
    std::unique_ptr<CommandServer> server;
    std::thread serving;
};
