// The command server on the real USB side against the simulated scanner of
// the umockdev bed: the exact replies a client gets on port 7003 for the
// device's answers. Jobs run in the test process.

#include "server_fixture.h"
#include "usb_device_fixture.h"
#include "usbfs_scanner.h"

#include <cerrno>
#include <filesystem>

namespace {

using Bytes = std::vector<uint8_t>;

class UsbCommandsTest : public ServerFixture {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
        VuroInitDbg(folder.dir());
        scanner = std::make_shared<SimulatedScanner>();
        const int number = bed.addDevice(SimulatedScanner::device(kScannerVendor, kScannerProduct, "SN0001"), scanner);
        ASSERT_EQ(number, 0);
        devfd = open(usb_testing::UmockdevPrinter::nodePath(number).c_str(), O_RDWR | O_CLOEXEC);
        ASSERT_GT(devfd, 0);
        start("", "", &usb);
    }

    void TearDown() override
    {
        ServerFixture::TearDown();
        close(devfd);
    }

    // Sends a command that names the device and gives the hex of its reply.
    template <class Request>
    std::string ask(int32_t command, const Request& request, size_t replySize)
    {
        EXPECT_TRUE(client.sendRequest(command, request));
        Bytes reply(replySize);
        if (!client.receiveBytes(reply.data(), replySize, 5000))
            return "(no complete reply)";
        return toHex(reply);
    }

    std::string ask(int32_t command, size_t replySize = 4) { return ask(command, USBCommonReq{devfd}, replySize); }

    std::string lock()
    {
        USBScanLockReq request;
        zeroRecord(request);
        request.devfd = devfd;
        request.info.bitDepth = 24;
        request.info.xResolution = request.info.yResolution = 300;
        return ask(USB_SCAN_LOCK, request, 4);
    }

    usb_testing::UmockdevPrinter bed;
    std::shared_ptr<SimulatedScanner> scanner;
    UsbfsScanner usb;
    int devfd = -1;
};

TEST_F(UsbCommandsTest, RepliesCarryTheStatusThatTheResponseFlagGivesForItsCommand)
{
    struct Case {
        int32_t command;
        uint8_t cmdClass;
        uint8_t cmdCode;
        uint8_t flag;
        size_t replySize;
        std::string reply;  // the first bytes of the reply
    };
    const Case cases[] = {
        {USB_SCAN_LOCK, 0x53, 0x05, 0x80, 4, "00000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x81, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x82, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x83, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x84, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x85, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x86, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x87, 4, "00000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x88, 4, "03000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0x89, 4, "09000000"},
        {USB_SCAN_LOCK, 0x53, 0x05, 0xFF, 4, "00000000"},
        {USB_SCAN_START, 0x53, 0x01, 0x88, 4, "09000000"},
        {USB_SCAN_START, 0x53, 0x01, 0x89, 4, "09000000"},
        {USB_SCAN_UNLOCK, 0x53, 0x06, 0x88, 4, "09000000"},
        {USB_SCAN_UNLOCK, 0x53, 0x06, 0x89, 4, "09000000"},
        {USB_SCAN_POWERON, 0x44, 0x04, 0x88, 4, "09000000"},
        {USB_SCAN_POWERON, 0x44, 0x04, 0x89, 4, "09000000"},
        {USB_SCAN_GETSIZES, 0x53, 0x0A, 0x88, 4, "09000000"},
        {USB_SCAN_ADFSTATUS, 0x53, 0x04, 0x88, 8, "00000000 09000000"},
        {USB_SCAN_DEVPROPERTIES, 0x53, 0x03, 0x82, 28, "00000000 00000000 00000000 00000000 00000000 00000000 09000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command << " flag " << std::hex << int(c.flag));
        scanner->setFlag(c.cmdClass, c.cmdCode, c.flag);
        const std::string reply = c.command == USB_SCAN_LOCK ? lock() : ask(c.command, c.command == USB_SCAN_START ? 260 : c.replySize);
        EXPECT_EQ(reply.substr(0, c.reply.size()), c.reply);
    }
}

TEST_F(UsbCommandsTest, AnswersOutsideTheProtocolAreErrorsNeverSuccess)
{
    const Bytes unlocked = SimulatedScanner::header(0x53, 0x06, 0, 0x80);
    const Bytes record = SimulatedScanner::scanRecord(0, 23 + 4096);
    const Bytes abortAnswer = SimulatedScanner::header(0x53, 0x0F, 0, 0x80);
    auto sized = [](uint16_t dataSize, uint8_t flag) {
        Bytes response = SimulatedScanner::header(0x53, 0x06, dataSize, flag);
        response.resize(std::min<size_t>(8 + dataSize, 200), 0);
        return response;
    };
    struct Case {
        const char* what;
        std::vector<Bytes> transfers;
        std::string reply;
    };
    const Case cases[] = {
        {"no answer: the device is busy", {}, "03000000"},
        {"one byte", {{0x1B}}, "09000000"},
        {"seven bytes", {Bytes(unlocked.begin(), unlocked.begin() + 7)}, "09000000"},
        {"eight bytes that are no response", {{0x1C, 0x53, 0x06, 0x00, 0x00, 0x00, 0x80, 0x00}}, "09000000"},
        {"data that just fits the buffer", {sized(192, 0x80)}, "00000000"},
        {"data beyond the buffer", {sized(193, 0x80)}, "0a000000"},
        {"data beyond the buffer is refused before its flag", {sized(200, 0x81)}, "0a000000"},
        {"records of an earlier scan are read past", {record, record, unlocked}, "00000000"},
        {"one abort answer is read past", {abortAnswer, sized(0, 0x82)}, "09000000"},
        {"only one abort answer is read past", {abortAnswer, SimulatedScanner::header(0x53, 0x0F, 0, 0x82)}, "09000000"},
        {"a record and then nothing", {record}, "03000000"},
        {"an abort answer and then nothing", {abortAnswer}, "03000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        scanner->scriptResponse(0x53, 0x06, c.transfers);
        EXPECT_EQ(ask(USB_SCAN_UNLOCK), c.reply);
    }
    scanner->failNextWrite(ETIMEDOUT);
    EXPECT_EQ(ask(USB_SCAN_UNLOCK), "03000000");
    // A device gone after it took the command passes the failed read's -1 on.
    scanner->unplugAfter(0x53, 0x04);
    EXPECT_EQ(ask(USB_SCAN_ADFSTATUS, 8), "00000000 ffffffff");
    // Once gone, the write fails first: 9.
    EXPECT_EQ(ask(USB_SCAN_UNLOCK), "09000000");
}

TEST_F(UsbCommandsTest, FeederStatusPropertiesAndWarmUpComeFromTheResponse)
{
    scanner->setAdfStatus(ADF_STATUS_LOADED);
    EXPECT_EQ(ask(USB_SCAN_ADFSTATUS, 8), "02000000 00000000");
    scanner->setAdfStatus(ADF_STATUS_PAPER_JAM);
    EXPECT_EQ(ask(USB_SCAN_ADFSTATUS, 8), "03000000 00000000");

    scanner->setProperties({0x01, 0x02, 0x01, 0x03, 0x04, 0x05, 0xEE, 0xEE, 0x06, 0x00, 0x00, 0x00, 0x07, 0x00, 0x08, 0xEE});
    EXPECT_EQ(ask(USB_SCAN_DEVPROPERTIES, 28),
              "1b530300 10008000 01020103 0405eeee 06000000 070008ee 00000000");

    scanner->setTimeToScan(12);
    EXPECT_EQ(ask(USB_SCAN_POWERON), "00000000");
    EXPECT_NE(folder.read("taliro_scan_info.log")
                  .find("[TaliroScanSDK] ScanPowerOn Sleep: 12 seconds for the scanner to warm prior to scanning.\n"),
              std::string::npos);
    EXPECT_EQ(ask(USB_SCAN_GETSIZES), "00000000");
}

TEST_F(UsbCommandsTest, EndpointRequestsAnswerZeroOrIoError)
{
    EXPECT_EQ(ask(USB_CLEAR_DEV, USBClearDevEpReq{devfd, 0x82}, 4), "00000000");
    EXPECT_EQ(ask(USB_CLEAR_DEV, USBClearDevEpReq{devfd, 0x05}, 4), "09000000");
    EXPECT_EQ(ask(USB_RESET_DEVEP, USBResetDevEpReq{devfd, 0x02}, 4), "00000000");
    EXPECT_EQ(ask(USB_RESET_DEVEP, USBResetDevEpReq{devfd, 0x81}, 4), "09000000");
}

TEST_F(UsbCommandsTest, AbortRepliesTheStatusOfItsWriteNotItsByteCount)
{
    int32_t result = -2;
    ASSERT_TRUE(client.abortUsbScan(devfd, folder.dir() + "taliroscandata_4711_0", result));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(toHex(scanner->received().back()), "1b530f00 00008000");
    EXPECT_EQ(bed.endpointRequests().back().kind, usb_testing::EndpointRequest::ResetDevice);

    scanner->failNextWrite(ETIMEDOUT);
    ASSERT_TRUE(client.abortUsbScan(devfd, folder.dir() + "taliroscandata_4711_0", result));
    EXPECT_EQ(result, 3);
    bed.unplug(0);
    ASSERT_TRUE(client.abortUsbScan(devfd, folder.dir() + "taliroscandata_4711_0", result));
    EXPECT_EQ(result, 9);
}

TEST_F(UsbCommandsTest, RecordWithoutStatusDoesNotRepeatTheStatusBeforeIt)
{
    const Bytes data = Bytes(100, 0x5A);
    scanner->queueJob({SimulatedScanner::block(9),
                       SimulatedScanner::message(SimulatedScanner::header(0x53, 0x02, 0, 0x80)),
                       SimulatedScanner::block(0, data), SimulatedScanner::block(7), SimulatedScanner::block(1)});
    EXPECT_EQ(lock(), "00000000");
    ASSERT_TRUE(client.sendRequest(USB_SCAN_START, USBCommonReq{devfd}));
    USBScanStartRes started;
    ASSERT_TRUE(client.receiveReply(started));
    EXPECT_EQ(started.result, 0);
    std::vector<std::string> records;
    USBScanRecordRes record{};
    do {
        ASSERT_TRUE(client.receiveReply(record));
        records.push_back(std::to_string(record.st) + "/" + std::to_string(record.fileIndex) + "/" +
                          std::to_string(record.dataSize) + "/" + std::to_string(record.result));
    } while (record.result == 0);
    EXPECT_EQ(records, (std::vector<std::string>{"9/0/0/0", "0/1/0/0", "0/1/100/0", "7/1/0/0", "1/1/0/5"}));
    EXPECT_EQ(folder.read("taliroscandata_4711_0_0.tmp"), std::string(100, '\x5A'));
    EXPECT_FALSE(std::filesystem::exists(folder.file("taliroscandata_4711_0_1.tmp")));
}

}  // namespace
