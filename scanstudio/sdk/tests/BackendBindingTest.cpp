// Loading and binding the backend object, and what a session does with a
// backend it could not bind.

#include "StandinFixture.h"

#include <gtest/gtest.h>

namespace {

struct BindingCase {
    const char *name;
    std::string backendPath;  // relative paths lie in the test's folder
    int initStatus;
    const char *stderrText;
    std::size_t devices;
    bool feeder;
    std::vector<std::string> callLog;
};

void PrintTo(const BindingCase &c, std::ostream *out)
{
    *out << c.name;
}

using Binding = StandinFixture;

class BackendBinding : public StandinFixture, public ::testing::WithParamInterface<BindingCase> {};

// Every operation of a session, in the window's order, ending with its destruction.
TEST_P(BackendBinding, SessionCallsOnlyEntryPointsItBound)
{
    const BindingCase &c = GetParam();
    const std::string path = c.backendPath.front() == '/' ? c.backendPath : folder() + "/" + c.backendPath;
    {
        VuroScanSDK session;
        testing::internal::CaptureStderr();
        EXPECT_EQ(session.InitContext(path), c.initStatus);
        EXPECT_NE(testing::internal::GetCapturedStderr().find(c.stderrText), std::string::npos);

        std::vector<SANE_Device> devices;
        session.GetAllDevice(devices);
        EXPECT_EQ(devices.size(), c.devices);
        const SANE_Device scanner{"taliro:usb:q804", "Taliro", "TX 560MDW", "flatbed scanner"};
        EXPECT_EQ(session.OpenDev(scanner) == SANE_STATUS_GOOD, c.devices > 0);
        EXPECT_EQ(session.IsDevHasADF(), c.feeder);
        session.CloseDev();
        EXPECT_EQ(session.StartScan(StandinFixture::feederRequest(), basePath()), SANE_STATUS_INVAL);
        session.CancelScan();
    }
    EXPECT_EQ(callLog(), c.callLog);
}

INSTANTIATE_TEST_SUITE_P(
    Backends, BackendBinding,
    ::testing::Values(
        BindingCase{"Installed", STANDIN_BACKEND, SANE_STATUS_GOOD, "", 1, true,
                    {"init", "get_devices", "open taliro:usb:q804", "option 1002 get", "close", "exit"}},
        BindingCase{"Missing", "no-backend.so", SANE_STATUS_IO_ERROR, "dlopen err\n", 0, false, {}},
        BindingCase{"WithoutExitEntryPoint", STANDIN_BACKEND_WITHOUT_EXIT, SANE_STATUS_IO_ERROR,
                    "dlsym:", 0, false, {}}),
    [](const ::testing::TestParamInfo<BindingCase> &info) { return info.param.name; });

TEST_F(Binding, MissingEntryPointIsNamed)
{
    VuroScanSDK session;
    testing::internal::CaptureStderr();
    session.InitContext(STANDIN_BACKEND_WITHOUT_EXIT);
    const std::string text = testing::internal::GetCapturedStderr();
    EXPECT_EQ(text.rfind("dlsym:", 0), 0u) << text;
    EXPECT_NE(text.find("sane_vuro_q804_exit"), std::string::npos) << text;
}

TEST_F(Binding, InitStatusOfTheBackendIsReturned)
{
    script({"init_status=10"});
    VuroScanSDK session;
    EXPECT_EQ(session.InitContext(STANDIN_BACKEND), SANE_STATUS_NO_MEM);
}

}  // namespace
