// The window's road: the scan session on the stand-in backend announces each
// page file with the size the backend reports, and the page list imports it.

#include "StandinScriptFile.h"
#include "VuroScanSDK.h"
#include "a4_colour_request.h"
#include "libimageprocess.h"
#include "page_fixture.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>

#include <memory>
#include <string>
#include <vector>

namespace {

class ScanImportTest : public PageFixture {
protected:
    void TearDown() override { standin::dropScript(); }

    // Scans one feeder page of 40 x 30 pixels with what the backend reports
    // from `script`; the page files announced.
    std::vector<QString> scan(const std::vector<std::string> &script)
    {
        std::vector<std::string> lines{"feeder_pages=1", "width=40", "height=30"};
        lines.insert(lines.end(), script.begin(), script.end());
        standin::useScript(m_root.file("backend.script"), lines);

        std::vector<QString> files;
        VuroScanSDK session;
        std::vector<SANE_Device> devices;
        EXPECT_EQ(session.InitContext(STANDIN_BACKEND), SANE_STATUS_GOOD);
        session.GetAllDevice(devices);
        if (devices.empty() || session.OpenDev(devices.front()) != SANE_STATUS_GOOD) {
            ADD_FAILURE() << "no stand-in device";
            return files;
        }
        QEventLoop loop;
        QObject::connect(&session, &VuroScanSDK::sigPageCompleteBack, &loop,
                         [&](const QString &file, int width, int height) {
                             files.push_back(file);
                             list.appendRGBDataImage(file.toStdString(), width, height);
                         });
        QObject::connect(&session, &VuroScanSDK::sigJobCompleteBack, &loop, &QEventLoop::quit);
        QDir().mkpath(workFolder());
        EXPECT_EQ(session.StartScan(a4ColourRequest(75, true), workFolder().toStdString() + "taliroscane"), SANE_STATUS_GOOD);
        session.start();
        loop.exec();
        session.wait();
        session.CancelScan();
        session.CloseDev();
        return files;
    }

    vuro::Libimageprocess list{root()};
};

TEST_F(ScanImportTest, PageOfTheReportedSizeIsImported)
{
    const std::vector<QString> files = scan({});
    ASSERT_EQ(files.size(), 1u);
    ASSERT_EQ(list.getImageCount(), 1);
    EXPECT_EQ(list.getImageSize(0), QSize(40, 30));
    EXPECT_FALSE(QFile::exists(files.front()));
}

TEST_F(ScanImportTest, ImpossibleReportedSizesImportNothing)
{
    for (const auto &size : std::vector<std::vector<std::string>>{{"report_width=0"},
                                                                   {"report_height=-30"},
                                                                   {"report_width=-40", "report_height=-30"},
                                                                   {"report_width=2000000000"},
                                                                   {"report_height=40000"}}) {
        const std::vector<QString> files = scan(size);
        ASSERT_EQ(files.size(), 1u) << size.front();
        EXPECT_EQ(list.getImageCount(), 0) << size.front();
        EXPECT_FALSE(QFile::exists(files.front())) << size.front();
    }
}

TEST_F(ScanImportTest, ShortPageIsCompletedWithWhitePaper)
{
    // The backend claims 60 rows and delivers 30.
    ASSERT_EQ(scan({"report_height=60"}).size(), 1u);
    ASSERT_EQ(list.getImageCount(), 1);
    std::unique_ptr<QImage> page(list.getSaveImage(0, color_full));
    ASSERT_TRUE(page);
    ASSERT_EQ(page->size(), QSize(40, 60));
    EXPECT_GT(meanGray(*page, QRect(0, 50, 40, 10)), 245);
}

} // namespace
