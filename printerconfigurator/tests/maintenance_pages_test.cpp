// The cleaning and alignment pages with USB printers on the scripted bus: the
// exact frames that reach the printer, the confirmations, the page states
// and the message of every outcome.

#include "configurator_fixture.h"
#include "net_reply_builder.h"

#include <QSpinBox>
#include <QTest>

#include <functional>

namespace {

using namespace configurator_test;
using net_reply::Bytes;
using net_reply::Hex;
using net_reply::Join;
using usb_testing::FakeAnswer;
using usb_testing::UsbCall;

const Bytes kCleaning = Hex("A5 00 07 50 E0 2E 02 01 01 01");
const Bytes kRepeatedCleaning = Hex("A5 00 08 50 E0 2E 02 01 01 12 02");
const Bytes kPrintAlignmentPage = Hex("A5 00 07 50 E0 2E 02 01 01 43");
const QString kConfirmCleaning =
    QStringLiteral("清洁前请确认打印机电源已打开并与计算机已连接，在纸盒放入A4或Letter尺寸的普通纸");
const QString kCleaningSent = QStringLiteral("清洁任务已发送，请查看打印机，在清洁完成前，请勿执行其他动作。");
const QString kConfirmAlignment =
    QStringLiteral("校准前请确认打印机电源已打开并与计算机已连接，在纸盒放入A4或Letter尺寸的普通纸");
const QString kAlignmentSent = QStringLiteral("校准任务已发送，请查看打印机，在校准完成前，请勿执行其他动作。");

class MaintenancePages : public ConfiguratorTest {
protected:
    // Printers take these frames without answering.
    void SetUp() override { AddUsbPrinters(); }
    void TearDown() override { ExpectGivenBack(m_usb); }
    // The frames each printer took, one after another.
    Bytes Sent(int device) const { return m_usb.bulkOutData(device, 0x01); }
};

TEST_F(MaintenancePages, CleaningTwiceSendsTheRepeatedCleaningUntilThePrinterChanges)
{
    MessageBoxRecorder boxes;
    CleanForm& page = ShowPage<CleanForm>(2);
    QPushButton* clean = Button(page, "buttonClean");
    EXPECT_EQ(clean->text(), QStringLiteral("清洗"));

    QTest::mouseClick(clean, Qt::LeftButton);
    EXPECT_EQ(Sent(0), kCleaning);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirmCleaning, kCleaningSent}));
    EXPECT_EQ(boxes.boxes()[0].defaultButton, QStringLiteral("取  消"));
    EXPECT_EQ(clean->text(), QStringLiteral("重新清洗"));

    QTest::mouseClick(clean, Qt::LeftButton);
    EXPECT_EQ(Sent(0), Join({kCleaning, kRepeatedCleaning}));

    // Another printer starts over, and so does coming back to the first.
    Printers(page)->setCurrentIndex(1);
    EXPECT_EQ(clean->text(), QStringLiteral("清洗"));
    QTest::mouseClick(clean, Qt::LeftButton);
    Printers(page)->setCurrentIndex(0);
    QTest::mouseClick(clean, Qt::LeftButton);
    EXPECT_EQ(Sent(1), kCleaning);
    EXPECT_EQ(Sent(0), Join({kCleaning, kRepeatedCleaning, kCleaning}));

    // So does entering the page again.
    Window().SlotChangeForm(0);
    ShowPage<CleanForm>(2);
    EXPECT_EQ(clean->text(), QStringLiteral("清洗"));
    QTest::mouseClick(clean, Qt::LeftButton);
    EXPECT_EQ(Sent(0), Join({kCleaning, kRepeatedCleaning, kCleaning, kCleaning}));
    EXPECT_EQ(boxes.texts().count(kCleaningSent), 5);
}

TEST_F(MaintenancePages, CancelInAConfirmationSendsNothing)
{
    MessageBoxRecorder boxes({QMessageBox::Cancel, QMessageBox::Cancel});
    CleanForm& clean = ShowPage<CleanForm>(2);
    QTest::mouseClick(Button(clean, "buttonClean"), Qt::LeftButton);
    EXPECT_EQ(Button(clean, "buttonClean")->text(), QStringLiteral("清洗"));
    AlignmentForm& alignment = ShowPage<AlignmentForm>(1);
    QTest::mouseClick(Button(alignment, "buttonPrint"), Qt::LeftButton);
    EXPECT_FALSE(Button(alignment, "buttonPrint")->isHidden());
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirmCleaning, kConfirmAlignment}));
    EXPECT_TRUE(m_usb.calls().empty());
}

TEST_F(MaintenancePages, EachExchangeOutcomeGivesItsMessage)
{
    struct Case {
        const char* what;
        std::function<void(usb_testing::FakeUsb&)> script;
        const char* message;
        bool success;
    };
    const char* connect = "连接打印机失败，请检查连接状态！";
    const Case cases[] = {
        {"answered", [](usb_testing::FakeUsb& usb) { usb.device(0).bulkInAnswers[0x82] = {FakeAnswer{0, {0xA5}}}; },
         "", true},
        {"taken without an answer", [](usb_testing::FakeUsb&) {}, "", true},
        {"libusb does not start", [](usb_testing::FakeUsb& usb) { usb.failCall(UsbCall::Init, LIBUSB_ERROR_OTHER); },
         "设备接口初始化失败！", false},
        {"unplugged", [](usb_testing::FakeUsb& usb) { usb.device(0).serialNumber = "OTHER"; }, connect, false},
        {"no printer interface",
         [](usb_testing::FakeUsb& usb) {
             usb.device(0).configs[0].interfaces[0].altSettings[0].endpoints[0].address = 0x02;
         },
         connect, false},
        {"no permission", [](usb_testing::FakeUsb& usb) { usb.failCall(UsbCall::Open, LIBUSB_ERROR_ACCESS, 2); },
         connect, false},
        {"held elsewhere",
         [](usb_testing::FakeUsb& usb) { usb.failCall(UsbCall::DetachKernelDriver, LIBUSB_ERROR_BUSY); }, connect,
         false},
        {"the frame does not go out",
         [](usb_testing::FakeUsb& usb) { usb.failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_TIMEOUT); },
         "与打印机通信失败，请检查打印机状态并重新尝试！", false},
    };
    for (const Case& c : cases) {
        for (int page : {2, 1}) {
            m_window.reset();
            usb_testing::FakeUsb usb;
            usb.addDevice(usb_testing::printerDevice(kVendor, kMdw, "ABC123"));
            c.script(usb);
            Widget window(ConfiguratorContext{Root(), &usb});
            window.show();
            window.SlotChangeForm(page);
            MessageBoxRecorder boxes;
            QWidget* current = window.Stack()->currentWidget();
            QTest::mouseClick(Button(*current, page == 2 ? "buttonClean" : "buttonPrint"), Qt::LeftButton);
            const QString done = page == 2 ? kCleaningSent : kAlignmentSent;
            const QString expected = c.success ? done : QString::fromUtf8(c.message);
            EXPECT_EQ(boxes.texts().value(1), expected) << c.what << " on page " << page;
            EXPECT_EQ(boxes.texts().size(), 2) << c.what;
            if (page == 2)
                EXPECT_EQ(Button(*current, "buttonClean")->text() == QStringLiteral("重新清洗"), c.success) << c.what;
            else
                EXPECT_EQ(Button(*current, "buttonFinish")->isHidden(), !c.success) << c.what;
            ExpectGivenBack(usb, c.what);
        }
    }
}

TEST_F(MaintenancePages, APortOfNoKnownModelIsRefusedBeforeAnyUsbCall)
{
    WritePrinters({UsbPrinter(QStringLiteral("Other"), QStringLiteral("Other/Printer?serial=ABC123"))});
    MessageBoxRecorder boxes;
    CleanForm& clean = ShowPage<CleanForm>(2);
    QTest::mouseClick(Button(clean, "buttonClean"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirmCleaning, QStringLiteral("不支持该打印机型号！")}));
    EXPECT_TRUE(m_usb.calls().empty());
}

TEST_F(MaintenancePages, AlignmentPrintsItsPageThenSendsTheSevenValues)
{
    MessageBoxRecorder boxes;
    AlignmentForm& page = ShowPage<AlignmentForm>(1);
    const QList<QSpinBox*> spinBoxes = page.findChildren<QSpinBox*>();
    ASSERT_EQ(spinBoxes.size(), 7);
    QWidget* rows = spinBoxes[0]->parentWidget();
    EXPECT_TRUE(rows->isHidden());
    EXPECT_TRUE(Button(page, "buttonFinish")->isHidden());
    EXPECT_TRUE(Printers(page)->isEnabled());

    QTest::mouseClick(Button(page, "buttonPrint"), Qt::LeftButton);
    EXPECT_EQ(Sent(0), kPrintAlignmentPage);
    EXPECT_EQ(boxes.texts(), (QStringList{kConfirmAlignment, kAlignmentSent}));
    EXPECT_FALSE(rows->isHidden());
    EXPECT_FALSE(Button(page, "buttonFinish")->isHidden());
    EXPECT_TRUE(Button(page, "buttonPrint")->isHidden());
    EXPECT_FALSE(Printers(page)->isEnabled()) << "the printer stays fixed while values are entered";

    for (QSpinBox* spinBox : spinBoxes) {
        EXPECT_EQ(spinBox->value(), 0);
        EXPECT_EQ(spinBox->minimum(), -6);
        EXPECT_EQ(spinBox->maximum(), 6);
    }
    const int values[] = {1, 0, -1, 2, -2, 6, -6};
    for (int r = 0; r < 7; ++r)
        page.findChild<QSpinBox*>(QStringLiteral("spinBox_%1").arg(r + 1))->setValue(values[r]);
    // A value out of range cannot be entered.
    page.findChild<QSpinBox*>(QStringLiteral("spinBox_1"))->setValue(7);
    EXPECT_EQ(page.findChild<QSpinBox*>(QStringLiteral("spinBox_1"))->value(), 6);
    page.findChild<QSpinBox*>(QStringLiteral("spinBox_1"))->setValue(1);

    boxes.clear();
    QTest::mouseClick(Button(page, "buttonFinish"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("已完成校准。")}) << "no confirmation for the values";
    EXPECT_EQ(Sent(0), Join({kPrintAlignmentPage, Hex("A5 00 24 50 E0 2E 11 00 00 00 0D"
                                                      " 00 00 00 08  00 00 00 00  FF FF FF F8  00 00 00 10"
                                                      " FF FF FF F0  00 00 00 30  FF FF F4 00")}));
    EXPECT_TRUE(rows->isHidden());
    EXPECT_FALSE(Button(page, "buttonPrint")->isHidden());
    EXPECT_TRUE(Printers(page)->isEnabled());
}

TEST_F(MaintenancePages, FailedValuesStayForAnotherTryAndAnEntryStartsAtZero)
{
    MessageBoxRecorder boxes;
    AlignmentForm& page = ShowPage<AlignmentForm>(1);
    QTest::mouseClick(Button(page, "buttonPrint"), Qt::LeftButton);
    auto* first = page.findChild<QSpinBox*>(QStringLiteral("spinBox_1"));
    auto* last = page.findChild<QSpinBox*>(QStringLiteral("spinBox_7"));
    first->setValue(-6);
    last->setValue(3);

    // The third bulk transfer: after the print frame and its unanswered IN.
    m_usb.failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_IO, 3);
    boxes.clear();
    QTest::mouseClick(Button(page, "buttonFinish"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("与打印机通信失败，请检查打印机状态并重新尝试！")});
    EXPECT_FALSE(Button(page, "buttonFinish")->isHidden());
    EXPECT_EQ(first->value(), -6);

    QTest::mouseClick(Button(page, "buttonFinish"), Qt::LeftButton);
    const Bytes sent = Sent(0);
    ASSERT_EQ(sent.size(), 10u + 39u);
    EXPECT_EQ(Bytes(sent.begin() + 10 + 11, sent.begin() + 10 + 15), Hex("FF FF FF D0"));
    EXPECT_EQ(Bytes(sent.end() - 4, sent.end()), Hex("00 00 06 00"));

    // Entering the page again leaves the entry state; the next entry starts at 0.
    QTest::mouseClick(Button(page, "buttonPrint"), Qt::LeftButton);
    first->setValue(4);
    Window().SlotChangeForm(0);
    ShowPage<AlignmentForm>(1);
    EXPECT_TRUE(Button(page, "buttonFinish")->isHidden());
    QTest::mouseClick(Button(page, "buttonPrint"), Qt::LeftButton);
    EXPECT_EQ(first->value(), 0);
}

}  // namespace
