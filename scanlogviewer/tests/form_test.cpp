// The two forms as the viewer shows them, in Chinese: the login dialog's
// fixed layout and the log window's texts, sizes and table settings.

#include "logindialog.h"
#include "logwindow.h"

#include <temp_folder.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include <gtest/gtest.h>

#include <filesystem>

namespace {

QString text(const QWidget *widget)
{
    if (const auto *label = qobject_cast<const QLabel *>(widget))
        return label->text();
    if (const auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->text();
    if (const auto *edit = qobject_cast<const QLineEdit *>(widget))
        return edit->text();
    return QStringLiteral("<no text>");
}

TEST(Forms, LoginDialog)
{
    testsupport::TempFolder root;
    LoginDialog dialog(nullptr, QString::fromStdString(root.dir()));
    EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("登录"));
    EXPECT_EQ(dialog.minimumSize(), QSize(373, 234));
    EXPECT_EQ(dialog.maximumSize(), QSize(373, 234));

    struct Expected {
        const char *name;
        const char *className;
        QRect geometry;
        const char *text;
    };
    const Expected widgets[] = {
        {"label", "QLabel", {50, 60, 101, 20}, "用户名"},
        {"label_2", "QLabel", {50, 120, 81, 20}, "密码"},
        {"txt_userName", "QLineEdit", {150, 50, 141, 28}, ""},
        {"txt_password", "QLineEdit", {150, 120, 141, 28}, ""},
        {"login", "QPushButton", {70, 180, 84, 28}, "登录"},
        {"cancel", "QPushButton", {210, 180, 84, 28}, "取消"},
    };
    for (const Expected &expected : widgets) {
        SCOPED_TRACE(expected.name);
        const auto *widget = dialog.findChild<QWidget *>(expected.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_STREQ(widget->metaObject()->className(), expected.className);
        EXPECT_EQ(widget->parentWidget(), &dialog);
        EXPECT_EQ(widget->geometry(), expected.geometry);
        EXPECT_EQ(text(widget), QString::fromUtf8(expected.text));
    }
    EXPECT_EQ(dialog.findChild<QLineEdit *>("txt_password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.findChild<QLineEdit *>("txt_userName")->echoMode(), QLineEdit::Normal);
}

TEST(Forms, LogWindow)
{
    testsupport::TempFolder root;
    MainWindow window(nullptr, QString::fromStdString(root.dir()));
    EXPECT_EQ(window.windowTitle(), QString::fromUtf8("泰岚扫描日志"));
    EXPECT_EQ(window.size(), QSize(505, 337));

    struct Expected {
        const char *name;
        const char *text;
    };
    const Expected buttons[] = {{"btn_clear", "清除列表"}, {"btn_refreash", "刷新"}, {"btn_close", "关闭"}};
    for (const Expected &expected : buttons) {
        SCOPED_TRACE(expected.name);
        const auto *button = window.findChild<QPushButton *>(expected.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(expected.text));
        EXPECT_EQ(button->maximumSize(), QSize(90, 28));
    }

    const auto *table = window.findChild<QTableWidget *>("showTable");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->columnCount(), 5);
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_FALSE(table->dragEnabled());
    EXPECT_EQ(table->verticalScrollMode(), QAbstractItemView::ScrollPerItem);
    EXPECT_TRUE(table->showGrid());
    EXPECT_TRUE(table->verticalHeader()->isHidden());
    EXPECT_NE(window.findChild<QWidget *>("statusBar"), nullptr);
}

}  // namespace
