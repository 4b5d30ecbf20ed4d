// The command server on one end of a socketpair, with the scripted scanner
// and jobs run in the test process: exact reply bytes for each command.

#include "server_fixture.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace {

const char kScript[] = R"(
device 0x2f7a 0x5a01 Taliro Q804 SN0001
device 0x2f7a 0x5a02 Taliro Q805 SN0002
device 0x1234 0x0001 Other Thing X
result reset 9
result lock 3
result abort 0
result netabort 0
adfstatus 2
netadfstatus 3
props 1b530300100080000102000304050000060000000700080a
osl <a>hello</a>
caps 1 0 75 1200 2 5 0 1 216 356 300
)";

// The number of bytes a hex text as toHex() writes it stands for.
size_t bytesIn(const std::string& hex)
{
    return static_cast<size_t>(std::count_if(hex.begin(), hex.end(), [](char c) { return c != ' '; })) / 2;
}

class CommandServerTest : public ServerFixture {
protected:
    void start(const std::string& script = kScript) { ServerFixture::start(script); }

    std::string reply(size_t size)
    {
        std::vector<uint8_t> bytes(size);
        if (!client.receiveBytes(bytes.data(), size, 2000))
            return "(no complete reply)";
        return toHex(bytes);
    }

    std::vector<int32_t> listDevices(int vid, int pid, bool comparePid)
    {
        int32_t count = -2;
        std::vector<USBFindDevRes> devices;
        EXPECT_TRUE(client.findDevices(vid, pid, comparePid, count, devices));
        std::vector<int32_t> fds;
        for (const USBFindDevRes& device : devices)
            fds.push_back(device.fd);
        return fds;
    }

    int32_t firstDevice() { return listDevices(0x2f7a, 0, false).at(0); }
};

TEST_F(CommandServerTest, ListsDevicesOfTheVendorOrOfTheProductWithTheirStrings)
{
    start();
    int32_t count = 0;
    std::vector<USBFindDevRes> devices;
    ASSERT_TRUE(client.findDevices(0x2f7a, 0, false, count, devices));
    ASSERT_EQ(count, 2);
    const char* const products[] = {"Q804", "Q805"};
    for (std::size_t i = 0; i < devices.size(); ++i) {
        const USBFindDevRes& device = devices[i];
        const char* product = products[i];
        EXPECT_EQ(device.vid, 0x2f7a);
        EXPECT_STREQ(device.Manufacturer, "Taliro");
        EXPECT_STREQ(device.Product, product);
        // Unused string bytes are zero, so nothing of the daemon's memory leaks out.
        EXPECT_EQ(device.Product[1023], 0);
        EXPECT_EQ(std::string(device.SerialNumber + 7, 16), std::string(16, '\0'));
    }
    EXPECT_EQ(listDevices(0x2f7a, 0x5a02, true).size(), 1u);
    EXPECT_EQ(listDevices(0x2f7a, 0x5a03, true).size(), 0u);
    EXPECT_EQ(rest(), "");
}

// A USB side whose device strings fill their arrays to the last byte.
class FullStringsScanner : public ScriptedScanner {
public:
    void describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record) override
    {
        ScriptedScanner::describeDevice(device, record);
        for (char* text : {record.Manufacturer, record.Product, record.SerialNumber})
            std::memset(text, 'S', kUsbStringSize);
    }
};

TEST_F(CommandServerTest, DeviceStringsAreSentNulTerminatedAndReopenComparesThemSo)
{
    FullStringsScanner usb;
    std::string error;
    ASSERT_TRUE(usb.load(kScript, error)) << error;
    ServerFixture::start(kScript, "", &usb);
    const std::string full(kUsbStringSize - 1, 'S');
    int32_t count = 0;
    std::vector<USBFindDevRes> devices;
    ASSERT_TRUE(client.findDevices(0x2f7a, 0, false, count, devices));
    ASSERT_EQ(count, 2);
    for (const USBFindDevRes& device : devices) {
        for (const char* text : {device.Manufacturer, device.Product, device.SerialNumber})
            EXPECT_EQ(std::string(text, kUsbStringSize), full + '\0');
    }
    USBReopenDevReq reopen;
    zeroRecord(reopen);
    reopen.vid = 0x2f7a;
    reopen.pid = 0x5a01;
    copyText(reopen.SerialNumber, full);
    ASSERT_TRUE(client.sendRequest(USB_REOPEN_DEV, reopen));
    USBReopenDevRes reopened;
    ASSERT_TRUE(client.receiveReply(reopened));
    EXPECT_EQ(reopened.ret, 0);
}

TEST_F(CommandServerTest, NoUsbBusGivesCountMinusOneAndNothingElse)
{
    start("nobus\n");
    USBFindDevReq request;
    zeroRecord(request);
    request.vid = 0x2f7a;
    ASSERT_TRUE(client.sendRequest(USB_FIND_DEV, request));
    EXPECT_EQ(reply(4), "ffffffff");
    EXPECT_EQ(rest(), "");
}

struct ReplyCase {
    const char* name;
    int32_t command;
    bool onDevice;  // devfd is a listed device, else 999
    std::string reply;
};

void PrintTo(const ReplyCase& c, std::ostream* out) { *out << c.name; }


class CommandReplyTest : public CommandServerTest, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(CommandReplyTest, RepliesWithExactBytes)
{
    start();
    const ReplyCase& c = GetParam();
    const int32_t devfd = c.onDevice ? firstDevice() : 999;
    VuroSocket scanner;
    zeroRecord(scanner);
    copyText(scanner.szScannerIP, "127.0.0.2");
    switch (c.command) {
    case USB_CLEAR_DEV:
    case USB_RESET_DEVEP: {
        USBClearDevEpReq request{devfd, 0x82};
        ASSERT_TRUE(client.sendRequest(c.command, request));
        break;
    }
    case USB_SCAN_LOCK: {
        USBScanLockReq request;
        zeroRecord(request);
        request.devfd = devfd;
        request.info.bitDepth = 24;
        ASSERT_TRUE(client.sendRequest(c.command, request));
        break;
    }
    case TCP_SEND_OSL: {
        TCPOSLReq request{scanner, OSL_CMD_FAMILYTYPE};
        ASSERT_TRUE(client.sendRequest(c.command, request));
        break;
    }
    case TCP_SCAN_ADFST:
    case TCP_SCAN_DEVPROPERTIES: {
        TCPCommonReq request{scanner};
        ASSERT_TRUE(client.sendRequest(c.command, request));
        break;
    }
    default: {
        USBCommonReq request{devfd};
        ASSERT_TRUE(client.sendRequest(c.command, request));
        break;
    }
    }
    EXPECT_EQ(reply(bytesIn(c.reply)), c.reply);
    EXPECT_EQ(rest(), "");
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandReplyTest,
    ::testing::Values(
        ReplyCase{"OpenDevice", USB_OPEN_DEV, true, "00000000"},
        ReplyCase{"CloseDevice", USB_CLOSE_DEV, true, "00000000"},
        ReplyCase{"CloseUnknownDevice", USB_CLOSE_DEV, false, "00000000"},
        ReplyCase{"ClearHalt", USB_CLEAR_DEV, true, "00000000"},
        ReplyCase{"ClearHaltUnknownDevice", USB_CLEAR_DEV, false, "09000000"},
        ReplyCase{"ResetEndpointFails", USB_RESET_DEVEP, true, "09000000"},
        ReplyCase{"LockBusy", USB_SCAN_LOCK, true, "03000000"},
        ReplyCase{"Unlock", USB_SCAN_UNLOCK, true, "00000000"},
        ReplyCase{"AdfStatusStatusFirst", USB_SCAN_ADFSTATUS, true, "02000000 00000000"},
        ReplyCase{"AdfStatusUnknownDevice", USB_SCAN_ADFSTATUS, false, "00000000 09000000"},
        ReplyCase{"PowerOn", USB_SCAN_POWERON, true, "00000000"},
        ReplyCase{"ScanSizes", USB_SCAN_GETSIZES, false, "09000000"},
        ReplyCase{"DeviceProperties", USB_SCAN_DEVPROPERTIES, true,
                  "1b530300 10008000 01020003 04050000 06000000 0700080a 00000000"},
        ReplyCase{"DevicePropertiesUnknownDevice", USB_SCAN_DEVPROPERTIES, false,
                  "00000000 00000000 00000000 00000000 00000000 00000000 09000000"},
        ReplyCase{"OslAnswerFollowsItsLength", TCP_SEND_OSL, false, "00000000 0c000000 3c613e68 656c6c6f 3c2f613e"},
        ReplyCase{"NetworkAdfStatusResultFirst", TCP_SCAN_ADFST, false, "00000000 03000000"},
        ReplyCase{"NetworkCapabilities", TCP_SCAN_DEVPROPERTIES, false,
                  "00000000 01000000 4b000000 b0040000 02000000 05000000 00010000 d8000000 64010000 2c010000"}),
    [](const auto& info) { return std::string(info.param.name); });

struct ShortCase {
    int32_t command;
    size_t recordSize;
    std::string reply;
};

void PrintTo(const ShortCase& c, std::ostream* out) { *out << "command " << std::to_string(c.command); }


class ShortRecordTest : public CommandServerTest, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(ShortRecordTest, ShortRecordGetsNoReplyExceptReopenWhichAnswersIoError)
{
    start();
    // The record is one byte short and then the client stops sending.
    const std::vector<uint8_t> shortRecord(GetParam().recordSize - 1, 0);
    ASSERT_TRUE(client.sendBytes(&GetParam().command, 4));
    ASSERT_TRUE(client.sendBytes(shortRecord.data(), shortRecord.size()));
    EXPECT_EQ(rest(), GetParam().reply);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, ShortRecordTest,
    ::testing::Values(ShortCase{USB_FIND_DEV, sizeof(USBFindDevReq), ""},
                      ShortCase{USB_OPEN_DEV, sizeof(USBCommonReq), ""},
                      ShortCase{USB_CLOSE_DEV, sizeof(USBCommonReq), ""},
                      ShortCase{USB_CLEAR_DEV, sizeof(USBClearDevEpReq), ""},
                      ShortCase{USB_RESET_DEVEP, sizeof(USBResetDevEpReq), ""},
                      ShortCase{USB_SCAN_START, sizeof(USBCommonReq), ""},
                      ShortCase{USB_SCAN_ABORT, sizeof(USBScanAbortReq), ""},
                      ShortCase{USB_SCAN_LOCK, sizeof(USBScanLockReq), ""},
                      ShortCase{USB_SCAN_UNLOCK, sizeof(USBCommonReq), ""},
                      ShortCase{USB_SCAN_ADFSTATUS, sizeof(USBCommonReq), ""},
                      ShortCase{USB_SCAN_POWERON, sizeof(USBCommonReq), ""},
                      ShortCase{USB_SCAN_GETSIZES, sizeof(USBCommonReq), ""},
                      ShortCase{USB_SCAN_DEVPROPERTIES, sizeof(USBCommonReq), ""},
                      ShortCase{TCP_SEND_OSL, sizeof(TCPOSLReq), ""},
                      ShortCase{TCP_SCAN_START, sizeof(TCPScanStartReq), ""},
                      ShortCase{TCP_SCAN_ABORT, sizeof(TCPScanAbortReq), ""},
                      ShortCase{TCP_SCAN_ADFST, sizeof(TCPCommonReq), ""},
                      ShortCase{TCP_SCAN_DEVPROPERTIES, sizeof(TCPCommonReq), ""},
                      ShortCase{USB_REOPEN_DEV, sizeof(USBReopenDevReq), "09000000 00000000"},
                      ShortCase{CMD_DELETE_FILE, sizeof(CmdDeleteFileReq), ""}),
    [](const auto& info) { return "Command" + std::to_string(info.param.command); });

TEST_F(CommandServerTest, UndefinedCommandsAreIgnoredAndTheConnectionGoesOn)
{
    start();
    const int32_t undefined[] = {20, -1, 0x7fffffff, static_cast<int32_t>(0x80000000)};
    for (int32_t command : undefined)
        ASSERT_TRUE(client.sendBytes(&command, sizeof command));
    EXPECT_TRUE(client.checkpoint());
    USBCommonReq open{1};
    ASSERT_TRUE(client.sendRequest(USB_OPEN_DEV, open));
    EXPECT_EQ(reply(4), "00000000");
    EXPECT_EQ(rest(), "");
}

struct FirstBytesCase {
    const char* bytes;
    bool afterACommand;  // sent after a first command of the connection
    bool closes;
};

void PrintTo(const FirstBytesCase& c, std::ostream* out) { *out << '"' << c.bytes << '"'; }

class FirstBytesTest : public CommandServerTest, public ::testing::WithParamInterface<FirstBytesCase> {};

TEST_P(FirstBytesTest, ConnectionThatBeginsLikeAnHttpRequestIsClosedAtOnce)
{
    start();
    const FirstBytesCase& c = GetParam();
    if (c.afterACommand) {
        ASSERT_TRUE(client.checkpoint());
    }
    ASSERT_TRUE(client.sendBytes(c.bytes, 4));
    if (c.closes) {
        // The rest of the request is never read as commands.
        const std::string request = " / HTTP/1.1\r\nHost: 127.0.0.1:7003\r\n\r\n";
        client.sendBytes(request.data(), request.size());
        EXPECT_EQ(rest(), "");
    } else {
        // Any other first number is a command; an undefined one leaves the connection open.
        EXPECT_TRUE(client.checkpoint());
        EXPECT_EQ(rest(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Words, FirstBytesTest,
    ::testing::Values(FirstBytesCase{"GET ", false, true}, FirstBytesCase{"POST", false, true},
                      FirstBytesCase{"PUT ", false, true}, FirstBytesCase{"HEAD", false, true},
                      FirstBytesCase{"OPTI", false, true}, FirstBytesCase{"DELE", false, true},
                      FirstBytesCase{"PATC", false, true}, FirstBytesCase{"CONN", false, true},
                      FirstBytesCase{"GETX", false, false}, FirstBytesCase{"get ", false, false},
                      FirstBytesCase{" GET", false, false}, FirstBytesCase{"GET ", true, false},
                      FirstBytesCase{"POST", true, false}),
    [](const auto& info) {
        std::string name;
        for (const char* c = info.param.bytes; *c; ++c)
            name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
        return name + (info.param.afterACommand ? "Later" : "First");
    });

TEST_F(CommandServerTest, RecordSplitAcrossSegmentsIsReadWhole)
{
    start();
    const int32_t devfd = firstDevice();
    USBClearDevEpReq request{devfd, 0x82};
    const int32_t command = USB_CLEAR_DEV;
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&request);
    ASSERT_TRUE(client.sendBytes(&command, 2));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(client.sendBytes(reinterpret_cast<const uint8_t*>(&command) + 2, 2));
    ASSERT_TRUE(client.sendBytes(bytes, 3));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ASSERT_TRUE(client.sendBytes(bytes + 3, sizeof request - 3));
    EXPECT_EQ(reply(4), "00000000");
    EXPECT_EQ(rest(), "");
}

TEST_F(CommandServerTest, ReopenFindsTheDeviceBySerialNumber)
{
    start();
    const int32_t oldFd = firstDevice();
    USBReopenDevReq request;
    zeroRecord(request);
    request.devfd = oldFd;
    request.vid = 0x2f7a;
    request.pid = 0x5a02;
    copyText(request.SerialNumber, "SN0002");
    ASSERT_TRUE(client.sendRequest(USB_REOPEN_DEV, request));
    USBReopenDevRes found;
    ASSERT_TRUE(client.receiveReply(found));
    EXPECT_EQ(found.ret, 0);
    // The old descriptor was closed; the new one is a device of this connection.
    USBCommonReq adf{found.fd};
    ASSERT_TRUE(client.sendRequest(USB_SCAN_ADFSTATUS, adf));
    EXPECT_EQ(reply(8), "02000000 00000000");
    USBCommonReq old{oldFd};
    ASSERT_TRUE(client.sendRequest(USB_SCAN_ADFSTATUS, old));
    EXPECT_EQ(reply(8), "00000000 09000000");

    copyText(request.SerialNumber, "SN0001");  // a device of another product id
    ASSERT_TRUE(client.sendRequest(USB_REOPEN_DEV, request));
    EXPECT_EQ(reply(8), "09000000 00000000");
}

TEST_F(CommandServerTest, ClosesOnlyDescriptorsItOpenedItself)
{
    start();
    // The client connection itself and every other low descriptor stay open.
    for (int32_t fd = 0; fd < 64; ++fd) {
        USBCommonReq close{fd};
        ASSERT_TRUE(client.sendRequest(USB_CLOSE_DEV, close));
        ASSERT_EQ(reply(4), "00000000");
    }
    TCPScanAbortReq abort;
    zeroRecord(abort);
    abort.socket.tcpFromScanner = serverFd;
    ASSERT_TRUE(client.sendRequest(TCP_SCAN_ABORT, abort));
    EXPECT_EQ(reply(4), "00000000");
    TCPScanStartReq start;
    zeroRecord(start);
    start.socket.tcpFromScanner = serverFd;
    ASSERT_TRUE(client.sendRequest(TCP_SCAN_START, start));
    TCPScanStartRes started;
    ASSERT_TRUE(client.receiveReply(started));
    EXPECT_EQ(started.result, 0);
    EXPECT_EQ(reply(16), "05000000 00000000 00000000 09000000");  // the job's only record
    EXPECT_GE(fcntl(serverFd, F_GETFD), 0);
    const int32_t devfd = firstDevice();
    USBCommonReq close{devfd};
    ASSERT_TRUE(client.sendRequest(USB_CLOSE_DEV, close));
    EXPECT_EQ(reply(4), "00000000");
    USBCommonReq adf{devfd};
    ASSERT_TRUE(client.sendRequest(USB_SCAN_ADFSTATUS, adf));
    EXPECT_EQ(reply(8), "00000000 09000000");
}

}  // namespace
