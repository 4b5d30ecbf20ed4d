// The scanner command protocol through the real usbfs transport against the
// simulated scanner: the bytes the device receives, and what its records and
// image data give.

#include "scan_client.h"
#include "scanner_protocol.h"
#include "usb_device_fixture.h"

#include <cerrno>
#include <functional>

namespace {

using Bytes = std::vector<uint8_t>;
using Step = SimulatedScanner::Step;

Bytes pattern(size_t size, uint8_t first = 0)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(first + i * 7);
    return bytes;
}

SettingInfo scanRequest(uint8_t bitDepth, int32_t compType, uint16_t xResolution, uint16_t yResolution,
                        bool feeder, uint8_t isClient)
{
    SettingInfo info;
    zeroRecord(info);
    info.bitDepth = bitDepth;
    info.compType = compType;
    info.width = 2480;
    info.height = 3508;
    info.xStart = 10;
    info.yStart = 20;
    info.xResolution = xResolution;
    info.yResolution = yResolution;
    info.feederEnabled = feeder;
    info.backgroundRemoval = 1;
    info.backgroundRemovalParam = 4;
    info.BrightnessParam = 5;
    info.ContrastParam = 6;
    info.isClient = isClient;
    return info;
}

class ScannerProtocolTest : public UsbDeviceFixture {
protected:
    void SetUp() override
    {
        UsbDeviceFixture::SetUp();
        fd = plugScanner();
        ASSERT_GT(fd, 0);
    }

    // Locks and starts the job; the scanner's records follow.
    void startJob(std::vector<Step> steps)
    {
        scanner->queueJob(std::move(steps));
        ASSERT_EQ(ScanLock(fd, scanRequest(24, COMPRESSION_NONE, 300, 300, false, 0)), kSaneGood);
        ASSERT_EQ(ScanStart(fd), kSaneGood);
    }

    std::string lastCommand() const
    {
        const auto frames = scanner->received();
        return frames.empty() ? "" : toHex(frames.back());
    }

    int fd = -1;
};

TEST_F(ScannerProtocolTest, CommandsGoOutAsTheirEightByteHeaders)
{
    int32_t adf = 0;
    ResScanDeviceProperties properties{};
    const std::vector<std::pair<std::function<int()>, std::string>> cases = {
        {[&] { return ScanStart(fd); }, "1b530100 00008000"},
        {[&] { return ScanUnlock(fd); }, "1b530600 00008000"},
        {[&] { return ScanADFStatus(fd, adf); }, "1b530400 00008000"},
        {[&] { return ScanPowerOn(fd); }, "1b440400 00008000"},
        {[&] { return ScanGetScanSizes(fd); }, "1b530a00 00008000"},
        {[&] { return ScanDeviceProperties(fd, properties); }, "1b530300 00008000"},
        {[&] { return ScanAbort(fd); }, "1b530f00 00008000"},
    };
    for (const auto& [call, bytes] : cases) {
        call();
        EXPECT_EQ(lastCommand(), bytes);
    }
}

TEST_F(ScannerProtocolTest, LockSendsFiftyFiveBytesBuiltFromTheScanRequest)
{
    struct Case {
        const char* what;
        SettingInfo info;
        std::string bytes;
    };
    SettingInfo noRemoval = scanRequest(24, COMPRESSION_NONE, 300, 300, false, 0);
    noRemoval.backgroundRemoval = 0;
    SettingInfo strongRemoval = scanRequest(24, COMPRESSION_NONE, 300, 300, false, 0);
    strongRemoval.backgroundRemoval = 7;
    const Case cases[] = {
        {"black and white JPEG from the feeder at 1200 dpi", scanRequest(1, COMPRESSION_JPEG, 1200, 1200, true, 0),
         "1b530500 2f008000 01000003 b0090000 b40d0000 0a000000 14000000 58025802 04010000 00000000 00010400 "
         "00050600 00000000 000000"},
        {"colour from the flatbed keeps 1200 dpi", scanRequest(24, COMPRESSION_NONE, 1200, 1200, false, 0),
         "1b530500 2f008000 03000003 b0090000 b40d0000 0a000000 14000000 b004b004 01010000 00000000 00010400 "
         "00050600 00000000 000000"},
        {"gray wicked from the feeder for a client at 1200 x 600", scanRequest(8, COMPRESSION_WICKED, 1200, 600, true, 1),
         "1b530500 2f008000 02014603 b0090000 b40d0000 0a000000 14000000 58025802 03010000 00000000 00010400 "
         "00050600 00000000 000000"},
        {"the feeder at 600 x 1200 keeps both", scanRequest(24, COMPRESSION_JPEG, 600, 1200, true, 0),
         "1b530500 2f008000 03024603 b0090000 b40d0000 0a000000 14000000 5802b004 04010000 00000000 00010400 "
         "00050600 00000000 000000"},
        {"no background removal", noRemoval,
         "1b530500 2f008000 03000003 b0090000 b40d0000 0a000000 14000000 2c012c01 01010000 00000000 00000400 "
         "00050600 00000000 000000"},
        {"any background removal is sent as 1", strongRemoval,
         "1b530500 2f008000 03000003 b0090000 b40d0000 0a000000 14000000 2c012c01 01010000 00000000 00010400 "
         "00050600 00000000 000000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ScanLock(fd, c.info);
        EXPECT_EQ(lastCommand(), c.bytes);
        ScanUnlock(fd);
    }
}

TEST_F(ScannerProtocolTest, RecordsGiveTheirStatusAndExactlyTheImageBytesTheDeviceSent)
{
    const Bytes data = pattern(4096);
    Step cut = SimulatedScanner::block(0, data);
    cut.cuts = {1000, 1100, 3000};
    const Bytes half = pattern(512, 1);
    struct Case {
        const char* what;
        std::vector<Step> steps;
        int result;
        int32_t status;  // 77: left as it was
        Bytes payload;
    };
    const Case cases[] = {
        {"begin of page", {SimulatedScanner::block(9)}, 0, 9, {}},
        {"image data", {SimulatedScanner::block(0, data)}, 0, 0, data},
        {"image data in short transfers", {cut}, 0, 0, data},
        {"a transfer failing after a full chunk loses nothing",
         {SimulatedScanner::message(SimulatedScanner::scanRecord(0, 23 + 1024)), SimulatedScanner::message(half),
          SimulatedScanner::event(Step::TimeOut), SimulatedScanner::message(pattern(512, 9))},
         0, 0, [&] { Bytes all = half; Bytes rest = pattern(512, 9); all.insert(all.end(), rest.begin(), rest.end()); return all; }()},
        {"end of data", {SimulatedScanner::block(1)}, 5, 1, {}},
        {"out of memory", {SimulatedScanner::block(2)}, 10, 2, {}},
        {"aborted by request", {SimulatedScanner::block(3)}, 2, 3, {}},
        {"aborted by the device", {SimulatedScanner::block(4)}, 2, 4, {}},
        {"paper jam", {SimulatedScanner::block(5)}, 6, 5, {}},
        {"no status 6", {SimulatedScanner::block(6)}, 4, 6, {}},
        {"end of page", {SimulatedScanner::block(7)}, 0, 7, {}},
        {"begin of scan", {SimulatedScanner::block(8)}, 0, 8, {}},
        {"an unknown status", {SimulatedScanner::block(200)}, 4, 200, {}},
        {"a record without data size keeps the status",
         {SimulatedScanner::message(SimulatedScanner::header(0x53, 0x02, 0, 0x80))}, 0, 77, {}},
        {"an abort from the device", {SimulatedScanner::event(Step::DeviceAbort)}, 2, 77, {}},
        {"a record shorter than its header", {SimulatedScanner::message({0x1B, 0x53, 0x02, 0x00, 0x17})}, 9, 77, {}},
        {"no record at all",
         {SimulatedScanner::message({0x1C, 0x53, 0x02, 0x00, 0x17, 0x00, 0x80, 0x00, 0x09})}, 9, 77, {}},
        {"a data record too small for its own body",
         {SimulatedScanner::message(SimulatedScanner::scanRecord(0, 10))}, 9, 77, {}},
        {"a record that stops before its status",
         {SimulatedScanner::message(SimulatedScanner::header(0x53, 0x02, 23, 0x80))}, 9, 77, {}},
        {"a device gone", {SimulatedScanner::event(Step::Unplug)}, 9, 77, {}},
        {"image data that never completes",
         {SimulatedScanner::message(SimulatedScanner::scanRecord(0, 23 + 4096)), SimulatedScanner::message(half)},
         9, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fd = plugScanner();
        startJob(c.steps);
        int32_t status = 77;
        std::vector<uint8_t> buffer;
        size_t length = 0;
        EXPECT_EQ(ScanRecord(fd, status, buffer, length), c.result);
        EXPECT_EQ(status, c.status);
        if (c.result == kSaneGood) {
            ASSERT_EQ(length, c.payload.size());
            EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(length)), c.payload);
        }
    }
}

TEST_F(ScannerProtocolTest, ReadsThatBringNothingGiveNoStatusUntilTenInARow)
{
    startJob({SimulatedScanner::event(Step::TimeOut), SimulatedScanner::event(Step::TimeOut),
              SimulatedScanner::block(7)});
    std::vector<uint8_t> buffer;
    size_t length = 0;
    int32_t status = 77;
    // Two empty reads, then a record: the count starts again.
    EXPECT_EQ(ScanRecord(fd, status, buffer, length), kSaneGood);
    EXPECT_EQ(ScanRecord(fd, status, buffer, length), kSaneGood);
    EXPECT_EQ(status, 77);
    EXPECT_EQ(ScanRecord(fd, status, buffer, length), kSaneGood);
    EXPECT_EQ(status, 7);
    status = 77;
    const size_t before = bed.bulkTransfers().size();
    for (int read = 1; read < 10; ++read) {
        EXPECT_EQ(ScanRecord(fd, status, buffer, length), kSaneGood) << "read " << read;
        EXPECT_EQ(length, 0u);
    }
    EXPECT_EQ(ScanRecord(fd, status, buffer, length), kSaneIoError);
    EXPECT_EQ(status, 77);
    // Each record read may wait 30 s, as slow scanners need.
    const auto transfers = bed.bulkTransfers();
    ASSERT_EQ(transfers.size(), before + 10);
    for (size_t i = before; i < transfers.size(); ++i) {
        EXPECT_EQ(transfers[i].endpoint, 0x82);
        EXPECT_EQ(transfers[i].length, 200);
        EXPECT_EQ(transfers[i].timeoutMs, 30000u);
    }
}

TEST_F(ScannerProtocolTest, AbortReadsNoResponseResetsTheDeviceAndGivesTheWritesStatus)
{
    startJob({SimulatedScanner::block(9), SimulatedScanner::block(0, pattern(64))});
    const size_t readsBefore = bed.bulkTransfers().size();
    EXPECT_EQ(ScanAbort(fd), kSaneGood);
    const auto transfers = bed.bulkTransfers();
    ASSERT_EQ(transfers.size(), readsBefore + 1);
    EXPECT_EQ(transfers.back().endpoint, 0x02);
    EXPECT_EQ(bed.endpointRequests().back().kind, usb_testing::EndpointRequest::ResetDevice);
    EXPECT_FALSE(scanner->locked());

    scanner->failNextWrite(ETIMEDOUT);
    EXPECT_EQ(ScanAbort(fd), kSaneDeviceBusy);
    scanner->failNextWrite(EIO);
    EXPECT_EQ(ScanAbort(fd), kSaneDeviceBusy);
    bed.unplug(0);
    EXPECT_EQ(ScanAbort(fd), kSaneIoError);
}

}  // namespace
