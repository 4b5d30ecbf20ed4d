// The main window shell on a temporary install root: what construction
// makes, the close rules, the reset to the main page, the scan log record
// and a clean shutdown with its threads running.

#include "WindowFixture.h"

#include "ModalAnswer.h"
#include "bgwidget.h"
#include "ui_mainwindow.h"
#include "vurocombobox.h"

#include "VuroScanSDK.h"

#include <QHostInfo>
#include <QStandardPaths>
#include <QTest>
#include <QTextCodec>
#include <QThread>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <mutex>

namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string &path)
{
    struct stat st {};
    return lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

const char *const kSharedFiles[] = {"scan/auth", "scan/scanApp.conf", "scan/scanAppLog.log",
                                    "scan/talirodaemon.pid", "scan/taliroLogDaemon.pid"};

TEST_F(WindowFixture, FirstStartCreatesTheSharedFilesOpenToAll)
{
    const mode_t old = umask(022);
    auto window = makeWindow();
    umask(old);
    for (const char *name : kSharedFiles) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::is_regular_file(path(name)));
        EXPECT_EQ(modeOf(path(name)), 0777u);
    }
    EXPECT_EQ(testsupport::readText(path("scan/auth")), "");
    window.reset();
    // The profile is written at exit and keeps its mode.
    EXPECT_NE(testsupport::readText(path("scan/scanApp.conf")), "");
    EXPECT_EQ(modeOf(path("scan/scanApp.conf")), 0777u);
}

TEST_F(WindowFixture, LinksPlantedInScanAreLeftAloneThroughStartAndExit)
{
    testsupport::TempFolder outside;
    for (const char *name : kSharedFiles) {
        const std::string target = outside.file(fs::path(name).filename().string());
        testsupport::writeText(target, "owned by someone else");
        chmod(target.c_str(), 0600);
        fs::create_symlink(target, path(name));
    }
    fs::create_directories(outside.file("folder"));
    outside.write("folder/precious", "x");
    fs::create_symlink(outside.file("folder"), path("scan/tmp/planted"));
    testsupport::writeText(path("scan/tmp/taliroscane_1.rgb"), "left over");

    auto window = makeWindow();
    window->logData = MainWindow::genData(QString(), QStringLiteral("24-05-01-10-00-00"), QStringLiteral("x"));
    window.reset();

    for (const char *name : kSharedFiles) {
        SCOPED_TRACE(name);
        const std::string target = outside.file(fs::path(name).filename().string());
        EXPECT_EQ(testsupport::readText(target), "owned by someone else");
        EXPECT_EQ(modeOf(target), 0600u);
        // The profile is saved by renaming a new file over the link.
        if (std::string(name) != "scan/scanApp.conf") {
            EXPECT_TRUE(fs::is_symlink(path(name)));
        }
    }
    EXPECT_TRUE(fs::is_symlink(path("scan/tmp/planted")));
    EXPECT_EQ(outside.read("folder/precious"), "x");
    EXPECT_FALSE(fs::exists(path("scan/tmp/taliroscane_1.rgb")));
}

TEST_F(WindowFixture, ConstructionEndsOnTheMainPage)
{
    auto window = makeWindow();
    Ui::MainWindow &ui = *window->ui;
    EXPECT_EQ(MainWindow::_instancePtr, window.get());
    EXPECT_FALSE(ui.widget_mainFrame->isHidden());
    EXPECT_TRUE(ui.wgt_advancedSettings->isHidden());
    EXPECT_TRUE(ui.widget_imageProcess->isHidden());
    EXPECT_TRUE(ui.cover_widget->isHidden());
    EXPECT_TRUE(ui.jiupianCheckBox->isHidden());
    EXPECT_TRUE(ui.jiupian_label->isHidden());
    EXPECT_TRUE(ui.cbx_configure->isHidden());
    EXPECT_EQ(window->policyCombo->parentWidget(), ui.config_widget);
    EXPECT_EQ(window->policyCombo->geometry(), ui.cbx_configure->geometry());
    EXPECT_EQ(window->bgWidget->parentWidget(), ui.widget_mainFrame);
    EXPECT_EQ(window->bgWidget->geometry(), QRect(220, 20, 271, 390));
    EXPECT_FALSE(ui.lbl_vuroLogo->pixmap(Qt::ReturnByValue).isNull());
    EXPECT_EQ(ui.spx_paperWidth->maximum(), 216);
    EXPECT_EQ(ui.spx_paperHeight->maximum(), 356);
    EXPECT_EQ(ui.spx_bgFade->maximum(), 50);
    // The advanced page shows the new profile's filter size 0 as the minimum.
    EXPECT_EQ(ui.spx_bgFade->value(), 1);
    EXPECT_TRUE(ui.previewArea->hasMouseTracking());
    EXPECT_FALSE(ui.pb_mainCancel->isEnabled());
    EXPECT_EQ(ui.pb_mainCancel->styleSheet(), QStringLiteral("#pb_mainCancel{color:gray;}"));
    EXPECT_TRUE(window->pollThread->isRunning());
    EXPECT_EQ(window->pollThread->parent(), window.get());

    EXPECT_EQ(window->defaultFileRule, QStringLiteral("taliro_%datetime%"));
    EXPECT_EQ(window->boxTitle, QStringLiteral("ERROR"));
    EXPECT_DOUBLE_EQ(window->scaleX, 216.0 / 268.0);
    EXPECT_TRUE(window->logData.written);
    EXPECT_EQ(window->feederResolutions.size() + 1, window->flatbedResolutions.size());
    EXPECT_EQ(window->presets.back(), "Last configuration (default)");
    EXPECT_EQ(window->paperSizes, (std::vector<std::string>{"A4", "B5", "Custom"}));
}

TEST_F(WindowFixture, ClosingWithoutPagesClosesAtOnce)
{
    auto window = makeWindow();
    window->show();
    ModalAnswer answer(QMessageBox::Yes);
    EXPECT_TRUE(window->close());
    QCoreApplication::processEvents();
    EXPECT_EQ(answer.count(), 0);
    window.reset();
    EXPECT_EQ(logText(), "");
}

TEST_F(WindowFixture, ClosingWithPagesAnsweredNoClosesAndWritesThePendingRecordOnce)
{
    auto window = makeWindow();
    window->show();
    addPages(*window, 2);
    window->logData = MainWindow::genData(QString(), QStringLiteral("24-05-01-10-00-00"),
                                          QStringLiteral("scanned,has not saved"));
    ModalAnswer answer(QMessageBox::No);
    EXPECT_TRUE(window->close());
    EXPECT_EQ(answer.count(), 1);
    EXPECT_EQ(answer.title(), QStringLiteral(" "));
    EXPECT_EQ(answer.text(), QStringLiteral("save before quit?"));
    window.reset();

    const std::string log = logText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
    EXPECT_NE(log.find("\"fileName\":\"\",\"scanResult\":\"scanned,has not saved\",\"scanTime\":\"24-05-01-10-00-00\""),
              std::string::npos);
}

TEST_F(WindowFixture, ClosingWithPagesWhoseSaveDoesNotSucceedKeepsTheWindow)
{
    auto window = makeWindow();
    window->show();
    addPages(*window, 2);
    ModalAnswer answer(QMessageBox::Yes);
    FileDialogAnswers saveAs({QString()});
    EXPECT_FALSE(window->close());
    EXPECT_EQ(answer.count(), 1);
    EXPECT_EQ(saveAs.count(), 1);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->imageprocess.getImageCount(), 2);
}

TEST_F(WindowFixture, ClosingUnderTheKeepScanningCoverIsRefusedSilently)
{
    auto window = makeWindow();
    window->show();
    addPages(*window, 1);
    window->keepScanShown = true;
    window->ui->cover_widget->show();
    ModalAnswer answer(QMessageBox::No);
    EXPECT_FALSE(window->close());
    QCoreApplication::processEvents();
    EXPECT_EQ(answer.count(), 0);

    // The same cover without pages, or no cover, lets the close go on.
    window->ui->cover_widget->hide();
    EXPECT_TRUE(window->close());
}

TEST_F(WindowFixture, ClosingDuringAScanCancelsItAndClosesOnceItHasEnded)
{
    script({"feeder_pages=50", "read_delay_ms=20"});
    auto window = makeWindow();
    window->show();
    startScan(*window);

    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->closeRequested);
    EXPECT_GE(countCalls("cancel"), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pScanSDK->isFinished(); }, 10000));
    window->busyState = MainWindow::Idle;

    EXPECT_TRUE(window->closeIfRequested());
    EXPECT_FALSE(window->isVisible());
}

TEST_F(WindowFixture, MainCancelAskedNoChangesNothingYesResets)
{
    auto window = makeWindow();
    window->show();
    addPages(*window, 2);
    window->ui->lightnessSlider->setValue(40);
    window->logData = MainWindow::genData(QString(), QStringLiteral("t"), QStringLiteral("r"));
    {
        ModalAnswer answer(QMessageBox::No);
        QTest::mouseClick(window->ui->pb_mainCancel, Qt::LeftButton);  // disabled: no box
        window->ui->pb_mainCancel->setEnabled(true);
        window->ui->pb_mainCancel->click();
        EXPECT_EQ(answer.count(), 1);
        EXPECT_EQ(answer.title(), QStringLiteral("tip"));
        EXPECT_EQ(answer.text(), QStringLiteral("confirm_operation"));
    }
    EXPECT_EQ(window->imageprocess.getImageCount(), 2);
    EXPECT_EQ(window->ui->lightnessSlider->value(), 40);
    EXPECT_EQ(logText(), "");
    {
        ModalAnswer answer(QMessageBox::Yes);
        window->ui->pb_mainCancel->click();
        EXPECT_EQ(answer.count(), 1);
    }
    EXPECT_EQ(window->imageprocess.getImageCount(), 0);
    EXPECT_EQ(window->ui->lightnessSlider->value(), 0);
    EXPECT_EQ(window->ui->lightnessSpinBox->value(), 0);
    EXPECT_FALSE(window->ui->widget_mainFrame->isHidden());
    EXPECT_TRUE(window->ui->widget_imageProcess->isHidden());
    EXPECT_FALSE(window->ui->pb_mainCancel->isEnabled());
    EXPECT_EQ(window->selectedPage, -1);
    // The pending record went to the log, once.
    EXPECT_TRUE(window->logData.written);
    window->initUIData();
    const std::string log = logText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1);
}

TEST_F(WindowFixture, ResultCancelResetsWithoutAsking)
{
    auto window = makeWindow();
    window->show();
    addPages(*window, 1);
    window->ui->sldr_gamma->setValue(30);
    window->ui->ckb_ElimBorder->setChecked(true);
    window->ui->cover_widget->show();
    window->ui->pb_coverLeft->show();
    window->ui->cover_text_center->setText(QStringLiteral("scanning..."));
    ModalAnswer answer(QMessageBox::No);
    window->ui->btn_widget_imageprocess_cancel->click();
    EXPECT_EQ(answer.count(), 0);
    EXPECT_EQ(window->imageprocess.getImageCount(), 0);
    EXPECT_EQ(window->ui->sldr_gamma->value(), 1);
    EXPECT_FALSE(window->ui->ckb_ElimBorder->isChecked());
    EXPECT_TRUE(window->ui->cover_widget->isHidden());
    EXPECT_TRUE(window->ui->pb_coverLeft->isHidden());
    EXPECT_TRUE(window->ui->pgb_scanProgress->isHidden());
    EXPECT_EQ(window->ui->cover_text_center->text(), QString());
    EXPECT_FALSE(window->ui->widget_mainFrame->isHidden());
}

// Under a UTF-8 locale every member of the line is UTF-8; the record is
// marked written before the log is opened, so a failed append is not tried
// again.
TEST_F(WindowFixture, ScanLogRecordFromTheWindow)
{
    QTextCodec *const oldCodec = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    auto window = makeWindow();

    const QString result = QString::fromUtf8("扫描 \"1\"\\");
    window->logData = MainWindow::genData(QString::fromUtf8("/home/ann/文件.pdf"), QStringLiteral("24-05-01-10-00-00"),
                                          result);
    const QString home = QStandardPaths::writableLocation(QStandardPaths::HomeLocation);
    EXPECT_EQ(window->logData.userName, home.mid(home.lastIndexOf('/') + 1));
    EXPECT_EQ(window->logData.computerName, QHostInfo::localHostName());
    EXPECT_FALSE(window->logData.written);

    window->writJsonToLogFile(window->parseDataToJson(window->logData));
    EXPECT_TRUE(window->logData.written);
    window->writJsonToLogFile(window->parseDataToJson(
        MainWindow::genData(QString(), QStringLiteral("24-05-01-10-00-01"), QStringLiteral("save success"))));

    const std::string user = window->logData.userName.toStdString();
    const std::string host = window->logData.computerName.toStdString();
    EXPECT_EQ(logText(),
              "{\"computerName\":\"" + host + "\",\"fileName\":\"/home/ann/文件.pdf\",\"scanResult\":\"扫描 \\\"1\\\"\\\\\","
              "\"scanTime\":\"24-05-01-10-00-00\",\"userName\":\"" + user + "\"}\n"
              "{\"computerName\":\"" + host + "\",\"fileName\":\"\",\"scanResult\":\"save success\","
              "\"scanTime\":\"24-05-01-10-00-01\",\"userName\":\"" + user + "\"}\n");

    // A log that cannot be opened loses the record, which stays written.
    fs::remove(path("scan/scanAppLog.log"));
    fs::create_symlink(path("elsewhere"), path("scan/scanAppLog.log"));
    window->logData = MainWindow::genData(QString(), QStringLiteral("t"), QStringLiteral("r"));
    window->initUIData();
    EXPECT_TRUE(window->logData.written);
    EXPECT_FALSE(fs::exists(path("elsewhere")));
    window.reset();
    QTextCodec::setCodecForLocale(oldCodec);
}

// The device poll looks at the printer list at once when the window starts,
// then every 5 s: the backend is asked for its devices well before a first
// period has passed, and again at a later run once the list has changed.
TEST_F(WindowFixture, ThePollRunsAtOnceThenEveryFiveSeconds)
{
    touchPrinterList(std::time(nullptr));
    auto window = makeWindow();
    window->show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return countCalls("get_devices") == 1; }, 4000));
    ASSERT_TRUE(waitForRefresh(*window));
    EXPECT_EQ(window->pollTimer->interval(), 5000);

    touchPrinterList(std::time(nullptr) + 100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return countCalls("get_devices") == 2; }, 20000));
    EXPECT_TRUE(waitForRefresh(*window));
}

// Threads are stopped in order: no "QThread: Destroyed while thread is
// still running", no timer stopped from another thread, the scan cancelled
// and its thread ended before the session goes.
std::mutex g_messagesMutex;
QStringList g_threadMessages;

void recordThreadMessages(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message.contains(QLatin1String("QThread")) || message.contains(QLatin1String("imer"))) {
        std::lock_guard<std::mutex> lock(g_messagesMutex);
        g_threadMessages << message;
    }
}

TEST_F(WindowFixture, ShutdownWithThePollRunningAndAScanUnderWay)
{
    script({"feeder_pages=50", "read_delay_ms=20"});
    g_threadMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordThreadMessages);
    auto window = makeWindow();
    window->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return window->pollThread->isRunning(); }, 5000));
    startScan(*window);
    window.reset();
    qInstallMessageHandler(previous);

    EXPECT_TRUE(g_threadMessages.isEmpty()) << g_threadMessages.join('\n').toStdString();
    const std::vector<std::string> calls = callLog();
    const auto cancel = std::find(calls.begin(), calls.end(), "cancel");
    ASSERT_NE(cancel, calls.end());
    // Nothing reads after the backend has been closed.
    const auto close = std::find(calls.begin(), calls.end(), "close");
    ASSERT_NE(close, calls.end());
    EXPECT_EQ(std::find(close, calls.end(), "read"), calls.end());
}

}  // namespace
