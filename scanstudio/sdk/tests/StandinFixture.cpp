#include "StandinFixture.h"

#include <cstdlib>
#include <fstream>

void StandinFixture::SetUp()
{
    ASSERT_TRUE(m_dir.isValid());
    script({});
}

void StandinFixture::TearDown()
{
    unsetenv("TALIRO_STANDIN_BACKEND_SCRIPT");
}

void StandinFixture::script(const std::vector<std::string> &lines)
{
    const std::string path = folder() + "/backend.script";
    std::ofstream out(path, std::ios::trunc);
    out << "calllog=" << folder() << "/calls.log\n";
    for (const std::string &line : lines)
        out << line << '\n';
    setenv("TALIRO_STANDIN_BACKEND_SCRIPT", path.c_str(), 1);
}

std::vector<std::string> StandinFixture::callLog() const
{
    std::vector<std::string> lines;
    std::ifstream in(folder() + "/calls.log");
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
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
    tagSettingInfo info;
    info.xStart = 0;
    info.yStart = 0;
    info.xEnd = 210;
    info.yEnd = 297;
    info.resolution = 150;
    info.colorMode = 2;
    info.feederEnabled = 1;
    info.option5Value = 3;
    info.option6Value = 3;
    return info;
}
