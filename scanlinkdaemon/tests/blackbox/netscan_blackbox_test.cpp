// The installed daemon against the simulated network scanner on 127.0.0.2:
// the exact requests the scanner receives, the replies the client gets, and
// scan jobs over the data stream. Each case runs in its own private mount and
// network namespace with the build installed at the real install root.

#include "daemon_process.h"
#include "installed_daemon_test.h"
#include "netscan_socket.h"
#include "scan_client.h"
#include "sim_scanner.h"
#include "sim_script.h"

#include "child_process.h"

#include <taliro/install_root.h>

#include <algorithm>
#include <chrono>
#include <iterator>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const std::string kRoot = taliro::kInstallRoot;
const std::string kScanDir = kRoot + "scan/";

const std::string kFormHeaders =
    "\r\nConnection: Keep-Alive\r\nContent-Type: application/x-www-form-urlencoded\r\n"
    "Accept: text/html, image/gif, image/jpeg, *;q=.2, */*; q=.2\r\nUser-Agent: VeroZidaVuzerarazo\r\n";

// The script text of an HTTP answer with this body and its Content-Length.
std::string httpAnswer(const std::string& body)
{
    return netscan_sim::escape("HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
                               body);
}

const std::string kStarted = httpAnswer("RESULT=0\r\n");

// The requests the daemon sends with the host's own address.
std::string abortRequest(const std::string& host)
{
    return "POST /netscan/post HTTP/1.1" + kFormHeaders + "Content-Length: 10\r\nHost: " + host + "\r\n\r\nSCANTYPE=4";
}

std::string adfRequest(const std::string& host)
{
    return "POST /cgi-bin/dynamic/printer/netscan/adfStatus.html HTTP/1.1" + kFormHeaders +
           "Content-Length: 12\r\nHost: " + host + "\r\n\r\nGETADFSTATUS";
}

std::string capabilitiesRequest(const std::string& host)
{
    return "GET /netscan/capabilites HTTP/1.1\r\nCache-Control: no-cache\r\nPragma: no-cache\r\n"
           "User-Agent: Jav/1.6.0_18\r\nHost: " +
           host +
           "\r\n\r\nConnection: Keep-Alive\r\nAccept: text/html, image/gif, image/jpeg, *;q=.2, */*; q=.2\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n\n";
}

// The login name as the daemon finds it: the test passes its login uid on to the daemon.
std::string loginName()
{
    char name[256] = {};
    if (getlogin_r(name, sizeof name) != 0)
        name[0] = '\0';
    return name;
}

bool runIp(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"/sbin/ip"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testbed::runProgram(argv, 5000) == 0;
}

class NetworkScanTest : public InstalledDaemonTest {
protected:
    // Starts the simulated scanner with the script, then the installed daemon, and connects.
    void start(const std::string& script)
    {
        sim = std::make_unique<SimScanner>(script);
        ASSERT_TRUE(sim->waitListening());
        ASSERT_TRUE(daemon.start(kRoot + "bin/ScanLinkDaemon", {}));
        ASSERT_TRUE(client.connectTo());
    }

    static VuroSocket scanner(const std::string& address = "127.0.0.2", int32_t dataConnection = 0)
    {
        VuroSocket socket;
        zeroRecord(socket);
        socket.tcpFromScanner = dataConnection;
        copyText(socket.szScannerIP, address);
        return socket;
    }

    static SettingInfo colourA4()
    {
        SettingInfo info;
        zeroRecord(info);
        info.bitDepth = 24;
        info.compType = COMPRESSION_JPEG;
        info.width = 2480;
        info.height = 3508;
        info.xResolution = info.yResolution = 300;
        return info;
    }

    TCPScanStartRes startScan(const SettingInfo& info = colourA4())
    {
        TCPScanStartReq request;
        zeroRecord(request);
        request.socket = scanner();
        request.info = info;
        TCPScanStartRes reply;
        zeroRecord(reply);
        EXPECT_TRUE(client.sendRequest(TCP_SCAN_START, request));
        EXPECT_TRUE(client.receiveReply(reply, 15000));
        terminateWireString(reply.fileName);
        return reply;
    }

    // The job's records up to the one with a non-zero result, as "result/bufferLen/fileIndex/st".
    std::vector<std::string> records(int timeoutMs = 5000)
    {
        std::vector<std::string> list;
        TCPRecordRes record;
        do {
            if (!client.receiveReply(record, timeoutMs)) {
                ADD_FAILURE() << "no record after " << list.size();
                break;
            }
            list.push_back(std::to_string(record.result) + "/" + std::to_string(record.bufferLen) + "/" +
                           std::to_string(record.fileIndex) + "/" + std::to_string(record.st));
        } while (record.result == 0);
        return list;
    }

    // Sends a request and gives the reply's bytes in hex (replyBytes of them).
    template <class Request>
    std::string exchange(int32_t command, const Request& request, size_t replyBytes)
    {
        std::vector<uint8_t> reply(replyBytes);
        EXPECT_TRUE(client.sendRequest(command, request));
        EXPECT_TRUE(client.receiveBytes(reply.data(), reply.size(), 10000)) << "command " << command;
        return toHex(reply);
    }

    static std::vector<std::string> pageFiles()
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(kScanDir)) {
            if (entry.path().extension() == ".tmp")
                names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<SimScanner> sim;
    ScanClient client;
};

TEST_F(NetworkScanTest, ScanStartSendsTheWholeFormAndTheScannerAnswerDecidesTheResult)
{
    start("start = " + kStarted + "\n" +
          "start = " + httpAnswer("RESULT=91\r\n") + "\n" +
          "start = " + httpAnswer("RESULT=1\r\n") + "\n" +
          // Closed without ever saying RESULT=.
          "start = " + httpAnswer("BUSY\r\n") + "\n" +
          // RESULT= only in the header: no body line decides.
          "start = " + netscan_sim::escape("HTTP/1.1 200 OK\r\nX-Note: RESULT=1\r\nContent-Length: 4\r\n\r\nOK\r\n") +
          "\n" +
          "job\njobheader 5\njobdone\n");
    SettingInfo info = colourA4();
    info.xStart = 10;
    info.yStart = 20;
    info.BrightnessParam = 5;
    info.ContrastParam = 6;
    info.backgroundRemoval = 1;
    info.backgroundRemovalParam = 3;

    // By the answers above, in turn.
    const int32_t results[] = {0, 3, 4, 3, 0};
    std::string connectionBase;
    for (size_t n = 0; n < std::size(results); ++n) {
        const TCPScanStartRes reply = startScan(info);
        EXPECT_EQ(reply.result, results[n]) << "start " << n;
        // Every start uses up a job number of this connection.
        const std::string base = reply.fileName;
        const size_t number = base.rfind('_');
        ASSERT_NE(number, std::string::npos);
        if (n == 0)
            connectionBase = base.substr(0, number);
        EXPECT_EQ(base, connectionBase + "_" + std::to_string(n));
        if (reply.result != 0) {
            // The client's own value comes back: there is no data connection.
            EXPECT_EQ(reply.socketDataFd, 0);
            continue;
        }
        EXPECT_GE(reply.socketDataFd, 3);
        // The stream's first block ends the job, and still begins page 0.
        EXPECT_EQ(records(), std::vector<std::string>{"5/0/0/9"});
    }
    EXPECT_TRUE(sim->waitForRequests("start", 5));
    // Refused starts opened no data connection: the second one is the last start's.
    EXPECT_EQ(sim->dataConnections(), 2u);

    const std::string body = "SCANTYPE=2&ADVCONTRAST=6&BACKGROUNDREMOVAL=3&COMPRESSION=JPEG&CONTRAST=MIXED&"
                             "DARKNESS=5&DEPTH=24&DOCSOURCE=0&EDGETOEDGE=0&IPADDRESS=192.0.2.1&JPEGQUALITY=70&"
                             "KEEPALIVE=0&NAME=" +
                             loginName() +
                             "&ORIENTATION=PORTRAIT&RESOLUTION=300&SCANSOURCE=7&SHARPNESS=0&START_NOW=1&"
                             "TCPPORT=2080&TYPE=JPEG&SINGLEPAGE=&CUSTOM_WIDTH=2480&CUSTOM_HEIGHT=3508&OFFSETX=10&"
                             "OFFSETY=20&";
    const std::string expected = "POST /netscan/post HTTP/1.1" + kFormHeaders +
                                 "Content-Length: " + std::to_string(body.size()) +
                                 "\r\nHost: 192.0.2.1\r\n\r\n" + body;
    const std::vector<std::string> requests = sim->requests("start");
    ASSERT_EQ(requests.size(), 5u);
    for (const std::string& request : requests)
        EXPECT_EQ(request, expected);
}

TEST_F(NetworkScanTest, HostLineCarriesTheFirstBroadcastAndMulticastInterfaceAddress)
{
    const std::string done = httpAnswer("OK");
    start("abort = " + done + "\nadf = " + done + "\ncaps = " + done + "\n");
    const TCPCommonReq common{scanner()};
    TCPScanAbortReq abort;
    zeroRecord(abort);
    abort.socket = scanner();

    // Only the loopback interface: no address, an empty Host line.
    EXPECT_EQ(exchange(TCP_SCAN_ABORT, abort, 4), "00000000");
    EXPECT_EQ(exchange(TCP_SCAN_ADFST, common, 8), "00000000 00000000");

    ASSERT_TRUE(runIp({"link", "add", "vh0", "type", "veth", "peer", "name", "vh1"}));
    ASSERT_TRUE(runIp({"address", "add", "198.51.100.7/32", "dev", "vh0"}));
    ASSERT_TRUE(runIp({"link", "set", "vh0", "up"}));
    ASSERT_TRUE(runIp({"link", "set", "vh1", "up"}));
    EXPECT_EQ(exchange(TCP_SCAN_DEVPROPERTIES, common, 40).substr(0, 8), "00000000");
    EXPECT_EQ(exchange(TCP_SCAN_ABORT, abort, 4), "00000000");
    // An interface without multicast does not count.
    ASSERT_TRUE(runIp({"link", "set", "vh0", "multicast", "off"}));
    EXPECT_EQ(exchange(TCP_SCAN_ADFST, common, 8), "00000000 00000000");

    ASSERT_TRUE(sim->waitForRequests("abort", 2));
    ASSERT_TRUE(sim->waitForRequests("adf", 2));
    ASSERT_TRUE(sim->waitForRequests("caps", 1));
    EXPECT_EQ(sim->requests("abort"), (std::vector<std::string>{abortRequest(""), abortRequest("198.51.100.7")}));
    EXPECT_EQ(sim->requests("adf"), (std::vector<std::string>{adfRequest(""), adfRequest("")}));
    EXPECT_EQ(sim->requests("caps"), std::vector<std::string>{capabilitiesRequest("198.51.100.7")});
}

TEST_F(NetworkScanTest, FeederStatusIsTheLastByteOfTheWholeAnswer)
{
    start("adf = " + httpAnswer("ADF=1") + "\n" +
          "adf = " + httpAnswer("ADF=2") + "\n" +
          "adf = " + httpAnswer("ADF=3") + "\n" +
          "adf = " + httpAnswer("ADF=2\n") + "\n" +
          // No Content-Length: the answer runs to the close, its last piece a while after the header.
          "adf split 19 300 = " + netscan_sim::escape("HTTP/1.1 200 OK\r\n\r\nADF=3") + "\n" +
          // Closed without an answer.
          "adf\n");
    const TCPCommonReq request{scanner()};
    for (const char* expected : {"00000000 01000000", "00000000 02000000", "00000000 03000000",
                                 "00000000 00000000", "00000000 03000000", "00000000 00000000"})
        EXPECT_EQ(exchange(TCP_SCAN_ADFST, request, 8), expected);
    // Nothing listens on this address.
    EXPECT_EQ(exchange(TCP_SCAN_ADFST, TCPCommonReq{scanner("127.0.0.3")}, 8), "09000000 00000000");
    const std::string errors = readWholeFile(kScanDir + "taliro_scan_err.log");
    EXPECT_NE(errors.find("[TaliroScanSDK] ADF status is invalid or not supported\n"), std::string::npos);
}

TEST_F(NetworkScanTest, CapabilitiesFillTheRecordByteByByte)
{
    start("caps = " +
          httpAnswer("DUPLEX=true\r\nCOLOR=GRAY\r\nMINRES=75\r\nMAXRES=1200\r\nWIDTH_FORMAT=2\r\nFAMILY=5\r\n"
                     "PERMPROFILES=false\r\nPROFILE=ENABLED\r\nMAX_WIDTH=216\r\nMAX_HEIGHT=356\r\n"
                     "BASIC_RESOLUTION=300\r\nSPEED=40\r\n") +
          "\ncaps = " + httpAnswer("COLOR=COLOR\nPERMPROFILES=true\nPROFILE=DISABLED\nMAXRES=x\n") + "\n");
    const TCPCommonReq request{scanner()};
    EXPECT_EQ(exchange(TCP_SCAN_DEVPROPERTIES, request, 40),
              "00000000 01000000 4b000000 b0040000 02000000 05000000 00010000 d8000000 64010000 2c010000");
    EXPECT_EQ(exchange(TCP_SCAN_DEVPROPERTIES, request, 40),
              "00000000 00010000 00000000 00000000 00000000 00000000 01000000 00000000 00000000 00000000");
    EXPECT_EQ(exchange(TCP_SCAN_DEVPROPERTIES, TCPCommonReq{scanner("127.0.0.3")}, 40).substr(0, 8), "09000000");
}

TEST_F(NetworkScanTest, AttributeQueryIsRelayedBothWays)
{
    start("osl = hello\n"
          "osl = <a>list</a>\n"
          // More than the daemon takes, and fewer bytes than announced.
          "osl length 8193 = x\n"
          "osl length 10 = abc\n");
    auto query = [&](int32_t type) {
        TCPOSLReq request;
        zeroRecord(request);
        request.socket = scanner();
        request.type = type;
        TCPOSLRes reply;
        EXPECT_TRUE(client.sendRequest(TCP_SEND_OSL, request));
        EXPECT_TRUE(client.receiveReply(reply, 10000));
        std::vector<uint8_t> bytes = recordBytes(reply);
        std::vector<uint8_t> text(reply.bufferLen > 0 ? static_cast<size_t>(reply.bufferLen) : 0);
        EXPECT_TRUE(client.receiveBytes(text.data(), text.size()));
        bytes.insert(bytes.end(), text.begin(), text.end());
        return toHex(bytes);
    };
    EXPECT_EQ(query(OSL_CMD_FAMILYTYPE), "00000000 05000000 68656c6c 6f");
    EXPECT_EQ(query(OSL_CMD_GETLIST), "00000000 0b000000 3c613e6c 6973743c 2f613e");
    EXPECT_EQ(query(OSL_CMD_SUMMARY), "09000000 00000000");
    EXPECT_EQ(query(OSL_CMD_SUMMARY), "09000000 00000000");
    // A type that names no attribute is refused without asking the scanner.
    EXPECT_EQ(query(3), "04000000 00000000");
    EXPECT_TRUE(client.checkpoint());

    ASSERT_TRUE(sim->waitForRequests("osl", 4));
    auto expected = [](int id, const std::string& object, const std::string& attribute) {
        const std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<method name=\"getAttribute\" "
                                "requestID=\"" + std::to_string(id) + "\">\r\n  <arg name=\"objName\">" + object +
                                "</arg>\r\n  <arg name=\"attribName\">" + attribute + "</arg>\r\n</method>\r\n";
        const char length[] = {0, 0, static_cast<char>(xml.size() >> 8), static_cast<char>(xml.size() & 0xff)};
        return std::string(length, 4) + xml;
    };
    const std::vector<std::string> requests = sim->requests("osl");
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_EQ(requests[0], expected(10001, "system", "familyType"));
    EXPECT_EQ(requests[0].substr(0, 4), std::string("\0\0\0\xb2", 4));
    EXPECT_EQ(requests[1], expected(10002, "mfp.profileFactory", "getList"));
    EXPECT_EQ(requests[2], expected(10003, "mfp.scanner", "summary"));
}

TEST_F(NetworkScanTest, TwoPageJobStoresExactlyTheStreamedBytes)
{
    start("start = " + kStarted +
          "\njob\njobheader 4\nnewfile 3\ndata 4096 0x41\ndata 100 0x42\nnewfile 0\ndata 10 0x43\njobdone\n");
    const TCPScanStartRes reply = startScan();
    ASSERT_EQ(reply.result, 0);
    const std::string base = reply.fileName;
    EXPECT_EQ(base.rfind(kScanDir + "taliroscandata_", 0), 0u) << base;
    EXPECT_EQ(records(), (std::vector<std::string>{"0/0/0/9", "0/4096/1/0", "0/100/1/0", "0/0/1/9", "0/10/2/0",
                                                   "5/0/2/1"}));
    EXPECT_EQ(readWholeFile(base + "_0.tmp"), std::string(4096, 'A') + std::string(100, 'B'));
    EXPECT_EQ(readWholeFile(base + "_1.tmp"), std::string(10, 'C'));
    EXPECT_EQ(pageFiles().size(), 2u);
}

TEST_F(NetworkScanTest, BrokenStreamsEndTheJobWithOneErrorRecord)
{
    struct Case {
        const char* what;
        std::string steps;
        std::vector<std::string> records;
        std::vector<std::string> pages;  // page file contents
    };
    const Case cases[] = {
        {"closed after a block", "data 8 0x31\n", {"0/8/1/0", "9/0/1/0"}, {"11111111"}},
        {"cut in a block", "raw = DATA  000100     \\n0123456789\n", {"9/0/1/0"}, {""}},
        {"cut in a page header", "data 4 0x34\nraw = NEWFILE          \\nPAGEH \n", {"0/4/1/0", "9/0/1/0"},
         {"4444"}},
        {"a sign in the size", "raw = DATA  -00010     \\n\njobdone\n", {"0/0/1/0", "5/0/1/1"}, {""}},
        {"a blank in the size", "raw = DATA   00010     \\n\njobdone\n", {"0/0/1/0", "5/0/1/1"}, {""}},
        {"letters in the size", "raw = DATA  12ab56     \\n0123456789ab\njobdone\n", {"0/12/1/0", "5/0/1/1"},
         {"0123456789ab"}},
        {"digits after the size", "raw = DATA  0000109999\\n\\n0123456789\njobdone\n", {"0/10/1/0", "5/0/1/1"},
         {"0123456789"}},
        {"cancelled by the scanner", "jobcancel\n", {"2/0/1/4"}, {""}},
    };
    std::string script = "start = " + kStarted + "\n";
    for (const Case& c : cases)
        script += "job\njobheader 0\nnewfile 0\n" + c.steps;
    start(script);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TCPScanStartRes reply = startScan();
        ASSERT_EQ(reply.result, 0);
        std::vector<std::string> expected{"0/0/0/9"};
        expected.insert(expected.end(), c.records.begin(), c.records.end());
        EXPECT_EQ(records(), expected);
        const std::string base = reply.fileName;
        for (size_t page = 0; page < c.pages.size(); ++page)
            EXPECT_EQ(readWholeFile(base + "_" + std::to_string(page) + ".tmp"), c.pages[page]);
        // No page begins after the error.
        EXPECT_FALSE(std::filesystem::exists(base + "_" + std::to_string(c.pages.size()) + ".tmp"));
    }
    EXPECT_TRUE(client.checkpoint());
}

TEST_F(NetworkScanTest, StalledStreamEndsTheJobAfterTheReceiveTimeOuts)
{
    start("start = " + kStarted + "\njob\njobheader 0\nnewfile 0\ndata 16 0x55\nhold\n");
    const TCPScanStartRes reply = startScan();
    ASSERT_EQ(reply.result, 0);
    // Four receives of 5 seconds each for the next block header.
    EXPECT_EQ(records(30000), (std::vector<std::string>{"0/0/0/9", "0/16/1/0", "9/0/1/0"}));
    EXPECT_EQ(readWholeFile(std::string(reply.fileName) + "_0.tmp"), std::string(16, 'U'));
}

TEST_F(NetworkScanTest, AbortClosesTheDataConnectionEndsTheJobAndDeletesItsPages)
{
    start("start = " + kStarted + "\nabort = " + httpAnswer("OK") +
          "\njob\njobheader 0\nnewfile 0\ndata 16 0x55\nhold\n");
    const TCPScanStartRes reply = startScan();
    ASSERT_EQ(reply.result, 0);
    std::vector<uint8_t> first(32);
    ASSERT_TRUE(client.receiveBytes(first.data(), first.size()));
    EXPECT_EQ(toHex(first), "00000000 00000000 00000000 09000000 00000000 10000000 01000000 00000000");
    ASSERT_EQ(pageFiles().size(), 1u);

    TCPScanAbortReq abort;
    zeroRecord(abort);
    abort.socket = scanner("127.0.0.2", reply.socketDataFd);
    copyText(abort.fileName, reply.fileName);
    EXPECT_EQ(exchange(TCP_SCAN_ABORT, abort, 4), "00000000");
    EXPECT_TRUE(pageFiles().empty());
    // Both the connection process's and the job's copies of the data connection are closed.
    EXPECT_TRUE(sim->waitForLine("data closed by the daemon"));
    ASSERT_TRUE(sim->waitForRequests("abort", 1));
    EXPECT_EQ(sim->requests("abort"), std::vector<std::string>{abortRequest("")});
    EXPECT_TRUE(client.checkpoint());
}

TEST_F(NetworkScanTest, AnswerHeldOpenAfterItsContentLengthCostsNoWait)
{
    const std::string loaded = "HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n";
    start("start hold = " + kStarted + "\n" +
          "abort hold = " + httpAnswer("OK") + "\n" +
          // The body comes a while after the header: read up to its Content-Length.
          "adf hold split " + std::to_string(loaded.size()) + " 300 = " + netscan_sim::escape(loaded + "ADF=2") +
          "\n" + "caps hold = " + httpAnswer("MINRES=75\r\n") + "\n" +
          // Without a Content-Length the answer is read until the time-out.
          "adf hold = " + netscan_sim::escape("HTTP/1.1 200 OK\r\n\r\nADF=3") + "\n" +
          "job\njobheader 0\njobdone\n");
    TCPScanAbortReq abort;
    zeroRecord(abort);
    abort.socket = scanner();
    const TCPCommonReq common{scanner()};

    // Waiting for more after the answer would make an exchange last the whole receive time-out.
    const auto endsBeforeTheTimeOut = [](const char* what, const std::function<void()>& run) {
        const auto begin = std::chrono::steady_clock::now();
        run();
        EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(kScannerTimeoutMs)) << what;
    };
    endsBeforeTheTimeOut("start", [&] { EXPECT_EQ(startScan().result, 0); });
    EXPECT_EQ(records(), std::vector<std::string>{"5/0/0/9"});
    endsBeforeTheTimeOut("abort", [&] { EXPECT_EQ(exchange(TCP_SCAN_ABORT, abort, 4), "00000000"); });
    endsBeforeTheTimeOut("feeder", [&] { EXPECT_EQ(exchange(TCP_SCAN_ADFST, common, 8), "00000000 02000000"); });
    endsBeforeTheTimeOut("capabilities", [&] {
        EXPECT_EQ(exchange(TCP_SCAN_DEVPROPERTIES, common, 40).substr(0, 26), "00000000 00000000 4b000000");
    });

    const auto held = std::chrono::steady_clock::now();
    EXPECT_EQ(exchange(TCP_SCAN_ADFST, common, 8), "00000000 03000000");
    EXPECT_GE(std::chrono::steady_clock::now() - held, std::chrono::milliseconds(4900));
}

}  // namespace
