#include "StandinFixture.h"

#include "StandinScriptFile.h"
#include "a4_colour_request.h"
#include "temp_folder.h"

void StandinFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    script({});
}

void StandinFixture::TearDown()
{
    standin::dropScript();
}

void StandinFixture::script(const std::vector<std::string> &lines)
{
    standin::useScript(folder() + "/backend.script", lines, folder() + "/calls.log");
}

std::vector<std::string> StandinFixture::callLog() const
{
    return testsupport::readLines(folder() + "/calls.log");
}

std::vector<std::string> StandinFixture::callLogFrom(const std::string &from) const
{
    std::vector<std::string> lines = callLog();
    auto first = lines.begin();
    while (first != lines.end() && first->rfind(from, 0) != 0)
        ++first;
    return {first, lines.end()};
}

std::string StandinFixture::folder() const
{
    return m_dir.path().toStdString();
}

std::string StandinFixture::basePath() const
{
    return folder() + "/taliroscane";
}

std::unique_ptr<VuroScanSDK> StandinFixture::openSession()
{
    auto session = std::make_unique<VuroScanSDK>();
    EXPECT_EQ(session->InitContext(STANDIN_BACKEND), SANE_STATUS_GOOD);
    std::vector<SANE_Device> devices;
    EXPECT_EQ(session->GetAllDevice(devices), SANE_STATUS_GOOD);
    if (devices.empty()) {
        ADD_FAILURE() << "the stand-in lists no device";
        return session;
    }
    EXPECT_EQ(session->OpenDev(devices.front()), SANE_STATUS_GOOD);
    return session;
}

tagSettingInfo StandinFixture::feederRequest()
{
    return a4ColourRequest(150, true);
}
