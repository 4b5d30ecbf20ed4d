// FirmwareUpdater's window on a temporary install root and the scripted USB
// bus: the printers it lists, the file it takes, the confirmation, the tries
// and the message of every outcome.

#include "assistant_test_files.h"
#include "fake_usb.h"
#include "message_box_recorder.h"
#include "temp_folder.h"
#include "widget.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

using usb_testing::FakeUsb;
using usb_testing::UsbCall;
using Bytes = std::vector<std::uint8_t>;

const QString kPortQ1 = QStringLiteral("Taliro/TX%20560MDW?serial=ABC123");
const QString kSuccess = QStringLiteral("操作成功，请等待打印机更新完成，更新过程中请勿断开电源。");
const QString kConnectFailed = QStringLiteral("连接打印机失败，请检查连接状态！");

class FirmwareWindow : public ::testing::Test {
public:
    void SetUp() override
    {
        m_usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
        WritePrinters({assistant_test::Printer(QStringLiteral("Q1"), 1, kPortQ1, QString(),
                                               QStringLiteral("taliro tx 560mdw")),
                       assistant_test::Printer(QStringLiteral("N1"), 2, QStringLiteral("127.0.0.2"),
                                               QStringLiteral("socket://127.0.0.2:9100")),
                       assistant_test::Printer(QStringLiteral("Q2"), 1,
                                               QStringLiteral("Taliro/TX%20560PDN?serial=Q2"), QString(),
                                               QStringLiteral("Taliro TX 560PDN"))});
        assistant_test::WriteSnapshot(Root(), QStringLiteral("Q1"), Bytes(82, 0x11));
    }

    QString Root() const { return QString::fromStdString(m_root.path()); }
    void WritePrinters(const QList<stPrinterInfo>& printers) { assistant_test::WritePrinterList(Root(), printers); }
    Widget& Window()
    {
        if (!m_window) {
            m_window = std::make_unique<Widget>(FirmwareContext{Root(), m_usbInUse});
            m_window->show();
        }
        return *m_window;
    }
    QTableWidget* Table() { return Window().findChild<QTableWidget*>("tablePrinterList"); }
    QLineEdit* FilePath() { return Window().findChild<QLineEdit*>("lineFilePath"); }
    void Click(const char* button) { QTest::mouseClick(Window().findChild<QPushButton*>(button), Qt::LeftButton); }
    QStringList Row(int row)
    {
        QStringList cells;
        for (int column = 0; column < Table()->columnCount(); ++column)
            cells << Table()->item(row, column)->text();
        return cells;
    }
    // A firmware file of `size` bytes; its path.
    QString Firmware(int size, const char* name = "fw.fls")
    {
        std::string bytes(static_cast<std::size_t>(size), '\0');
        for (int i = 0; i < size; ++i)
            bytes[static_cast<std::size_t>(i)] = static_cast<char>(i * 7 + 3);
        m_files.write(name, bytes);
        return QString::fromStdString(m_files.file(name));
    }
    // Selects Q1 and starts an update of the file, the boxes answered by
    // `answers`; the boxes shown.
    std::vector<ShownBox> Update(const QString& path,
                                 std::deque<QMessageBox::StandardButton> answers = {QMessageBox::Ok, QMessageBox::Ok})
    {
        Table()->selectRow(0);
        FilePath()->setText(path);
        MessageBoxRecorder boxes(std::move(answers));
        Click("buttonOK");
        return boxes.boxes();
    }
    static QStringList Texts(const std::vector<ShownBox>& boxes)
    {
        QStringList texts;
        for (const ShownBox& box : boxes)
            texts << box.text;
        return texts;
    }
    // The bus the next window uses.
    void UseUsb(FakeUsb& usb)
    {
        m_window.reset();
        m_usbInUse = &usb;
    }
    static void ExpectNothingLeft(const FakeUsb& usb, const char* what = "")
    {
        EXPECT_TRUE(usb.leaks().empty()) << what << ::testing::PrintToString(usb.leaks());
        EXPECT_TRUE(usb.misuses().empty()) << what << ::testing::PrintToString(usb.misuses());
    }

    testsupport::TempFolder m_root;
    testsupport::TempFolder m_files;
    FakeUsb m_usb;
    FakeUsb* m_usbInUse = &m_usb;
    std::unique_ptr<Widget> m_window;
};

TEST_F(FirmwareWindow, WindowAndTableAsTheFormGivesThem)
{
    Widget& window = Window();
    EXPECT_EQ(window.objectName(), QStringLiteral("Widget"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("泰岚激光打印机升级助手"));
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.minimumSize(), QSize(520, 400));
    EXPECT_EQ(window.maximumSize(), QSize(520, 400));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(window.findChild<QLabel*>("label")->text(), QStringLiteral("选择您要升级的打印机："));
    EXPECT_EQ(window.findChild<QLabel*>("label_2")->text(), QStringLiteral("选择您要升级的固件："));
    EXPECT_EQ(window.findChild<QPushButton*>("buttonRefresh")->text(), QStringLiteral("刷新列表"));
    EXPECT_TRUE(window.findChild<QPushButton*>("buttonRefresh")->isDefault());
    EXPECT_EQ(window.findChild<QPushButton*>("buttonBrowse")->text(), QStringLiteral("浏览"));
    EXPECT_EQ(window.findChild<QPushButton*>("buttonOK")->text(), QStringLiteral("一键升级"));
    EXPECT_EQ(window.findChild<QPushButton*>("buttonOK")->geometry(), QRect(420, 355, 80, 26));
    EXPECT_TRUE(FilePath()->text().isEmpty());

    QTableWidget* table = Table();
    EXPECT_EQ(table->geometry(), QRect(20, 40, 480, 200));
    ASSERT_EQ(table->columnCount(), 4);
    QStringList headers;
    for (int column = 0; column < 4; ++column)
        headers << table->horizontalHeaderItem(column)->text();
    EXPECT_EQ(headers, (QStringList{"打印机名称", "打印机型号", "连接方式", "连接状态"}));
    EXPECT_TRUE(table->horizontalHeader()->stretchLastSection());
    EXPECT_EQ(table->editTriggers(), QAbstractItemView::NoEditTriggers);
    EXPECT_EQ(table->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(table->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(FirmwareWindow, ListsTheUsbPrintersWithTheStateTheirStatusFileGives)
{
    ASSERT_EQ(Table()->rowCount(), 2) << "the network printer is not listed";
    EXPECT_EQ(Row(0), (QStringList{"Q1", "taliro tx 560mdw", "USB", "已连接"}));
    EXPECT_EQ(Row(1), (QStringList{"Q2", "Taliro TX 560PDN", "USB", "未连接"}));

    // The state follows the files only on "刷新列表".
    assistant_test::WriteSnapshot(Root(), QStringLiteral("Q2"), Bytes(82, 0x11));
    assistant_test::RemoveSnapshot(Root(), QStringLiteral("Q1"));
    EXPECT_EQ(Row(1)[3], QStringLiteral("未连接"));
    Click("buttonRefresh");
    EXPECT_EQ(Row(0)[3], QStringLiteral("未连接"));
    EXPECT_EQ(Row(1)[3], QStringLiteral("已连接"));

    // A list without USB printers: an empty table, and an update asks for a printer.
    WritePrinters({assistant_test::Printer(QStringLiteral("N1"), 2, QStringLiteral("127.0.0.2"))});
    Click("buttonRefresh");
    EXPECT_EQ(Table()->rowCount(), 0);
    MessageBoxRecorder boxes;
    FilePath()->setText(Firmware(10));
    Click("buttonOK");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("请选择一个打印机进行操作！")});
    EXPECT_TRUE(m_usb.calls().empty());
}

TEST_F(FirmwareWindow, UpdateSendsTheFileAsItIsAfterTheConfirmation)
{
    const QString path = Firmware(70000);
    const std::vector<ShownBox> boxes = Update(QStringLiteral("file://") + path);
    EXPECT_EQ(FilePath()->text(), path) << "the prefix is dropped";
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("是否升级打印机 Q1 ？"));
    EXPECT_EQ(boxes[0].title, QStringLiteral("泰岚激光打印机升级助手"));
    EXPECT_EQ(boxes[0].defaultButton, QStringLiteral("取  消"));
    EXPECT_EQ(boxes[1].text, kSuccess);
    EXPECT_EQ(boxes[1].title, QStringLiteral("泰岚激光打印机升级助手"));
    EXPECT_EQ(boxes[1].buttons, QStringList{QStringLiteral("确  定")});
    const std::string file = m_files.read("fw.fls");
    EXPECT_EQ(m_usb.bulkOutData(0, 0x01), Bytes(file.begin(), file.end()));
    EXPECT_EQ(m_usb.callCount(UsbCall::Init), 1);
    ExpectNothingLeft(m_usb);
}

TEST_F(FirmwareWindow, WhatEndsAnUpdateBeforeAnythingIsSent)
{
    struct Case {
        const char* what;
        std::function<QString(FirmwareWindow&)> path;
        std::deque<QMessageBox::StandardButton> answers;
        QStringList texts;
        const char* shownPath;  // null: the path as typed
    };
    const QString check = QStringLiteral("请检查文件路径！");
    const Case cases[] = {
        {"cancelled", [](FirmwareWindow& t) { return t.Firmware(10); }, {QMessageBox::Cancel},
         {QStringLiteral("是否升级打印机 Q1 ？")}, nullptr},
        {"no file", [](FirmwareWindow& t) { return t.Firmware(10) + QStringLiteral(".missing"); }, {}, {check},
         nullptr},
        {"a folder", [](FirmwareWindow& t) { return QString::fromStdString(t.m_files.path()); }, {}, {check}, nullptr},
        {"an empty path", [](FirmwareWindow&) { return QString(); }, {}, {check}, nullptr},
        {"the prefix in capitals", [](FirmwareWindow& t) { return QStringLiteral("FILE://") + t.Firmware(10); }, {},
         {check}, nullptr},
        {"the prefix alone", [](FirmwareWindow&) { return QStringLiteral("file://"); }, {}, {check}, ""},
    };
    for (const Case& c : cases) {
        const QString path = c.path(*this);
        EXPECT_EQ(Texts(Update(path, c.answers)), c.texts) << c.what;
        EXPECT_EQ(FilePath()->text(), c.shownPath ? QString::fromLatin1(c.shownPath) : path) << c.what;
    }
    EXPECT_TRUE(m_usb.calls().empty());

    // A model the table does not know.
    WritePrinters({assistant_test::Printer(QStringLiteral("Q1"), 1, kPortQ1, QString(),
                                           QStringLiteral("Taliro TX 999"))});
    Click("buttonRefresh");
    EXPECT_EQ(Texts(Update(Firmware(10))), QStringList{QStringLiteral("不支持该打印机型号！")});
    EXPECT_TRUE(m_usb.calls().empty());
}

TEST_F(FirmwareWindow, TriesThreeTimesOnlyWhileNothingWasSent)
{
    struct Case {
        const char* what;
        std::function<void(FakeUsb&)> script;
        int tries;
        std::size_t received;  // bytes of the 4000-byte image the printer took
        const char* message;
    };
    const Case cases[] = {
        {"no printer", [](FakeUsb& usb) { usb.device(0).serialNumber = "OTHER"; }, 3, 0,
         "连接打印机失败，请检查连接状态！"},
        {"libusb does not start",
         [](FakeUsb& usb) {
             for (int i = 1; i <= 3; ++i)
                 usb.failCall(UsbCall::Init, LIBUSB_ERROR_OTHER, i);
         },
         3, 0, "设备接口初始化失败！"},
        {"no printer interface",
         [](FakeUsb& usb) { usb.device(0).configs[0].interfaces[0].altSettings[0].endpoints[0].address = 0x02; }, 3,
         0, "连接打印机失败，请检查连接状态！"},
        {"not opened",
         [](FakeUsb& usb) {
             for (int i = 2; i <= 6; i += 2)
                 usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS, i);
         },
         3, 0, "连接打印机失败，请检查连接状态！"},
        {"not claimed",
         [](FakeUsb& usb) { usb.failCall(UsbCall::ClaimInterface, LIBUSB_ERROR_BUSY, 2); }, 2, 4000,
         "操作成功，请等待打印机更新完成，更新过程中请勿断开电源。"},
        {"the transfer does not start",
         [](FakeUsb& usb) {
             for (int i = 1; i <= 3; ++i)
                 usb.failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_IO, i);
         },
         3, 0, "与打印机通信失败，请检查打印机状态并重新尝试更新！"},
        {"the transfer stops midway", [](FakeUsb& usb) { usb.device(0).bulkOutAccepts = 1500; }, 1, 1500,
         "与打印机通信失败，请检查打印机状态并重新尝试更新！"},
        {"the second try goes through", [](FakeUsb& usb) { usb.failCall(UsbCall::Init, LIBUSB_ERROR_OTHER); }, 2,
         4000, "操作成功，请等待打印机更新完成，更新过程中请勿断开电源。"},
    };
    const QString path = Firmware(4000);
    for (const Case& c : cases) {
        FakeUsb usb;
        usb.addDevice(usb_testing::printerDevice(0x2F7A, 0x5A03, "ABC123"));
        c.script(usb);
        UseUsb(usb);
        const auto start = std::chrono::steady_clock::now();
        const QStringList texts = Texts(Update(path));
        const auto elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(texts.value(1), QString::fromUtf8(c.message)) << c.what;
        EXPECT_EQ(usb.callCount(UsbCall::Init), c.tries) << c.what;
        const std::string file = m_files.read("fw.fls");
        EXPECT_EQ(usb.bulkOutData(0, 0x01), Bytes(file.begin(), file.begin() + static_cast<long>(c.received)))
            << c.what;
        // A pause of 100 ms after each failed try, the last one included.
        const int failedTries = c.received == 4000 ? c.tries - 1 : c.tries;
        EXPECT_GE(elapsed, std::chrono::milliseconds(100 * failedTries)) << c.what;
        ExpectNothingLeft(usb, c.what);
        UseUsb(m_usb);
    }
}

TEST_F(FirmwareWindow, AnEmptyFileGoesOutAsOneZeroLengthTransfer)
{
    EXPECT_EQ(Texts(Update(Firmware(0))).value(1), kSuccess);
    ASSERT_EQ(m_usb.bulkTransfers().size(), 1u);
    EXPECT_EQ(m_usb.bulkTransfers()[0].length, 0);
    ExpectNothingLeft(m_usb);
}

TEST_F(FirmwareWindow, BrowseStartsAtTheTypedPathOrHomeAndKeepsTheTextOnCancel)
{
    const QString path = Firmware(10, "chosen.fls");
    struct Step {
        QString typed;
        bool choose;
        QString startFolder;
        QString after;
    };
    const QString home = QDir::homePath();
    const Step steps[] = {
        {QString(), false, home, QString()},
        {QString(), true, home, path},
        {path, false, QString::fromStdString(m_files.path()), path},
    };
    for (const Step& step : steps) {
        FilePath()->setText(step.typed);
        QString caption, folder, filter;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            caption = dialog->windowTitle();
            folder = dialog->directory().absolutePath();
            filter = dialog->nameFilters().join(QLatin1Char(';'));
            if (step.choose) {
                dialog->selectFile(path);
                QMetaObject::invokeMethod(dialog, "accept");
            } else {
                dialog->reject();
            }
        });
        Click("buttonBrowse");
        EXPECT_EQ(caption, QStringLiteral("选择您要升级的固件："));
        EXPECT_EQ(folder, step.startFolder);
        EXPECT_EQ(filter, QStringLiteral("fls Files(*.fls)"));
        EXPECT_EQ(FilePath()->text(), step.after);
    }
}

}  // namespace

namespace {

TEST(CheckFWFile, ReadsTheWholeFileAndRefusesWhatTheTransferCannotCount)
{
    testsupport::TempFolder folder;
    folder.write("fw.fls", std::string("\x01\x00\x02\xFF", 4));
    folder.write("empty.fls", "");
    QByteArray image;
    EXPECT_TRUE(Widget::CheckFWFile(QString::fromStdString(folder.file("fw.fls")), image));
    EXPECT_EQ(image, QByteArray("\x01\x00\x02\xFF", 4));
    EXPECT_TRUE(Widget::CheckFWFile(QString::fromStdString(folder.file("empty.fls")), image));
    EXPECT_TRUE(image.isEmpty());
    EXPECT_FALSE(Widget::CheckFWFile(QString::fromStdString(folder.file("missing.fls")), image));

    // A sparse file of 3 GiB: longer than an int, refused before anything is read.
    folder.write("huge.fls", "");
    std::filesystem::resize_file(folder.file("huge.fls"), 3ULL << 30);
    EXPECT_FALSE(Widget::CheckFWFile(QString::fromStdString(folder.file("huge.fls")), image));
    EXPECT_TRUE(image.isEmpty());
}

}  // namespace
