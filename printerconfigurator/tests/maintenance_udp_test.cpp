// The cleaning and alignment pages with a network printer: the exact frames
// the simulated printer receives, and its silence counted as success.

#include "configurator_fixture.h"
#include "net_reply_builder.h"
#include "sim_printer.h"
#include "udp_exchange.h"

#include <QSpinBox>
#include <QTest>

namespace {

using namespace configurator_test;
using net_reply::Hex;

class NetworkMaintenance : public ConfiguratorTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_printer.waitListening());
        m_printer.setReply(Hex("A5 00 04 50 E0 2E 02"));
        WritePrinters({NetworkPrinter(QStringLiteral("N1"), QStringLiteral("127.0.0.2")),
                       NetworkPrinter(QStringLiteral("N2"), QStringLiteral("127.0.0.3"))});
    }
    void TearDown() override { EXPECT_TRUE(m_usb.calls().empty()); }

    std::vector<std::string> Frames() const
    {
        std::vector<std::string> frames;
        for (const testbed::SimFrame& frame : m_printer.frames()) {
            EXPECT_EQ(frame.header, "ok") << frame.hex;
            frames.push_back(frame.hex);
        }
        return frames;
    }

    testbed::SimPrinter m_printer{"127.0.0.2"};
};

TEST_F(NetworkMaintenance, CleaningRepeatedCleaningAndAnotherPrinterInBetween)
{
    MessageBoxRecorder boxes;
    CleanForm& page = ShowPage<CleanForm>(2);
    QPushButton* clean = Button(page, "buttonClean");
    QTest::mouseClick(clean, Qt::LeftButton);
    QTest::mouseClick(clean, Qt::LeftButton);
    Printers(page)->setCurrentIndex(1);
    Printers(page)->setCurrentIndex(0);
    QTest::mouseClick(clean, Qt::LeftButton);
    const std::vector<std::string> expected = {"A5 00 07 50 E0 2E 02 01 01 01", "A5 00 08 50 E0 2E 02 01 01 12 02",
                                               "A5 00 07 50 E0 2E 02 01 01 01"};
    EXPECT_EQ(Frames(), expected);
    EXPECT_EQ(boxes.texts().count(QStringLiteral("清洁任务已发送，请查看打印机，在清洁完成前，请勿执行其他动作。")), 3);
}

TEST_F(NetworkMaintenance, AlignmentPageAndValues)
{
    MessageBoxRecorder boxes;
    AlignmentForm& page = ShowPage<AlignmentForm>(1);
    QTest::mouseClick(Button(page, "buttonPrint"), Qt::LeftButton);
    const int values[] = {1, 0, -1, 2, -2, 6, -6};
    for (int r = 0; r < 7; ++r)
        page.findChild<QSpinBox*>(QStringLiteral("spinBox_%1").arg(r + 1))->setValue(values[r]);
    QTest::mouseClick(Button(page, "buttonFinish"), Qt::LeftButton);
    const std::vector<std::string> expected = {
        "A5 00 07 50 E0 2E 02 01 01 43",
        "A5 00 24 50 E0 2E 11 00 00 00 0D 00 00 00 08 00 00 00 00 FF FF FF F8 00 00 00 10 FF FF FF F0 00 00 00 30 "
        "FF FF F4 00"};
    EXPECT_EQ(Frames(), expected);
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("已完成校准。"));
}

TEST_F(NetworkMaintenance, APrinterThatDoesNotAnswerStillCountsAsSuccess)
{
    m_printer.setSilent();
    MessageBoxRecorder boxes;
    CleanForm& page = ShowPage<CleanForm>(2);
    QTest::mouseClick(Button(page, "buttonClean"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("清洁任务已发送，请查看打印机，在清洁完成前，请勿执行其他动作。"));
    EXPECT_EQ(Button(page, "buttonClean")->text(), QStringLiteral("重新清洗"));
    ASSERT_TRUE(m_printer.waitForLine("#1 silent"));
    EXPECT_EQ(Frames(), std::vector<std::string>{"A5 00 07 50 E0 2E 02 01 01 01"});
}

TEST_F(NetworkMaintenance, AnAddressThatIsNoDottedQuadFailsToConnect)
{
    WritePrinters({NetworkPrinter(QStringLiteral("N1"), QStringLiteral("127.0.0.02"))});
    MessageBoxRecorder boxes;
    CleanForm& page = ShowPage<CleanForm>(2);
    QTest::mouseClick(Button(page, "buttonClean"), Qt::LeftButton);
    EXPECT_EQ(boxes.texts().last(), QStringLiteral("连接打印机失败，请检查连接状态！"));
    EXPECT_EQ(Button(page, "buttonClean")->text(), QStringLiteral("清洗"));

    // A checkpoint the printer answers: the only frame it ever saw.
    const auto checkpoint = Hex("A5 00 07 50 E0 2E 02 01 01 43");
    unsigned char reply[64];
    int received = 0;
    ASSERT_EQ(UDPSendRecvData(QStringLiteral("127.0.0.2"), checkpoint.data(), static_cast<int>(checkpoint.size()),
                              reply, sizeof reply, received),
              0);
    EXPECT_EQ(Frames(), std::vector<std::string>{testbed::hexText(checkpoint)});
}

}  // namespace
