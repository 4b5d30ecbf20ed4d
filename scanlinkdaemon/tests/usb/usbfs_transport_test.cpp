// The usbfs transport against devices of the umockdev bed: the requests the
// device sees (lengths, time-outs, endpoints) and what the calls give back.

#include "usb_device_fixture.h"
#include "usbfs_transport.h"

#include <cerrno>
#include <cstring>
#include <deque>
#include <variant>

namespace {

using Bytes = std::vector<uint8_t>;
using usb_testing::BulkProgram;

// A device whose bulk endpoints answer from lists: bytes or a result
// (-errno or a device event) per request; nothing left: a time-out, and all
// written bytes are taken.
class ScriptedEndpoints : public BulkProgram {
public:
    using Answer = std::variant<Bytes, int>;
    ScriptedEndpoints(std::vector<Answer> in, std::vector<int> out = {}) : in_(in.begin(), in.end()), out_(out.begin(), out.end()) {}

    int bulkOut(uint8_t, const uint8_t*, size_t length) override
    {
        if (out_.empty())
            return static_cast<int>(length);
        const int result = out_.front();
        out_.pop_front();
        return result;
    }
    int bulkIn(uint8_t, uint8_t* data, size_t length) override
    {
        if (in_.empty())
            return -ETIMEDOUT;
        const Answer answer = in_.front();
        in_.pop_front();
        if (const int* result = std::get_if<int>(&answer))
            return *result;
        const Bytes& bytes = std::get<Bytes>(answer);
        const size_t count = std::min(length, bytes.size());
        if (count > 0)
            std::memcpy(data, bytes.data(), count);
        return static_cast<int>(count);
    }

private:
    std::deque<Answer> in_;
    std::deque<int> out_;
};

Bytes pattern(size_t size, uint8_t first = 0)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(first + i);
    return bytes;
}

class UsbfsTransportTest : public UsbDeviceFixture {
protected:
    int plugEndpoints(std::vector<ScriptedEndpoints::Answer> in, std::vector<int> out = {})
    {
        return plug(SimulatedScanner::device(kScannerVendor, kScannerProduct, "SN0001"),
                    std::make_shared<ScriptedEndpoints>(std::move(in), std::move(out)));
    }

    // The lengths of the bulk requests on one endpoint of the latest device, each checked for its time-out.
    std::vector<int> requests(uint8_t endpoint, unsigned int timeoutMs)
    {
        std::vector<int> lengths;
        const auto transfers = bed.bulkTransfers();
        const int device = static_cast<int>(opened.size()) - 1;
        for (const usb_testing::BulkRecord& record : transfers) {
            if (record.device != device || record.endpoint != endpoint)
                continue;
            EXPECT_EQ(record.timeoutMs, timeoutMs);
            lengths.push_back(record.length);
        }
        return lengths;
    }
};

TEST_F(UsbfsTransportTest, BulkReadsComeInRequestsOfAtMost512BytesUntilAShortPacket)
{
    const Bytes full = pattern(512);
    struct Case {
        const char* what;
        std::vector<ScriptedEndpoints::Answer> answers;
        int size;
        int result;
        std::vector<int> requests;
    };
    const Case cases[] = {
        {"a short answer ends the read", {pattern(12)}, 200, 12, {200}},
        {"two full packets", {full, full}, 1024, 1024, {512, 512}},
        {"a short packet ends a longer read", {full, pattern(100), full}, 1500, 612, {512, 512}},
        {"a zero-length packet", {Bytes{}}, 200, 0, {200}},
        {"a time-out on a device that answers", {-ETIMEDOUT}, 200, 0, {200}},
        {"a stall on a device that answers", {-EPIPE}, 64, 0, {64}},
        {"a failure after a full chunk keeps its bytes", {full, -ETIMEDOUT}, 1024, 512, {512, 512}},
        {"a device gone at the first chunk", {BulkProgram::kUnplug}, 200, -1, {200}},
        {"a device gone after a full chunk keeps its bytes", {full, BulkProgram::kUnplug}, 1024, 512, {512, 512}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = plugEndpoints(c.answers);
        ASSERT_GT(fd, 0);
        Bytes buffer(static_cast<size_t>(c.size), 0xEE);
        EXPECT_EQ(vuro_bulk_read(fd, buffer.data(), c.size, 30000), c.result);
        EXPECT_EQ(requests(0x82, 30000), c.requests);
        const size_t delivered = std::max(c.result, 0);
        Bytes expected;
        for (const auto& answer : c.answers)
            if (const Bytes* bytes = std::get_if<Bytes>(&answer))
                expected.insert(expected.end(), bytes->begin(), bytes->end());
        expected.resize(std::min(expected.size(), delivered));
        EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + static_cast<long>(delivered)), expected);
    }
}

TEST_F(UsbfsTransportTest, BulkWritesGoOutInChunksAndADeviceThatTakesNothingGivesZero)
{
    struct Case {
        const char* what;
        std::vector<int> answers;
        int size;
        int result;
        std::vector<int> requests;
    };
    const Case cases[] = {
        {"a lock command is one request", {}, 55, 55, {55}},
        {"a long write is cut at 512 bytes", {}, 1100, 1100, {512, 512, 76}},
        {"the device takes nothing", {0}, 8, 0, {8}},
        {"the write times out", {-ETIMEDOUT}, 8, 0, {8}},
        {"the device is gone", {BulkProgram::kUnplug}, 8, -1, {8}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const int fd = plugEndpoints({}, c.answers);
        ASSERT_GT(fd, 0);
        const Bytes data = pattern(static_cast<size_t>(c.size));
        EXPECT_EQ(vuro_bulk_write(fd, data.data(), c.size, 5000), c.result);
        EXPECT_EQ(requests(0x02, 5000), c.requests);
    }
}

TEST_F(UsbfsTransportTest, BulkCallsRefuseDescriptorsNotAboveZeroAndMissingBuffers)
{
    const int fd = plugEndpoints({pattern(8)});
    uint8_t buffer[8];
    EXPECT_EQ(vuro_bulk_read(0, buffer, 8, 100), -1);
    EXPECT_EQ(vuro_bulk_write(-3, buffer, 8, 100), -1);
    EXPECT_EQ(vuro_bulk_read(fd, nullptr, 8, 100), -1);
    EXPECT_TRUE(bed.bulkTransfers().empty());
}

TEST_F(UsbfsTransportTest, StringsComeAsAsciiFromTheDevicesFirstLanguage)
{
    usb_testing::FakeDevice script = SimulatedScanner::device(kScannerVendor, kScannerProduct, "SN0001");
    script.product.clear();
    const int fd = plug(script);
    ASSERT_GT(fd, 0);
    char text[64];
    EXPECT_EQ(vuro_get_string_simple(fd, 1, text, sizeof text), 6);
    EXPECT_STREQ(text, "Taliro");
    EXPECT_EQ(vuro_get_string_simple(fd, 3, text, sizeof text), 6);
    EXPECT_STREQ(text, "SN0001");
    char small[4];
    EXPECT_EQ(vuro_get_string_simple(fd, 1, small, sizeof small), 3);
    EXPECT_STREQ(small, "Tal");
    // No product string: the device stalls the request.
    EXPECT_LT(vuro_get_string_simple(fd, 2, text, sizeof text), 0);
    EXPECT_NE(errorLog().find("[TaliroScanSDK] USB error: error sending control message\n"), std::string::npos);
}

TEST(StringDescriptor, ConversionStaysInsideTheDescriptorAndItsBuffer)
{
    struct Case {
        const char* what;
        Bytes descriptor;
        size_t bufferSize;
        int result;
        std::string text;
    };
    Bytes full = {255, 3};
    for (int i = 0; i < 253; ++i)
        full.push_back(i % 2 == 0 ? 'x' : 0);
    const Case cases[] = {
        {"a character beyond ASCII", {8, 3, 'A', 0, 0x2D, 0x4E, 'B', 0}, 16, 3, "A?B"},
        {"an odd length leaves its last byte out", {5, 3, 'A', 0, 'B'}, 16, 1, "A"},
        {"the longest descriptor", full, 255, 126, std::string(126, 'x')},
        {"cut to the buffer", {8, 3, 'A', 0, 'B', 0, 'C', 0}, 3, 2, "AB"},
        {"fewer bytes than announced", {10, 3, 'A', 0}, 16, kShortStringDescriptor, ""},
        {"not a string descriptor", {4, 2, 'A', 0}, 16, kMalformedStringDescriptor, ""},
        {"one byte", {4}, 16, kMalformedStringDescriptor, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // Exactly the received bytes, so a read past them is caught.
        const std::unique_ptr<uint8_t[]> received(new uint8_t[c.descriptor.size()]);
        std::memcpy(received.get(), c.descriptor.data(), c.descriptor.size());
        std::vector<char> text(c.bufferSize, '#');
        EXPECT_EQ(asciiFromStringDescriptor(received.get(), static_cast<int>(c.descriptor.size()), text.data(),
                                            text.size()),
                  c.result);
        if (c.result >= 0) {
            EXPECT_EQ(std::string(text.data()), c.text);
        }
    }
}

TEST_F(UsbfsTransportTest, ControlTransfersCarryTheirSetupAndFailuresAreNegative)
{
    usb_testing::FakeDevice script = SimulatedScanner::device(kScannerVendor, kScannerProduct, "SN0001");
    script.controlAnswers[{0xC0, 0x21}] = usb_testing::FakeAnswer{0, {1, 2, 3}};
    const int fd = plug(script);
    ASSERT_GT(fd, 0);
    uint8_t answer[16] = {};
    EXPECT_EQ(vuro_control_msg(fd, 0xC0, 0x21, 0x0102, 0x0304, answer, sizeof answer, 700), 3);
    EXPECT_EQ(Bytes(answer, answer + 3), (Bytes{1, 2, 3}));
    EXPECT_EQ(vuro_control_msg(fd, 0xC0, 0x22, 0, 0, answer, sizeof answer, 700), -1);
    const auto controls = bed.controlRequests();
    ASSERT_EQ(controls.size(), 2u);
    EXPECT_EQ(controls[0].requestType, 0xC0);
    EXPECT_EQ(controls[0].request, 0x21);
    EXPECT_EQ(controls[0].value, 0x0102);
    EXPECT_EQ(controls[0].index, 0x0304);
    EXPECT_EQ(controls[0].length, 16);
    EXPECT_EQ(controls[0].timeoutMs, 700u);
}

TEST_F(UsbfsTransportTest, ClearHaltFreesAHaltedEndpointAndUnknownEndpointsGiveIoError)
{
    const Bytes answer = pattern(8);
    const int fd = plugEndpoints({answer, answer});
    ASSERT_GT(fd, 0);
    bed.haltEndpoint(0, 0x82);
    uint8_t buffer[8];
    EXPECT_EQ(vuro_bulk_read(fd, buffer, 8, 1000), 0);
    EXPECT_EQ(vuro_clear_halt(fd, 0x82), 0);
    EXPECT_EQ(vuro_bulk_read(fd, buffer, 8, 1000), 8);
    EXPECT_EQ(vuro_clear_halt(fd, 0x05), 9);
    EXPECT_EQ(vuro_resetep(fd, 0x02), 0);
    EXPECT_EQ(vuro_resetep(fd, 0x07), 9);
    EXPECT_EQ(vuro_reset_device(fd), 0);

    using usb_testing::EndpointRequest;
    std::vector<std::tuple<int, int, int>> seen;
    for (const EndpointRequest& request : bed.endpointRequests())
        seen.emplace_back(request.kind, request.endpoint, request.result);
    const std::vector<std::tuple<int, int, int>> expected = {
        {EndpointRequest::ClearHalt, 0x82, 0},      {EndpointRequest::ClearHalt, 0x05, -ENOENT},
        {EndpointRequest::ResetEndpoint, 0x02, 0},  {EndpointRequest::ResetEndpoint, 0x07, -ENOENT},
        {EndpointRequest::ResetDevice, 0, 0},
    };
    EXPECT_EQ(seen, expected);
    // The endpoint requests log no entry line; clear halt logs its result without a line break.
    const std::string log = infoLog();
    EXPECT_EQ(log.find("** vuro_clear_halt"), std::string::npos);
    EXPECT_NE(log.find("[TaliroScanSDK] vuro_clear_halt ret:0[TaliroScanSDK]"), std::string::npos);
    EXPECT_NE(log.find("[TaliroScanSDK] vuro_clear_halt ret:-1"), std::string::npos);
}

TEST_F(UsbfsTransportTest, EveryTransportCallLogsItsEntry)
{
    const int fd = plugEndpoints({BulkProgram::kUnplug});
    uint8_t buffer[8];
    EXPECT_EQ(vuro_bulk_read(fd, buffer, 8, 1000), -1);
    EXPECT_EQ(infoLog(), "[TaliroScanSDK] ** vuro_bulk_read\n"
                         "[TaliroScanSDK] ** usb_bulk\n"
                         "[TaliroScanSDK] ** vuro_get_string\n"
                         "[TaliroScanSDK] ** vuro_control_msg\n");
    EXPECT_EQ(errorLog(), "[TaliroScanSDK] USB error: error sending control message\n"
                          "[TaliroScanSDK] ** vuro_get_string ret:-1\n");
}

}  // namespace
