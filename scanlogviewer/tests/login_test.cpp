// The login: what it accepts against the auth file, which is read again
// before every attempt, what a refusal shows, and Cancel.

#include "logindialog.h"

#include "shown_box.h"

#include <temp_folder.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

namespace {

using testsupport::TempFolder;

const std::string kDefaultFile = "{\n   \"password\" : \"ODUyNg==\",\n   \"userName\" : \"admin\"\n}\n\n";

class Login : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(m_root.file("scan")); }

    QString root() const { return QString::fromStdString(m_root.dir()); }
    void writeAuth(const std::string &content) const { m_root.write("scan/auth", content); }

    static QLineEdit *field(LoginDialog &dialog, const char *name) { return dialog.findChild<QLineEdit *>(name); }
    static QPushButton *button(LoginDialog &dialog, const char *name) { return dialog.findChild<QPushButton *>(name); }

    // Types the login and presses the login button; a refusal's box is
    // answered and returned.
    static ShownBox attempt(LoginDialog &dialog, const QString &userName, const QString &password)
    {
        field(dialog, "txt_userName")->setText(userName);
        field(dialog, "txt_password")->setText(password);
        return answerBox(QMessageBox::Yes, [&] { button(dialog, "login")->click(); });
    }

    TempFolder m_root;
};

TEST_F(Login, AcceptsOnlyTheStoredLoginTypedExactly)
{
    struct Case {
        const char *what;
        std::optional<std::string> authAtStart;  // nullopt: no file
        std::optional<std::string> authBeforeLogin;  // replaces the file after the dialog was made
        QString userName;
        QString password;
        bool accepted;
    };
    const std::string rootLogin = R"({"password":"YWJj","userName":"root"})";
    const Case cases[] = {
        {"default login written at the first start", std::nullopt, std::nullopt, "admin", "8526", true},
        {"empty file, as ScanStudio makes it", "", std::nullopt, "admin", "8526", true},
        {"user name with a capital", kDefaultFile, std::nullopt, "Admin", "8526", false},
        {"wrong password", kDefaultFile, std::nullopt, "admin", "852", false},
        {"password empty", kDefaultFile, std::nullopt, "admin", "", false},
        {"user name empty", kDefaultFile, std::nullopt, "", "8526", false},
        {"empty stored user name, empty typed", R"({"password":"YWJj"})", std::nullopt, "", "abc", false},
        {"file changed after start: new login", kDefaultFile, rootLogin, "root", "abc", true},
        {"file changed after start: old login", kDefaultFile, rootLogin, "admin", "8526", false},
        {"non-object file at start", "[1]", std::nullopt, "admin", "8526", false},
        {"non-object file after a good read keeps that login", kDefaultFile, "[1]", "admin", "8526", true},
        {"user name of another type", R"({"password":"ODUyNg==","userName":5})", std::nullopt, "admin", "8526", false},
        {"password of another type", R"({"password":[1],"userName":"admin"})", std::nullopt, "admin", "8526", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(m_root.file("scan/auth"));
        if (c.authAtStart)
            writeAuth(*c.authAtStart);
        LoginDialog dialog(nullptr, root());
        if (c.authBeforeLogin)
            writeAuth(*c.authBeforeLogin);
        const ShownBox box = attempt(dialog, c.userName, c.password);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(box.shown, !c.accepted);
    }
}

TEST_F(Login, RefusalWarnsWithOneButtonClearsBothFieldsAndFocusesTheUserName)
{
    LoginDialog dialog(nullptr, root());
    dialog.show();
    field(dialog, "txt_password")->setFocus();

    const ShownBox box = attempt(dialog, "admin", "wrong");

    EXPECT_EQ(box.title, QString::fromUtf8("警告"));
    EXPECT_EQ(box.text, QString::fromUtf8("用户名密码错误!"));
    EXPECT_EQ(box.buttons, QStringList{"&Yes"});
    EXPECT_TRUE(field(dialog, "txt_userName")->text().isEmpty());
    EXPECT_TRUE(field(dialog, "txt_password")->text().isEmpty());
    EXPECT_EQ(dialog.focusWidget(), field(dialog, "txt_userName"));
    EXPECT_TRUE(dialog.isVisible());

    // Attempts are not limited.
    attempt(dialog, "admin", "8526");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(Login, CancelRejects)
{
    LoginDialog dialog(nullptr, root());
    QTimer::singleShot(0, [&] { button(dialog, "cancel")->click(); });
    EXPECT_EQ(dialog.exec(), QDialog::Rejected);
}

}  // namespace
