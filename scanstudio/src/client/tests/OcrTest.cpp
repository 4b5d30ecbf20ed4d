// The OCR action with a scripted recogniser: the selected page's text in the
// file the user chooses, a fresh file per run (a failed run hands back no
// older text), and a run that nothing can disturb: the result page's
// controls, the device refresh and a close wait for its end, and the window
// waits for its thread when it goes.

#include "ResultFixture.h"

#include "ModalAnswer.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

namespace {

namespace fs = std::filesystem;

class Ocr : public ResultFixture {
protected:
    void SetUp() override
    {
        ResultFixture::SetUp();
        fs::create_directories(path("bin"));
        fs::copy_file(SCRIPTED_RECOGNISER, path("bin/taliroocr"));
        fs::permissions(path("bin/taliroocr"), fs::perms::owner_all);
        answer("text", "扫描的文字\n");
    }

    void answer(const std::string &name, const std::string &content) const
    {
        testsupport::writeText(path(name), content);
    }

    // A ready window with two pages on the result page, the last selected.
    std::unique_ptr<MainWindow> resultWindow()
    {
        auto window = makeReadyWindow();
        addDistinctPages(*window, 2);
        window->showScanResultSlot();
        window->ui->txt_saveFilePath->setText(QString::fromStdString(path("")));
        return window;
    }

    // Presses the OCR button and waits until the run is over and its text
    // was offered.
    static bool runOcr(MainWindow &window, const FileDialogAnswers &files)
    {
        const int offered = files.count();
        window.ui->pb_ocr->click();
        return QTest::qWaitFor([&] { return files.count() > offered && window.ocrThread == nullptr; }, 20000);
    }

    // Recognitions begun so far (the scripted recogniser logs each run).
    int recognitions() const
    {
        const std::string log = testsupport::readText(path("argv.log"));
        int count = 0;
        for (std::size_t at = log.find("\n-l\n"); at != std::string::npos; at = log.find("\n-l\n", at + 1))
            ++count;
        return count;
    }

    // Files of OCR runs left in the work folder.
    std::set<std::string> strayOcrFiles() const
    {
        std::set<std::string> stray;
        for (const auto &entry : fs::directory_iterator(path("scan/tmp"))) {
            const std::string name = entry.path().filename().string();
            if (entry.is_regular_file() && name.rfind("ocr", 0) == 0)
                stray.insert(name);
        }
        return stray;
    }
};

TEST_F(Ocr, TextOfTheSelectedPageGoesToTheChosenFile)
{
    auto window = resultWindow();
    Ui::MainWindow &ui = *window->ui;
    EXPECT_TRUE(ui.pb_ocr->isHidden());
    FileDialogAnswers files({QString::fromStdString(path("page.txt"))});
    ASSERT_TRUE(runOcr(*window, files));

    EXPECT_EQ(testsupport::readText(path("page.txt")), "扫描的文字\n");
    EXPECT_EQ(files.captions(), QStringList{"save as"});
    EXPECT_TRUE(files.proposals().value(0).endsWith(".txt")) << files.proposals().value(0).toStdString();
    const std::string argv = testsupport::readText(path("argv.log"));
    EXPECT_NE(argv.find("\n-l\nchi_sim\n"), std::string::npos) << argv;
    EXPECT_TRUE(ui.widget_imageProcess->isEnabled());
    EXPECT_TRUE(ui.cover_widget->isHidden());
    EXPECT_EQ(window->busyState, MainWindow::Idle);
    EXPECT_TRUE(strayOcrFiles().empty());
    EXPECT_FALSE(fs::exists(path("scan/ocr.txt")));
    // No scan log record for OCR.
    EXPECT_EQ(logText(), "");

    // A chosen file that exists is replaced once the user confirms.
    answer("text", "新的\n");
    FileDialogAnswers again({QString::fromStdString(path("page.txt"))});
    ModalAnswers replace({QMessageBox::Yes});
    ASSERT_TRUE(runOcr(*window, again));
    EXPECT_EQ(replace.count(), 1);
    EXPECT_EQ(testsupport::readText(path("page.txt")), "新的\n");
}

TEST_F(Ocr, FailedRecognitionHandsBackNoOlderText)
{
    // Someone else's text at the old shared name, and a link planted there.
    answer("elsewhere", "someone else's text\n");
    fs::create_symlink(path("elsewhere"), path("scan/ocr.txt"));
    auto window = resultWindow();
    {
        FileDialogAnswers files({QString::fromStdString(path("first.txt"))});
        ASSERT_TRUE(runOcr(*window, files));
    }
    ASSERT_EQ(testsupport::readText(path("first.txt")), "扫描的文字\n");

    answer("recognise.status", "1\n");
    answer("text", "half a page\n");
    answer("second.txt", "what the file held before\n");
    FileDialogAnswers files({QString::fromStdString(path("second.txt"))});
    ModalAnswers replace({QMessageBox::Yes});
    ASSERT_TRUE(runOcr(*window, files));
    EXPECT_EQ(testsupport::readText(path("second.txt")), "");
    EXPECT_EQ(testsupport::readText(path("elsewhere")), "someone else's text\n");
    EXPECT_TRUE(fs::is_symlink(path("scan/ocr.txt")));
    EXPECT_TRUE(strayOcrFiles().empty());
}

TEST_F(Ocr, WithoutASelectedPageTheCoverOnlyFlashes)
{
    auto window = resultWindow();
    window->selectedPage = -1;
    QSignalSpy shown(window.get(), &MainWindow::sigShowDealingDialog);
    window->ui->pb_ocr->click();
    EXPECT_EQ(shown.count(), 0);
    EXPECT_EQ(window->ocrThread, nullptr);
    EXPECT_TRUE(window->ui->cover_widget->isHidden());
    EXPECT_EQ(window->busyState, MainWindow::Idle);
    EXPECT_EQ(recognitions(), 0);
}

// During a slow run: the controls take no input (a focused slider no keys),
// a refresh waits for the end, the scanner list stays usable, a close is
// refused and asked again at the end; the pages stay throughout.
TEST_F(Ocr, NothingDisturbsARunningRecognition)
{
    script({"devices=2"});
    auto window = resultWindow();
    Ui::MainWindow &ui = *window->ui;
    ui.lightnessSlider->setFocus();
    answer("hold", "");
    FileDialogAnswers files({QString()});
    ModalAnswers answers({QMessageBox::No});
    ui.pb_ocr->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recognitions() == 1; }, 20000));

    EXPECT_FALSE(ui.cover_widget->isHidden());
    EXPECT_EQ(ui.cover_text_center->text(), QStringLiteral("dealing..."));
    EXPECT_FALSE(ui.widget_imageProcess->isEnabled());
    QTest::keyClick(ui.lightnessSlider, Qt::Key_Right);
    EXPECT_EQ(ui.lightnessSlider->value(), 0);
    EXPECT_EQ(window->imageprocess.getBrightness(1), 0);

    const int queries = countCalls("get_devices");
    touchPrinterList(std::time(nullptr) + 1000);
    std::thread poll([&] { window->checkPrinterList(); });
    poll.join();
    EXPECT_EQ(countCalls("get_devices"), queries);

    EXPECT_TRUE(ui.cbx_scanners->isEnabled());
    ui.cbx_scanners->setCurrentIndex(1);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(answers.count(), 0);
    EXPECT_EQ(window->imageprocess.getImageCount(), 2);

    fs::remove(path("hold"));
    // The text is offered, then the close is asked again: "save before
    // quit?" answered No closes the window.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !window->isVisible(); }, 20000));
    EXPECT_EQ(files.count(), 1);
    EXPECT_EQ(answers.texts(), QStringList{"save before quit?"});
    EXPECT_EQ(window->imageprocess.getImageCount(), 2);
    EXPECT_EQ(window->busyState, MainWindow::Idle);

    // The change seen during the run is taken by the next poll.
    std::thread later([&] { window->checkPrinterList(); });
    later.join();
    EXPECT_EQ(countCalls("get_devices"), queries + 1);
}

std::atomic<bool> g_destroying{false};
std::mutex g_ocrMessagesMutex;
QStringList g_ocrThreadMessages;

void watchDestruction(QtMsgType, const QMessageLogContext &, const QString &message)
{
    if (message == QLatin1String("~MainWindow()"))
        g_destroying = true;
    if (message.contains(QLatin1String("QThread")) || message.contains(QLatin1String("imer"))) {
        std::lock_guard<std::mutex> lock(g_ocrMessagesMutex);
        g_ocrThreadMessages << message;
    }
}

TEST_F(Ocr, TheWindowWaitsForARunningRecognitionWhenItGoes)
{
    auto window = resultWindow();
    answer("hold", "");
    window->ui->pb_ocr->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return recognitions() == 1; }, 20000));

    g_destroying = false;
    g_ocrThreadMessages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(watchDestruction);
    // Lets the recogniser answer once the window has begun to go.
    std::thread release([this] {
        while (!g_destroying)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        fs::remove(path("hold"));
    });
    window.reset();
    release.join();
    qInstallMessageHandler(previous);
    EXPECT_TRUE(g_ocrThreadMessages.isEmpty()) << g_ocrThreadMessages.join('\n').toStdString();
    // The run's file went with the work folder's files.
    std::set<std::string> left;
    for (const auto &entry : fs::directory_iterator(path("scan/tmp"))) {
        if (entry.is_regular_file())
            left.insert(entry.path().filename().string());
    }
    EXPECT_TRUE(left.empty());
}

}  // namespace
