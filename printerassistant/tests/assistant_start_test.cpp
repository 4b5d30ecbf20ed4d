#include "appsetting.h"
#include "assistant_start.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLockFile>
#include <QMessageBox>
#include <QApplication>
#include <QTimer>
#include <QPushButton>

#include <filesystem>
#include <vector>

namespace {

TEST(CheckIsHide, MatchesMinusHideInAnyCaseAtAnyPosition)
{
    struct Case {
        std::vector<const char*> argv;
        bool hide;
    };
    const Case cases[] = {
        {{"PrinterAssistant"}, false},
        {{"PrinterAssistant", "-hide"}, true},
        {{"PrinterAssistant", "-HIDE"}, true},
        {{"PrinterAssistant", "-Hide"}, true},
        {{"PrinterAssistant", "x", "y", "-hIdE"}, true},
        {{"PrinterAssistant", "--hide"}, false},
        {{"PrinterAssistant", "hide"}, false},
        {{"PrinterAssistant", "-hidex"}, false},
        {{"-hide"}, false},  // the program name itself is not an argument
    };
    for (const Case& c : cases) {
        std::string line;
        for (const char* arg : c.argv)
            line += std::string(arg) + " ";
        EXPECT_EQ(CheckIsHide(static_cast<int>(c.argv.size()), c.argv.data()), c.hide) << line;
    }
}

TEST(CheckIsRunning, OneAssistantPerHomeFolder)
{
    testsupport::TempFolder home;
    testsupport::TempFolder otherHome;
    const QString path = InstanceLockPath(QString::fromStdString(home.path()));
    EXPECT_TRUE(path.startsWith(QString::fromStdString(home.dir())));

    QLockFile first(path);
    EXPECT_FALSE(CheckIsRunning(first));
    QLockFile second(path);
    EXPECT_TRUE(CheckIsRunning(second));
    QLockFile otherUser(InstanceLockPath(QString::fromStdString(otherHome.path())));
    EXPECT_FALSE(CheckIsRunning(otherUser));

    first.unlock();
    QLockFile again(path);
    EXPECT_FALSE(CheckIsRunning(again)) << "the lock is free once its holder let go";

    // A home folder where no lock can be made does not keep the assistant from starting.
    QLockFile nowhere(InstanceLockPath(QString::fromStdString(home.file("missing/folder"))));
    EXPECT_FALSE(CheckIsRunning(nowhere));
}

TEST(ShowAlreadyRunningBox, TellsThatTheAssistantRunsWithOneButton)
{
    QString title, text, buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            buttons += button->text() + QStringLiteral("|");
        box->buttons().first()->click();
    });
    ShowAlreadyRunningBox();
    EXPECT_EQ(title, QStringLiteral("泰岚激光打印机助手"));
    EXPECT_EQ(text, QStringLiteral("泰岚激光打印机助手已经处于运行中！"));
    EXPECT_EQ(icon, QMessageBox::Information);
    EXPECT_EQ(buttons, QStringLiteral("确  定|"));
}

// The settings dialog on a temporary home folder, with the entry beside the program.
class AutoStartSetting : public ::testing::Test {
protected:
    void SetUp() override
    {
        program.write(AppSetting::kAutoStartEntry, kEntry);
        std::filesystem::create_directories(autostartFolder);
    }
    std::unique_ptr<AppSetting> Dialog()
    {
        return std::make_unique<AppSetting>(AssistantPaths{QString::fromStdString(home.path()),
                                                           QString::fromStdString(home.path()),
                                                           QString::fromStdString(program.path())});
    }
    QCheckBox* Box(AppSetting& dialog) { return dialog.findChild<QCheckBox*>(QStringLiteral("checkBoxAutoStart")); }
    void Click(AppSetting& dialog, const char* button)
    {
        dialog.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    }
    std::string Installed() const { return testsupport::readText(entryPath); }
    bool IsInstalled() const { return std::filesystem::exists(entryPath); }

    static constexpr char kEntry[] = "[Desktop Entry]\nType=Application\nExec=PrinterAssistant -hide\n";
    testsupport::TempFolder home;
    testsupport::TempFolder program;
    std::string autostartFolder = home.file(".config/autostart");
    std::string entryPath = autostartFolder + "/" + AppSetting::kAutoStartEntry;
};

TEST_F(AutoStartSetting, CheckingCopiesTheEntryAndUncheckingRemovesIt)
{
    std::filesystem::remove_all(home.file(".config"));  // the folder is made on demand
    auto dialog = Dialog();
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("设置"));
    EXPECT_EQ(dialog->size(), QSize(400, 300));
    EXPECT_EQ(Box(*dialog)->text(), QStringLiteral("开机启动"));
    EXPECT_FALSE(Box(*dialog)->isChecked());

    Box(*dialog)->setChecked(true);
    Click(*dialog, "pushButtonOK");
    EXPECT_EQ(Installed(), kEntry) << "an identical copy";
    EXPECT_TRUE(Box(*dialog)->isChecked());
    EXPECT_TRUE(dialog->isHidden());

    Box(*dialog)->setChecked(false);
    Click(*dialog, "pushButtonOK");
    EXPECT_FALSE(IsInstalled());
    EXPECT_FALSE(Box(*dialog)->isChecked());
}

TEST_F(AutoStartSetting, AnExistingEntryIsNeverReplaced)
{
    testsupport::writeText(entryPath, "[Desktop Entry]\nExec=the user's own\n");
    auto dialog = Dialog();
    EXPECT_TRUE(Box(*dialog)->isChecked());
    Click(*dialog, "pushButtonOK");
    EXPECT_EQ(Installed(), "[Desktop Entry]\nExec=the user's own\n");
    EXPECT_FALSE(dialog->SaveAutoStartOption(true));
    EXPECT_EQ(Installed(), "[Desktop Entry]\nExec=the user's own\n");
}

TEST_F(AutoStartSetting, CancelAndCloseDropTheUnsavedChoice)
{
    testsupport::writeText(entryPath, kEntry);
    auto dialog = Dialog();
    Box(*dialog)->setChecked(false);
    Click(*dialog, "pushButtonCancel");
    EXPECT_TRUE(IsInstalled());
    EXPECT_TRUE(Box(*dialog)->isChecked()) << "Cancel checks the box again";

    dialog->show();
    Box(*dialog)->setChecked(false);
    EXPECT_FALSE(dialog->close()) << "closing only hides the dialog";
    EXPECT_TRUE(dialog->isHidden());
    EXPECT_TRUE(Box(*dialog)->isChecked());
    EXPECT_TRUE(IsInstalled());
}

TEST_F(AutoStartSetting, AMissingEntryBesideTheProgramShowsUncheckedAfterOK)
{
    std::filesystem::remove(program.file(AppSetting::kAutoStartEntry));
    auto dialog = Dialog();
    Box(*dialog)->setChecked(true);
    Click(*dialog, "pushButtonOK");
    EXPECT_FALSE(IsInstalled());
    EXPECT_FALSE(Box(*dialog)->isChecked());
}

}  // namespace
