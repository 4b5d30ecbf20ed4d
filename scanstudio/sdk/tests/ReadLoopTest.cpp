// One job through the read loop: page files, their announcement, progress and
// how a job ends.

#include "ScanJobRecorder.h"
#include "StandinFixture.h"
#include "SyntheticPage.h"
#include "temp_folder.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/resource.h>
#include <unistd.h>

namespace {

using Events = std::vector<std::string>;

class ReadLoop : public StandinFixture {
protected:
    // Starts a job and waits for its thread to end.
    void runJob(VuroScanSDK &session, const tagSettingInfo &info, const std::string &base)
    {
        ASSERT_EQ(session.StartScan(info, base), SANE_STATUS_GOOD);
        session.start();
        ASSERT_TRUE(session.wait(30000));
    }
};

// Pages of 576000 bytes: two reads each (512 KiB, then the rest).
TEST_F(ReadLoop, FeederJobWritesEachPageCompleteBeforeAnnouncingIt)
{
    script({"width=320", "height=600"});
    auto session = openSession();
    ScanJobRecorder recorder(*session);
    runJob(*session, feederRequest(), basePath());

    EXPECT_EQ(recorder.events(), (Events{"progress 0",
                                         "progress 91", "progress 100", "page taliroscane_0.rgb 320x600 size 576000",
                                         "progress 91", "progress 100", "page taliroscane_1.rgb 320x600 size 576000",
                                         "progress 91", "progress 100", "page taliroscane_2.rgb 320x600 size 576000",
                                         "job"}));
    ASSERT_EQ(recorder.pageFiles().size(), 3u);
    for (int page = 0; page < 3; ++page) {
        const std::string path = recorder.pageFiles()[static_cast<std::size_t>(page)];
        EXPECT_EQ(path, basePath() + "_" + std::to_string(page) + ".rgb");
        const standin::SyntheticPage expected(page, 320, 600);
        std::vector<std::uint8_t> pixels(expected.byteCount());
        expected.copyBytes(0, pixels.size(), pixels.data());
        EXPECT_TRUE(testsupport::readText(path) == std::string(pixels.begin(), pixels.end()))
            << "page " << page << " differs from the scanned pixels";
    }
}

struct SourceCase {
    const char *name;
    const char *feeder;
    std::uint8_t feederEnabled;
    std::size_t pages;
};

void PrintTo(const SourceCase &c, std::ostream *out)
{
    *out << c.name;
}

class JobSource : public ReadLoop, public ::testing::WithParamInterface<SourceCase> {};

TEST_P(JobSource, GivesThePagesOfTheChosenSource)
{
    const SourceCase &c = GetParam();
    script({"width=16", "height=8", c.feeder});
    auto session = openSession();
    ScanJobRecorder recorder(*session);
    tagSettingInfo info = feederRequest();
    info.feederEnabled = c.feederEnabled;
    runJob(*session, info, basePath());
    EXPECT_EQ(recorder.pageFiles().size(), c.pages);
    EXPECT_EQ(recorder.events().back(), "job");
}

INSTANTIATE_TEST_SUITE_P(Sources, JobSource,
                         ::testing::Values(SourceCase{"Flatbed", "feeder=1", 0, 1},
                                           SourceCase{"Feeder", "feeder=1", 1, 3},
                                           SourceCase{"AutoWithFeeder", "feeder=1", 2, 3},
                                           SourceCase{"AutoWithoutFeeder", "feeder=0", 2, 1}),
                         [](const ::testing::TestParamInfo<SourceCase> &info) { return info.param.name; });

// Where the job's pages go.
enum class Base {
    InFolder,
    InMissingFolder,
    FileSizeLimited,        // files may not grow beyond 100 bytes
    LinkPlantedAtFirstPage, // "<base>_0.rgb" is a link to another file
    NameFillsBuffer,        // "<base>_0.rgb" is 1023 characters
    NameBeyondBuffer,       // "<base>_0.rgb" is 1025 characters
};

struct EndingCase {
    const char *name;
    std::vector<std::string> script;
    Base base;
    Events events;
};

void PrintTo(const EndingCase &c, std::ostream *out)
{
    *out << c.name;
}

class JobEnding : public ReadLoop, public ::testing::WithParamInterface<EndingCase> {
protected:
    void TearDown() override
    {
        if (m_sizeLimited) {
            setrlimit(RLIMIT_FSIZE, &m_oldSizeLimit);
            std::signal(SIGXFSZ, SIG_DFL);
        }
        ReadLoop::TearDown();
    }

    // Writes past the limit fail with EFBIG instead of raising SIGXFSZ.
    void limitFileSize()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &m_oldSizeLimit), 0);
        rlimit small = m_oldSizeLimit;
        small.rlim_cur = 100;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        m_sizeLimited = true;
    }

    std::string victim() const { return folder() + "/victim"; }

    // A folder path of `length` characters made of existing folders.
    std::string deepFolder(std::size_t length)
    {
        std::string path = folder();
        while (path.size() + 202 < length)
            path += "/" + std::string(200, 'd');
        path += "/" + std::string(length - path.size() - 1, 'e');
        EXPECT_TRUE(QDir().mkpath(QString::fromStdString(path)));
        return path;
    }

    std::string prepareBase(Base base)
    {
        const std::string name = "/taliroscane";  // + "_0.rgb" makes 18 characters
        switch (base) {
        case Base::InFolder:
            return basePath();
        case Base::InMissingFolder:
            return folder() + "/missing/taliroscane";
        case Base::FileSizeLimited:
            limitFileSize();
            return basePath();
        case Base::LinkPlantedAtFirstPage:
            std::ofstream(victim()) << "untouched";
            EXPECT_EQ(symlink(victim().c_str(), (basePath() + "_0.rgb").c_str()), 0);
            return basePath();
        case Base::NameFillsBuffer:
            return deepFolder(1023 - 18) + name;
        case Base::NameBeyondBuffer:
            return deepFolder(1025 - 18) + name;
        }
        return {};
    }

private:
    bool m_sizeLimited = false;
    rlimit m_oldSizeLimit{};
};

TEST_P(JobEnding, EndsWithItsStatusAndOneJobSignal)
{
    const EndingCase &c = GetParam();
    std::vector<std::string> lines{"width=16", "height=8"};
    lines.insert(lines.end(), c.script.begin(), c.script.end());
    script(lines);
    auto session = openSession();
    ScanJobRecorder recorder(*session);
    const std::string base = prepareBase(c.base);
    runJob(*session, feederRequest(), base);
    EXPECT_EQ(recorder.events(), c.events);
    if (c.base == Base::NameBeyondBuffer) {
        const QDir pageFolder(QString::fromStdString(base.substr(0, base.rfind('/'))));
        EXPECT_TRUE(pageFolder.entryList(QDir::Files).isEmpty()) << "a page file was written under a cut name";
    }
    if (c.base == Base::LinkPlantedAtFirstPage) {
        std::string text;
        std::getline(std::ifstream(victim()), text);
        EXPECT_EQ(text, "untouched") << "the page was written through the planted link";
    }
}

const char *const kPage0 = "page taliroscane_0.rgb 16x8 size 384";
const char *const kPage1 = "page taliroscane_1.rgb 16x8 size 384";

INSTANTIATE_TEST_SUITE_P(
    Endings, JobEnding,
    ::testing::Values(
        EndingCase{"EndOfFileBeforeAnyPage", {"feeder_pages=0"}, Base::InFolder,
                   {"progress 0", "page <no name> 16x8", "job"}},
        EndingCase{"ParametersRefused", {"params_status=9"}, Base::InFolder, {"error 9", "job"}},
        EndingCase{"ReadFailsOnTheSecondPage", {"read_status=6", "read_status_at=3"}, Base::InFolder,
                   {"progress 0", "progress 100", kPage0, "progress 100", "error 6", "job"}},
        EndingCase{"PageStateRefused", {"fail_option=1001", "fail_status=9"}, Base::InFolder,
                   {"progress 0", "error 9", "job"}},
        EndingCase{"ReadThrows", {"read_throw_at=2"}, Base::InFolder, {"progress 0", "progress 100", "error 2", "job"}},
        EndingCase{"ReadReportsMoreThanAsked", {"read_overlong_at=2"}, Base::InFolder,
                   {"progress 0", "progress 100", "error 9", "job"}},
        EndingCase{"PageFileCannotBeCreated", {}, Base::InMissingFolder, {"progress 0", "error 11", "job"}},
        EndingCase{"PageNameBeyondItsBuffer", {}, Base::NameBeyondBuffer, {"progress 0", "error 11", "job"}},
        EndingCase{"PageNameFillsItsBuffer", {"feeder_pages=1"}, Base::NameFillsBuffer,
                   {"progress 0", "progress 100", kPage0, "job"}},
        EndingCase{"PageWriteFails", {}, Base::FileSizeLimited, {"progress 0", "error 9", "job"}},
        EndingCase{"LinkAtThePageNameIsReplaced", {"feeder_pages=1"}, Base::LinkPlantedAtFirstPage,
                   {"progress 0", "progress 100", kPage0, "job"}},
        EndingCase{"DataBeforeTheFirstPageIsDropped", {"lead_bytes=1000", "feeder_pages=2"}, Base::InFolder,
                   {"progress 0", "progress 100", kPage0, "progress 100", kPage1, "job"}},
        EndingCase{"ZeroPixelsReported", {"report_width=0", "feeder_pages=1"}, Base::InFolder,
                   {"progress 0", "progress 100", "page taliroscane_0.rgb 0x8 size 384", "job"}},
        EndingCase{"UnknownLinesReported", {"report_height=-1", "feeder_pages=1"}, Base::InFolder,
                   {"progress 0", "progress 100", "page taliroscane_0.rgb 16x-1 size 384", "job"}}),
    [](const ::testing::TestParamInfo<EndingCase> &info) { return info.param.name; });

// The lock is taken per read, so a cancel gets in between two reads.
TEST_F(ReadLoop, CancelEndsTheJobAsCancelled)
{
    script({"width=320", "height=600"});
    auto session = openSession();
    ScanJobRecorder recorder(*session);
    VuroScanSDK *running = session.get();
    QObject::connect(
        running, &VuroScanSDK::sigPageProgressBack, running,
        [running](int progress) {
            if (progress > 0)
                running->CancelScan();
        },
        Qt::DirectConnection);
    runJob(*session, feederRequest(), basePath());
    EXPECT_EQ(recorder.events(), (Events{"progress 0", "progress 91", "error 2", "job"}));
}

}  // namespace
