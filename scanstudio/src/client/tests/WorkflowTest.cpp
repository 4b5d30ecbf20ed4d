// The scan workflow against the stand-in backend: the errors it reports and
// records, the pages of a feeder job and the cover that counts them, the
// question whether to go on scanning, a close during a job, and the device
// refresh beside scans (a change during a job, a scanner that goes, no
// scanner left, refreshes racing scan starts).

#include "WindowFixture.h"

#include "ModalAnswer.h"
#include "ui_mainwindow.h"

#include "VuroScanSDK.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace {

// The progress bar's format after every page the window has imported.
class PageFormats {
public:
    explicit PageFormats(MainWindow &window)
    {
        const auto record = [this, &window] { m_formats << window.ui->pgb_scanProgress->format(); };
        // The job's first format, set when it started.
        m_started = QObject::connect(window.pScanSDK, &QThread::started, &window, record);
        // Connected after the window: runs once the window has taken the page.
        m_page = QObject::connect(window.pScanSDK, &VuroScanSDK::sigPageCompleteBack, &window, record);
    }
    ~PageFormats()
    {
        QObject::disconnect(m_started);
        QObject::disconnect(m_page);
    }
    QStringList formats() const { return m_formats; }

private:
    QStringList m_formats;
    QMetaObject::Connection m_started;
    QMetaObject::Connection m_page;
};

class Workflow : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        script({"width=40", "height=60"});
    }

    // A ready window running a feeder job of 50 slow pages.
    std::unique_ptr<MainWindow> startLongFeederJob()
    {
        script({"width=40", "height=60", "feeder_pages=50", "read_delay_ms=20"});
        auto window = makeReadyWindow();
        window->ui->cbx_scanSource->setCurrentIndex(1);
        window->ui->pb_scan->click();
        return window;
    }

    // A refresh as the poll runs it after the printer list has changed.
    void refreshNow(MainWindow &window)
    {
        touchPrinterList(++m_printerListTime);
        std::thread poll([&window] { window.checkPrinterList(); });
        poll.join();
    }

    // Seconds apart from the time the ready window's file got.
    std::time_t m_printerListTime = std::time(nullptr) + 1000;
};

TEST_F(Workflow, EachStatusGivesItsMessageAndOneLogLineAtOnce)
{
    struct Case {
        int status;
        QString message;
    };
    const Case cases[] = {
        {2, "Operation was cancelled"}, {3, "Device busy"},
        {6, "Document feeder jammed"},  {7, "feeder is out"},
        {9, "sane_start err:Error during device I/O"},
        {4, "unknown error:4"},         {11, "unknown error:11"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.status);
        script({"start_status=" + std::to_string(c.status)});
        testsupport::writeText(path("scan/scanAppLog.log"), "");
        auto window = makeReadyWindow();
        ModalAnswer answer(QMessageBox::Ok);
        window->ui->pb_scan->click();
        EXPECT_EQ(answer.count(), 1);
        EXPECT_EQ(answer.title(), QStringLiteral("ERROR"));
        EXPECT_EQ(answer.text(), c.message);

        const std::string log = logText();
        EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
        EXPECT_NE(log.find("\"fileName\":\"\",\"scanResult\":\"" + c.message.toStdString() + "\""), std::string::npos)
            << log;
        EXPECT_TRUE(window->ui->cover_widget->isHidden());
        EXPECT_TRUE(window->ui->cbx_scanners->isEnabled());
        EXPECT_EQ(window->busyState, MainWindow::Idle);
        window.reset();
        // The scan's pending record was replaced: nothing more at exit.
        EXPECT_EQ(logText(), log);
    }
}

TEST_F(Workflow, FeederPagesAreCountedOnTheCover)
{
    auto window = makeReadyWindow();
    {
        SCOPED_TRACE("flatbed");
        PageFormats pages(*window);
        ASSERT_TRUE(scanAndWait(*window));
        EXPECT_EQ(pages.formats(), (QStringList{"page 1:%p%", "page 1:%p%"}));
        window->ui->btn_widget_imageprocess_cancel->click();
    }

    window->ui->cbx_scanSource->setCurrentIndex(1);
    PageFormats pages(*window);
    ASSERT_TRUE(scanAndWait(*window));
    EXPECT_EQ(pages.formats(), (QStringList{"page 1:%p%", "page 2:%p%", "page 3:%p%", "page 4:%p%"}));
    ASSERT_EQ(window->imageprocess.getImageCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(window->imageprocess.getImageSize(i), QSize(40, 60)) << i;
    // JPG: straight to the result page.
    EXPECT_FALSE(window->ui->widget_imageProcess->isHidden());
    EXPECT_TRUE(window->ui->cover_widget->isHidden());
    EXPECT_EQ(window->scanPageNo, 1);
}

TEST_F(Workflow, MultiPageFormatAsksToGoOnAndContinuedPagesAreAdded)
{
    auto window = makeReadyWindow();
    Ui::MainWindow &ui = *window->ui;
    ui.cbx_scanSource->setCurrentIndex(1);
    ui.cbx_saveType->setCurrentIndex(4);  // PDF
    ASSERT_TRUE(scanAndWait(*window));

    EXPECT_FALSE(ui.cover_widget->isHidden());
    EXPECT_TRUE(window->keepScanShown);
    EXPECT_EQ(ui.cover_text_center->text(), QStringLiteral("Scan finished,is continue scan?"));
    EXPECT_EQ(ui.cover_text_bottom->text(), QStringLiteral("Has been scaned 3 pages"));
    EXPECT_EQ(ui.pb_coverLeft->text(), QStringLiteral("continue scan"));
    EXPECT_EQ(ui.pb_coverRight_1->text(), QStringLiteral("save"));
    EXPECT_EQ(ui.pb_coverRight_2->text(), QStringLiteral("finish"));
    EXPECT_FALSE(ui.pb_coverLeft->isHidden());
    EXPECT_TRUE(ui.pgb_scanProgress->isHidden());
    // The question is answered first: no close meanwhile.
    EXPECT_FALSE(window->close());

    PageFormats pages(*window);
    QSignalSpy ended(window.get(), &MainWindow::scanFinished);
    ui.pb_coverLeft->click();
    ASSERT_TRUE(ended.wait(20000));
    EXPECT_EQ(pages.formats(), (QStringList{"page 4:%p%", "page 5:%p%", "page 6:%p%", "page 7:%p%"}));
    EXPECT_EQ(window->imageprocess.getImageCount(), 6);
    EXPECT_EQ(ui.cover_text_bottom->text(), QStringLiteral("Has been scaned 6 pages"));

    ui.pb_coverRight_2->click();
    EXPECT_TRUE(ui.cover_widget->isHidden());
    EXPECT_FALSE(ui.widget_imageProcess->isHidden());
    EXPECT_EQ(window->scanPageNo, 1);
}

TEST_F(Workflow, CloseDuringAJobIsRefusedCancelsItAndClosesAfterIt)
{
    auto window = startLongFeederJob();
    ModalAnswers answers({QMessageBox::Ok});
    QSignalSpy ended(window.get(), &MainWindow::scanFinished);
    ASSERT_TRUE(QTest::qWaitFor([&] { return countCalls("read") >= 2; }, 10000));

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_GE(countCalls("cancel"), 1);
    ASSERT_TRUE(ended.wait(20000));
    // The backend ended the job as cancelled; then the window closed itself
    // (taking the message with it when it was still up).
    EXPECT_LE(answers.count(), 1);
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(window->pScanSDK->isFinished());
}

TEST_F(Workflow, AChangeDuringAJobRefreshesOnlyAfterIt)
{
    auto window = startLongFeederJob();
    ModalAnswers answers({QMessageBox::Ok});
    QSignalSpy ended(window.get(), &MainWindow::scanFinished);
    ASSERT_TRUE(QTest::qWaitFor([&] { return countCalls("read") >= 2; }, 10000));

    const int queriesBefore = countCalls("get_devices");
    refreshNow(*window);
    EXPECT_EQ(countCalls("get_devices"), queriesBefore);
    window->ui->pb_coverRight_2->click();  // cancel
    ASSERT_TRUE(ended.wait(20000));
    ASSERT_TRUE(waitForJobEnd(*window));

    // The poll after the job sees the change it could not take during it.
    std::thread poll([&] { window->checkPrinterList(); });
    poll.join();
    EXPECT_EQ(countCalls("get_devices"), queriesBefore + 1);
    ASSERT_TRUE(waitForRefresh(*window));
}

TEST_F(Workflow, ScannerListChangesBesideTheLastScan)
{
    script({"width=40", "height=60", "devices=2"});
    auto window = makeReadyWindow();
    Ui::MainWindow &ui = *window->ui;
    ui.cbx_scanners->setCurrentIndex(1);
    ASSERT_TRUE(scanAndWait(*window));
    ASSERT_EQ(window->scanningScannerName, QStringLiteral("taliro:usb:q804:1"));

    {
        SCOPED_TRACE("a scanner added: the last one stays chosen, without a word");
        ModalAnswers answers({QMessageBox::Ok});
        script({"width=40", "height=60", "devices=3"});
        refreshNow(*window);
        ASSERT_TRUE(waitForRefresh(*window));
        EXPECT_EQ(ui.cbx_scanners->count(), 3);
        EXPECT_EQ(ui.cbx_scanners->currentIndex(), 1);
        EXPECT_EQ(ui.cbx_scanners->itemData(2, Qt::ToolTipRole).toString(), QStringLiteral("taliro:usb:q804:2"));
        EXPECT_EQ(answers.count(), 0);
    }
    {
        SCOPED_TRACE("the last scan's scanner gone: the warning, the pages stay");
        ModalAnswers answers({QMessageBox::Ok});
        script({"width=40", "height=60", "devices=1"});
        refreshNow(*window);
        ASSERT_TRUE(waitForRefresh(*window));
        EXPECT_EQ(answers.titles(), QStringList{"warning"});
        EXPECT_EQ(answers.texts(), QStringList{"scanner list was changed could not find a scanner with name："
                                               "taliro:usb:q804:1,please do it again."});
        EXPECT_EQ(window->imageprocess.getImageCount(), 1);
        EXPECT_FALSE(ui.widget_imageProcess->isHidden());
        EXPECT_TRUE(window->scanningScannerName.isEmpty());
        EXPECT_EQ(ui.cbx_scanners->count(), 1);
    }
}

TEST_F(Workflow, NoScannerLeftOffersToKeepThePagesThenEnds)
{
    auto window = makeReadyWindow();
    addPages(*window, 2);
    script({"devices=0"});
    ModalAnswers answers({QMessageBox::Ok, QMessageBox::No});
    refreshNow(*window);
    QTimer::singleShot(20000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(answers.titles(), (QStringList{"no avilable scanner", " "}));
    EXPECT_EQ(answers.texts(), (QStringList{"please try again later", "save before quit?"}));
    EXPECT_TRUE(window->noScannerReported);
}

// Refreshes from a thread of their own race scan starts on the GUI thread:
// a start either runs with its device open to its last read, or is refused
// as busy.
TEST_F(Workflow, RefreshesRacingScanStartsNeverCloseARunningJob)
{
    script({"width=40", "height=60", "read_delay_ms=5"});
    auto window = makeReadyWindow();
    ModalAnswers answers({QMessageBox::Ok});
    clearCallLog();

    constexpr int kRefreshes = 50;
    std::atomic<bool> done{false};
    std::atomic<bool> stop{false};
    std::atomic<int> starts{0};
    std::thread refresher([&] {
        for (int i = 0; i < kRefreshes; ++i) {
            const std::time_t when = ++m_printerListTime;
            touchPrinterList(when);
            while (window->lastPrinterListTime != when && !stop) {
                window->checkPrinterList();
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            // The gap runs from the refresh's end on the GUI thread.
            while (window->busyState == MainWindow::Refreshing && !stop)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            // Gaps of different lengths let scans in between; every fifth
            // lasts until the next press, so jobs run however busy the
            // machine is.
            if (i % 5 == 4) {
                const int pressed = starts;
                while (starts == pressed && !stop)
                    std::this_thread::sleep_for(std::chrono::milliseconds(1));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(i % 5 * 10));
            }
        }
        done = true;
    });
    // Joined however the loop below ends.
    const std::unique_ptr<std::thread, std::function<void(std::thread *)>> joiner(&refresher, [&](std::thread *t) {
        stop = true;
        t->join();
    });
    while (!done) {
        QSignalSpy ended(window.get(), &MainWindow::scanFinished);
        const int busyBefore = answers.texts().count("Device busy");
        window->ui->pb_scan->click();
        ++starts;
        if (answers.texts().count("Device busy") == busyBefore) {
            ASSERT_TRUE(ended.count() > 0 || ended.wait(20000));
        }
        ASSERT_TRUE(waitForJobEnd(*window)) << "state " << window->busyState << " finished "
                                            << window->pScanSDK->isFinished() << " answers "
                                            << answers.texts().join('|').toStdString() << " last call "
                                            << callLog().back();
        QCoreApplication::processEvents();
    }
    ASSERT_TRUE(waitForRefresh(*window));

    const std::vector<std::string> calls = callLog();
    EXPECT_GE(std::count(calls.begin(), calls.end(), "get_devices"), kRefreshes);
    int jobs = 0;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        if (calls[i] != "start")
            continue;
        ++jobs;
        std::size_t next = std::find(calls.begin() + i + 1, calls.end(), "start") - calls.begin();
        std::size_t lastRead = i;
        for (std::size_t j = i; j < next; ++j) {
            if (calls[j] == "read")
                lastRead = j;
        }
        EXPECT_EQ(std::find(calls.begin() + i, calls.begin() + lastRead, "close"), calls.begin() + lastRead)
            << "a close during the job that started at line " << i;
    }
    EXPECT_GT(jobs, 0);
    // Every press either started a job or was refused as busy.
    EXPECT_EQ(jobs + answers.texts().count("Device busy"), starts.load());
    for (const QString &text : answers.texts())
        EXPECT_EQ(text, QStringLiteral("Device busy"));
}

}  // namespace
