// Save and Save As from the result page: the file names the naming rule
// makes, the path the page list is asked to write, the scan log record of
// each outcome, the save folder's check and the folder dialogs, a failed
// save that keeps the pages, and a user's files left alone; and saving as a
// user who cannot write everywhere.

#include "ResultFixture.h"

#include "ModalAnswer.h"
#include "ui_mainwindow.h"

#include <QDir>
#include <QRegularExpression>
#include <QTextCodec>

#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>

namespace {

namespace fs = std::filesystem;

// One line of the scan log, taken apart.
struct LogLine {
    std::string fileName;
    std::string scanResult;
    std::string scanTime;
};

std::vector<LogLine> logLines(const std::string &text)
{
    static const QRegularExpression line(QStringLiteral(
        "^\\{\"computerName\":\"[^\"]*\",\"fileName\":\"([^\"]*)\",\"scanResult\":\"([^\"]*)\","
        "\"scanTime\":\"([^\"]*)\",\"userName\":\"[^\"]*\"\\}$"));
    std::vector<LogLine> lines;
    for (const QString &raw : QString::fromStdString(text).split('\n', Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch match = line.match(raw);
        EXPECT_TRUE(match.hasMatch()) << raw.toStdString();
        lines.push_back({match.captured(1).toStdString(), match.captured(2).toStdString(),
                         match.captured(3).toStdString()});
    }
    return lines;
}

class Save : public ResultFixture {
protected:
    // A shown window with `count` pages on the result page, saving into the
    // folder "saved" of the test, and a page list writer that records what it
    // is asked to write and answers `writerResult`.
    std::unique_ptr<MainWindow> resultWindow(int count = 2)
    {
        // With a scanner open, so the save types are listed.
        auto window = makeReadyWindow();
        addDistinctPages(*window, count);
        window->showScanResultSlot();
        fs::create_directories(path("saved"));
        window->ui->txt_saveFilePath->setText(QString::fromStdString(path("saved")));
        window->imageprocess.setStreamWriter([this](const QString &file, int, vuro_color_format) {
            written << file;
            return writerResult;
        });
        window->logData = MainWindow::genData(QString(), QStringLiteral("24-05-01-09-00-00"),
                                              QStringLiteral("scanned,has not saved"));
        return window;
    }

    // A folder path that no user can make: below a regular file.
    std::string unusableFolder() const
    {
        testsupport::writeText(path("plainfile"), "x");
        return path("plainfile/sub");
    }

    QStringList written;
    bool writerResult = true;
};

TEST_F(Save, NamesFromTheRuleAndRecordsTheBaseWithTheExtension)
{
    struct Case {
        QString rule;
        int saveType;
        bool streams;  // gray and black-and-white streams: suffixes on the written files
        QString extension;
    };
    const Case cases[] = {
        {QStringLiteral("taliro_%datetime%"), 4, false, QStringLiteral("pdf")},
        {QStringLiteral("taliro_%datetime%"), 0, true, QStringLiteral("jpg")},
        {QStringLiteral("plain name"), 3, false, QStringLiteral("tif")},
        {QStringLiteral("%datetime%and%datetime%"), 5, false, QStringLiteral("ofd")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.rule.toStdString() + " " + c.extension.toStdString());
        testsupport::writeText(path("scan/scanAppLog.log"), "");
        written.clear();
        auto window = resultWindow();
        Ui::MainWindow &ui = *window->ui;
        ui.txt_saveFlieName->setText(c.rule);
        ui.cbx_saveType->setCurrentIndex(c.saveType);
        window->imageprocess.setMultiColorOutGray(c.streams);
        window->imageprocess.setMultiColorOutMono(c.streams);
        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_widget_imageprocess_save->click();

        EXPECT_EQ(answers.titles(), QStringList{"Save Finish"});
        EXPECT_EQ(answers.texts(), QStringList{"save Finished"});
        const std::vector<LogLine> lines = logLines(logText());
        ASSERT_EQ(lines.size(), 1u);
        const QString time = QString::fromStdString(lines[0].scanTime);
        EXPECT_TRUE(QRegularExpression("^\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d$").match(time).hasMatch());
        const QString base = QString::fromStdString(path("saved/")) + QString(c.rule).replace("%datetime%", time);
        EXPECT_EQ(written, c.streams ? QStringList({base + "_gray", base + "_mono"}) : QStringList{base});
        EXPECT_EQ(lines[0].fileName, (base + "." + c.extension).toStdString());
        EXPECT_EQ(lines[0].scanResult, "save success");
        // Back on the main page with the pages gone; Save is no Save As.
        EXPECT_EQ(window->imageprocess.getImageCount(), 0);
        EXPECT_FALSE(ui.widget_mainFrame->isHidden());
        EXPECT_TRUE(ui.widget_imageProcess->isHidden());
        EXPECT_FALSE(window->saveFinished);
        window.reset();
        EXPECT_EQ(logLines(logText()).size(), 1u);
    }
}

TEST_F(Save, TwoSavesOfOneRunGiveTwoLinesInOrder)
{
    auto window = resultWindow();
    ModalAnswers answers({QMessageBox::Ok});
    window->ui->btn_widget_imageprocess_save->click();
    addDistinctPages(*window, 1);
    window->showScanResultSlot();
    FileDialogAnswers files({QString::fromStdString(path("other/second.jpg"))});
    window->ui->btn_widget_imageprocess_saveAs->click();
    window.reset();
    const std::vector<LogLine> lines = logLines(logText());
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].scanResult, "save success");
    EXPECT_EQ(lines[1].fileName, path("other/second.jpg"));
    EXPECT_EQ(logText().back(), '\n');
}

TEST_F(Save, SaveAsTakesStreamSuffixesOutOfTheFileNameOnly)
{
    struct Case {
        std::string answer;
        std::string saved;
    };
    const Case cases[] = {
        {"x/scan_color.jpg", "x/scan.jpg"},
        {"d/my_colorful/scan_color.jpg", "d/my_colorful/scan.jpg"},
        {"d/my_gray_mono/scan_mono.jpg", "d/my_gray_mono/scan.jpg"},
        {"x/plain.jpg", "x/plain.jpg"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        testsupport::writeText(path("scan/scanAppLog.log"), "");
        written.clear();
        auto window = resultWindow();
        window->ui->txt_saveFlieName->setText(QStringLiteral("scan_%datetime%"));
        FileDialogAnswers files({QString::fromStdString(path(c.answer))});
        ModalAnswers answers({QMessageBox::Ok});
        window->ui->btn_widget_imageprocess_saveAs->click();

        ASSERT_EQ(files.count(), 1);
        EXPECT_EQ(files.captions(), QStringList{"save as"});
        EXPECT_TRUE(QRegularExpression("^" + QRegularExpression::escape(QString::fromStdString(path("saved/scan_"))) +
                                       "\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d-\\d\\d\\.jpg$")
                        .match(files.proposals().value(0))
                        .hasMatch())
            << files.proposals().value(0).toStdString();
        EXPECT_EQ(written, QStringList{QString::fromStdString(path(c.saved))});
        EXPECT_TRUE(window->saveFinished);
        EXPECT_EQ(window->imageprocess.getImageCount(), 0);
        const std::vector<LogLine> lines = logLines(logText());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].fileName, path(c.saved));
        EXPECT_EQ(lines[0].scanResult, "save success");
    }
}

TEST_F(Save, CancelledSaveAsChangesNothing)
{
    auto window = resultWindow();
    Ui::MainWindow &ui = *window->ui;
    FileDialogAnswers files({QString()});
    ModalAnswers answers({QMessageBox::Ok});
    ui.btn_widget_imageprocess_saveAs->click();
    EXPECT_EQ(files.count(), 1);
    EXPECT_EQ(answers.count(), 0);
    EXPECT_TRUE(written.isEmpty());
    EXPECT_FALSE(window->saveFinished);
    EXPECT_EQ(window->imageprocess.getImageCount(), 2);
    EXPECT_FALSE(ui.widget_imageProcess->isHidden());
    EXPECT_FALSE(window->logData.written);
    EXPECT_EQ(window->logData.scanResult, QStringLiteral("scanned,has not saved"));
    EXPECT_EQ(logText(), "");
}

// A failed save keeps the pages on the result page, and its record is on
// the log at once, once.
TEST_F(Save, FailedSaveKeepsThePagesAndRecordsItOnce)
{
    struct Case {
        const char *name;
        std::function<void(MainWindow &)> press;
        std::string fileName;
    };
    const Case cases[] = {
        {"save, the writer fails",
         [this](MainWindow &w) {
             writerResult = false;
             w.ui->txt_saveFlieName->setText(QStringLiteral("fixed"));
             w.ui->btn_widget_imageprocess_save->click();
         },
         path("saved/fixed.jpg")},
        {"save from the keep-scanning question",
         [this](MainWindow &w) {
             writerResult = false;
             w.ui->txt_saveFlieName->setText(QStringLiteral("fixed"));
             w.ui->widget_imageProcess->hide();
             w.ui->widget_mainFrame->show();
             w.genKeepScaningDialog();
             w.ui->pb_coverRight_1->click();
         },
         path("saved/fixed.jpg")},
        {"save as, no folder can be made",
         [this](MainWindow &w) {
             FileDialogAnswers files({QString::fromStdString(unusableFolder() + "/scan.jpg")});
             w.ui->btn_widget_imageprocess_saveAs->click();
         },
         path("plainfile/sub/scan.jpg")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        testsupport::writeText(path("scan/scanAppLog.log"), "");
        auto window = resultWindow();
        ModalAnswers answers({QMessageBox::Ok});
        c.press(*window);
        EXPECT_EQ(answers.titles(), QStringList{"ERROR"});
        EXPECT_EQ(answers.texts(), QStringList{"save unFinished"});
        EXPECT_EQ(window->imageprocess.getImageCount(), 2);
        EXPECT_FALSE(window->ui->widget_imageProcess->isHidden());
        EXPECT_TRUE(window->ui->widget_mainFrame->isHidden());
        EXPECT_TRUE(window->ui->cover_widget->isHidden());
        EXPECT_EQ(tiles(*window).size(), 2u);
        EXPECT_FALSE(window->saveFinished);
        std::vector<LogLine> lines = logLines(logText());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].fileName, c.fileName);
        EXPECT_EQ(lines[0].scanResult, "save faile");
        window.reset();
        EXPECT_EQ(logLines(logText()).size(), 1u);
    }
}

TEST_F(Save, UnusableFolderIsResetToTheDefaultAndTheNextSaveGoesWhereTheDialogSays)
{
    const QString defaultFolder = QString::fromStdString(home() + "/taliroScan");
    const QString chosen = QString::fromStdString(path("chosen"));
    QDir().mkpath(chosen);
    struct Case {
        const char *name;
        QString dialogAnswer;
        QStringList boxes;
        QString nextFolder;
    };
    const Case cases[] = {
        {"dialog cancelled", QString(), {"path cant reach,reset save path"}, defaultFolder},
        {"folder chosen", chosen, {"path cant reach,reset save path"}, chosen},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        written.clear();
        testsupport::writeText(path("scan/scanAppLog.log"), "");
        auto window = resultWindow();
        Ui::MainWindow &ui = *window->ui;
        ui.txt_saveFilePath->setText(QString::fromStdString(unusableFolder()));
        {
            FileDialogAnswers folders({c.dialogAnswer});
            ModalAnswers answers({QMessageBox::Ok});
            ui.btn_widget_imageprocess_save->click();
            EXPECT_EQ(answers.titles().value(0), QStringLiteral("path cant reach"));
            EXPECT_EQ(answers.texts(), c.boxes);
            ASSERT_EQ(folders.count(), 1);
            EXPECT_EQ(folders.captions(), QStringList{"select folder"});
        }
        // The field's folder is stored in the profile.
        EXPECT_EQ(QString::fromStdString(window->scanProfile.config.save_directory), c.nextFolder);
        EXPECT_TRUE(written.isEmpty());
        EXPECT_EQ(window->imageprocess.getImageCount(), 2);
        EXPECT_EQ(ui.txt_saveFilePath->text(), c.nextFolder);
        EXPECT_EQ(logText(), "");

        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_widget_imageprocess_save->click();
        ASSERT_EQ(written.size(), 1);
        EXPECT_TRUE(written[0].startsWith(c.nextFolder + "/taliro_")) << written[0].toStdString();
    }
}

// Under a UTF-8 locale: the user name is the home folder's last component,
// quotation marks are escaped and Chinese text is written as its bytes, and
// the file name and the record share one time text.
TEST_F(Save, RecordOfASaveWithQuotesAndChineseText)
{
    QTextCodec *const oldCodec = QTextCodec::codecForLocale();
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    const std::string home = path("安妮 \"A\"");
    fs::create_directories(home);
    qputenv("HOME", QByteArray::fromStdString(home));
    const std::string folder = path("保存 \"x\"");
    fs::create_directories(folder);
    {
        auto window = resultWindow();
        window->ui->txt_saveFilePath->setText(QString::fromStdString(folder));
        window->ui->txt_saveFlieName->setText(QString::fromUtf8("扫描_%datetime%"));
        window->ui->cbx_saveType->setCurrentIndex(4);
        ModalAnswers answers({QMessageBox::Ok});
        window->ui->btn_widget_imageprocess_save->click();
        ASSERT_EQ(written.size(), 1);
    }
    QTextCodec::setCodecForLocale(oldCodec);
    const std::string line = logText();
    const QRegularExpressionMatch time =
        QRegularExpression("\"scanTime\":\"([-0-9]+)\"").match(QString::fromStdString(line));
    ASSERT_TRUE(time.hasMatch()) << line;
    const std::string stamp = time.captured(1).toStdString();
    EXPECT_EQ(written[0].toStdString(), folder + "/扫描_" + stamp);
    EXPECT_NE(line.find("\"fileName\":\"" + path("保存 \\\"x\\\"") + "/扫描_" + stamp + ".pdf\""),
              std::string::npos)
        << line;
    EXPECT_NE(line.find("\"userName\":\"安妮 \\\"A\\\"\"}\n"), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
}

// A new profile has no save folder: Save goes to the default one, never to
// the root folder.
TEST_F(Save, NoSaveFolderMeansTheDefaultOne)
{
    auto window = resultWindow();
    window->ui->txt_saveFilePath->clear();
    ModalAnswers answers({QMessageBox::Ok});
    window->ui->btn_widget_imageprocess_save->click();
    const QString defaultFolder = QString::fromStdString(home() + "/taliroScan");
    EXPECT_EQ(answers.texts(), QStringList{"save Finished"});
    EXPECT_EQ(window->ui->txt_saveFilePath->text(), defaultFolder);
    ASSERT_EQ(written.size(), 1);
    EXPECT_TRUE(written[0].startsWith(defaultFolder + "/taliro_")) << written[0].toStdString();

    addDistinctPages(*window, 1);
    window->showScanResultSlot();
    window->ui->txt_saveFilePath->clear();
    FileDialogAnswers files({QString()});
    window->ui->btn_widget_imageprocess_saveAs->click();
    EXPECT_TRUE(files.proposals().value(0).startsWith(defaultFolder + "/taliro_"))
        << files.proposals().value(0).toStdString();
}

// The folder checks of Save, of Save's folder dialog and of Browse use a
// file of their own: a user's "test" file stays, and nothing is left.
TEST_F(Save, AUsersTestFileSurvivesEveryFolderCheck)
{
    const std::string folder = path("mine");
    fs::create_directories(folder);
    testsupport::writeText(folder + "/test", "my notes");
    const QString mine = QString::fromStdString(folder);
    auto window = resultWindow();
    Ui::MainWindow &ui = *window->ui;

    ui.txt_saveFilePath->setText(mine);
    EXPECT_TRUE(window->verifySaveDir());

    ui.txt_saveFilePath->setText(QString::fromStdString(unusableFolder()));
    {
        FileDialogAnswers folders({mine});
        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_widget_imageprocess_save->click();
        EXPECT_EQ(ui.txt_saveFilePath->text(), mine);
    }
    ui.txt_saveFilePath->clear();
    {
        FileDialogAnswers folders({mine});
        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_selectSaveFilePath->click();
        EXPECT_EQ(folders.captions(), QStringList{"select folder"});
        EXPECT_EQ(answers.count(), 0);
        EXPECT_EQ(ui.txt_saveFilePath->text(), mine);
    }
    EXPECT_EQ(testsupport::readText(folder + "/test"), "my notes");
    std::set<std::string> left;
    for (const auto &entry : fs::directory_iterator(folder))
        left.insert(entry.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{"test"});
}

// A close answered Yes goes on only when its Save As saved the pages.
TEST_F(Save, CloseAnsweredYesClosesOnlyAfterASuccessfulSaveAs)
{
    struct Case {
        const char *name;
        std::function<QString()> answer;
        bool closes;
    };
    const Case cases[] = {
        {"failed", [this] { return QString::fromStdString(unusableFolder() + "/scan.jpg"); }, false},
        {"saved", [this] { return QString::fromStdString(path("kept/scan.jpg")); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        auto window = resultWindow();
        FileDialogAnswers files({c.answer()});
        ModalAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
        EXPECT_EQ(window->close(), c.closes);
        EXPECT_EQ(answers.texts().value(0), QStringLiteral("save before quit?"));
        EXPECT_EQ(files.count(), 1);
        EXPECT_EQ(window->isVisible(), !c.closes);
        EXPECT_EQ(window->imageprocess.getImageCount(), c.closes ? 0 : 2);
    }
}

// Run as a user who cannot write everywhere, where a folder without write
// permission fails for real. Root runs each case in a child process that has
// become nobody, on a test folder given to nobody with its own copy of the
// backend, so that nothing outside the folder (the build tree may lie in a
// folder only root can enter) need be reachable; any other user runs it as
// it is.
class AsOtherUser : public Save {
protected:
    void SetUp() override
    {
        Save::SetUp();
        if (geteuid() == 0) {
            fs::remove(path("scan/sane-taliro-q804.so"));
            fs::copy_file(STANDIN_BACKEND, path("scan/sane-taliro-q804.so"));
        }
        fs::create_directories(path("readonly"));
        fs::permissions(path("readonly"), fs::perms::owner_read | fs::perms::owner_exec);
    }
    void TearDown() override
    {
        fs::permissions(path("readonly"), fs::perms::owner_all);
        Save::TearDown();
    }

    void asOtherUser(const std::function<void()> &body)
    {
        if (geteuid() != 0) {
            body();
            return;
        }
        const passwd *nobody = getpwnam("nobody");
        ASSERT_NE(nobody, nullptr);
        const uid_t uid = nobody->pw_uid;
        const gid_t gid = nobody->pw_gid;
        ASSERT_EQ(lchown(m_dir.path().c_str(), uid, gid), 0);
        for (const fs::directory_entry &entry : fs::recursive_directory_iterator(m_dir.path()))
            ASSERT_EQ(lchown(entry.path().c_str(), uid, gid), 0) << entry.path();

        // The child writes its own results; nothing buffered here is written twice.
        std::fflush(nullptr);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (setgroups(0, nullptr) == 0 && setgid(gid) == 0 && setuid(uid) == 0)
                body();
            else
                ADD_FAILURE() << "could not become nobody";
            std::fflush(nullptr);
            _exit(HasFailure() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the case failed as nobody (see above)";
    }
};

TEST_F(AsOtherUser, SaveAsIntoAFolderTheUserCannotWriteKeepsThePages)
{
    asOtherUser([&] {
        auto window = resultWindow();
        // The page list's own writers.
        window->imageprocess.setStreamWriter([&pages = window->imageprocess](const QString &file, int quality,
                                                                              vuro_color_format format) {
            return pages.saveImages(file, quality, format);
        });
        FileDialogAnswers files({QString::fromStdString(path("readonly/scan_color.jpg"))});
        ModalAnswers answers({QMessageBox::Ok});
        window->ui->btn_widget_imageprocess_saveAs->click();
        EXPECT_EQ(answers.texts(), QStringList{"save unFinished"});
        EXPECT_EQ(window->imageprocess.getImageCount(), 2);
        EXPECT_FALSE(window->ui->widget_imageProcess->isHidden());
        window.reset();
        const std::vector<LogLine> lines = logLines(logText());
        ASSERT_EQ(lines.size(), 1u);
        EXPECT_EQ(lines[0].fileName, path("readonly/scan.jpg"));
        EXPECT_EQ(lines[0].scanResult, "save faile");
        EXPECT_TRUE(fs::is_empty(path("readonly")));
    });
}

TEST_F(AsOtherUser, BrowseToAFolderTheUserCannotWriteKeepsTheFieldAndTheProfile)
{
    asOtherUser([&] {
        auto window = resultWindow();
        Ui::MainWindow &ui = *window->ui;
        const std::string stored = window->scanProfile.config.save_directory;
        FileDialogAnswers folders({QString::fromStdString(path("readonly"))});
        ModalAnswers answers({QMessageBox::Ok});
        ui.btn_selectSaveFilePath->click();
        EXPECT_EQ(answers.titles(), QStringList{"path cant reach"});
        EXPECT_EQ(answers.texts(), QStringList{"path cant reach"});
        EXPECT_EQ(ui.txt_saveFilePath->text(), QString::fromStdString(path("saved")));
        EXPECT_EQ(window->scanProfile.config.save_directory, stored);
    });
}

TEST_F(AsOtherUser, SaveDialogsChosenFolderTheUserCannotWriteIsRefused)
{
    asOtherUser([&] {
        auto window = resultWindow();
        window->ui->txt_saveFilePath->setText(QString::fromStdString(path("readonly")));
        FileDialogAnswers folders({QString::fromStdString(path("readonly"))});
        ModalAnswers answers({QMessageBox::Ok});
        window->ui->btn_widget_imageprocess_save->click();
        EXPECT_EQ(answers.texts(), (QStringList{"path cant reach,reset save path", "path cant reach"}));
        EXPECT_EQ(answers.titles(), (QStringList{"path cant reach", "path cant reach"}));
        EXPECT_EQ(window->ui->txt_saveFilePath->text(), QString::fromStdString(home() + "/taliroScan"));
        EXPECT_TRUE(written.isEmpty());
    });
}

}  // namespace
