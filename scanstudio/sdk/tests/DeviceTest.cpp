// Listing, opening and closing devices.

#include "StandinFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using DeviceList = StandinFixture;

std::string describe(const SANE_Device &device)
{
    auto text = [](const char *s) { return s ? std::string(s) : std::string("(null)"); };
    return text(device.name) + "|" + text(device.vendor) + "|" + text(device.model) + "|" + text(device.type);
}

TEST_F(DeviceList, AppendsAfterTheEntriesAlreadyThere)
{
    script({"devices=2"});
    VuroScanSDK session;
    ASSERT_EQ(session.InitContext(STANDIN_BACKEND), SANE_STATUS_GOOD);
    std::vector<SANE_Device> devices{{"earlier", "v", "m", "t"}};
    ASSERT_EQ(session.GetAllDevice(devices), SANE_STATUS_GOOD);
    ASSERT_EQ(devices.size(), 3u);
    EXPECT_EQ(describe(devices[0]), "earlier|v|m|t");
    EXPECT_EQ(describe(devices[1]), "taliro:usb:q804|Taliro|TX 560MDW|flatbed scanner");
    EXPECT_EQ(describe(devices[2]), "taliro:usb:q804:1|Taliro|TX 560MDW|flatbed scanner");
}

// The backend frees and spoils its records at every query.
TEST_F(DeviceList, RecordsStayValidAfterTheBackendsNextQuery)
{
    VuroScanSDK session;
    ASSERT_EQ(session.InitContext(STANDIN_BACKEND), SANE_STATUS_GOOD);
    std::vector<SANE_Device> first;
    ASSERT_EQ(session.GetAllDevice(first), SANE_STATUS_GOOD);
    for (int query = 0; query < 3; ++query) {
        std::vector<SANE_Device> later;
        ASSERT_EQ(session.GetAllDevice(later), SANE_STATUS_GOOD);
    }
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(describe(first[0]), "taliro:usb:q804|Taliro|TX 560MDW|flatbed scanner");
    EXPECT_EQ(session.OpenDev(first[0]), SANE_STATUS_GOOD);
}

TEST_F(DeviceList, FailedQueryIsReturnedAndAppendsNothing)
{
    script({"get_devices_status=3"});
    VuroScanSDK session;
    ASSERT_EQ(session.InitContext(STANDIN_BACKEND), SANE_STATUS_GOOD);
    std::vector<SANE_Device> devices;
    EXPECT_EQ(session.GetAllDevice(devices), SANE_STATUS_DEVICE_BUSY);
    EXPECT_TRUE(devices.empty());
}

struct OpenCase {
    const char *name;
    std::vector<std::string> script;
    const char *deviceName;
    int status;
    bool feeder;  // the answer of the feeder test afterwards
};

void PrintTo(const OpenCase &c, std::ostream *out)
{
    *out << c.name;
}

class OpenDevice : public StandinFixture, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenDevice, ReturnsTheBackendsStatusAndAnswersTheFeederTest)
{
    const OpenCase &c = GetParam();
    script(c.script);
    VuroScanSDK session;
    ASSERT_EQ(session.InitContext(STANDIN_BACKEND), SANE_STATUS_GOOD);
    EXPECT_EQ(session.OpenDev({c.deviceName, "Taliro", "TX 560MDW", "flatbed scanner"}), c.status);
    EXPECT_EQ(session.IsDevHasADF(), c.feeder);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, OpenDevice,
    ::testing::Values(OpenCase{"WithFeeder", {}, "taliro:usb:q804", SANE_STATUS_GOOD, true},
                      OpenCase{"WithoutFeeder", {"feeder=0"}, "taliro:usb:q804", SANE_STATUS_GOOD, false},
                      OpenCase{"UnknownName", {}, "taliro:usb:other", SANE_STATUS_INVAL, false},
                      OpenCase{"Refused", {"open_status=11"}, "taliro:usb:q804", SANE_STATUS_ACCESS_DENIED, false}),
    [](const ::testing::TestParamInfo<OpenCase> &info) { return info.param.name; });

TEST_F(DeviceList, RecordWithoutNameIsRefusedAndTheOpenDeviceStays)
{
    auto session = openSession();
    testing::internal::CaptureStdout();
    EXPECT_EQ(session->OpenDev({nullptr, "Taliro", "TX 560MDW", "flatbed scanner"}), SANE_STATUS_INVAL);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("[ScanSDK] devname inval\n"), std::string::npos);
    EXPECT_TRUE(session->IsDevHasADF());
    EXPECT_EQ(callLogFrom("open"), (std::vector<std::string>{"open taliro:usb:q804", "option 1002 get"}));
}

TEST_F(DeviceList, ClosedDeviceIsNotUsedAgain)
{
    auto session = openSession();
    session->CloseDev();
    session->CloseDev();
    session->CancelScan();
    EXPECT_FALSE(session->IsDevHasADF());
    EXPECT_EQ(session->StartScan(feederRequest(), basePath()), SANE_STATUS_INVAL);
    EXPECT_EQ(callLogFrom("open"), (std::vector<std::string>{"open taliro:usb:q804", "close"}));
}

}  // namespace
