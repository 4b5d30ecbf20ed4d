// The network settings page with a USB printer on the scripted bus: the exact
// frames of a read and a write, what the page shows for answered, silent and
// malformed replies, and when "设置" may be used.

#include "configurator_fixture.h"
#include "net_reply_builder.h"

#include <QLineEdit>
#include <QTest>

#include <functional>

namespace {

using namespace configurator_test;
using net_reply::Bytes;
using net_reply::Hex;
using net_reply::Join;
using usb_testing::FakeAnswer;
using usb_testing::UsbCall;

const Bytes kConnectTypeQuery = Hex("A5 00 0B 50 E0 B2 02 00 00 01 00 01 63 74");
const Bytes kReadFamily1 =
    Hex("A5 00 19 50 E0 B2 02 00 00 01 00 08 40 00 40 01 40 02 40 03 40 04 40 05 40 06 40 07");
const Bytes kReadFamily0 =
    Hex("A5 00 19 50 E0 B2 02 00 00 01 00 08 40 10 40 11 40 12 40 13 40 14 40 15 40 16 40 17");
// The printer's answer to the "ct" query when it uses tag family 0: an empty value.
const Bytes kEmptyConnectType = Hex("A5 00 1A 50 E0 B2 02 00 00 00 01 63 74"
                                    " 00 00 00 00 00 00 00 00 00 00 00 00 00 00  00 00");
const Bytes kWiredConnectType = net_reply::Reply({net_reply::ConnectTypeItem("eth")});
const Bytes kWriteAnswer = Hex("A5 00 04 50 E0 B2 03");
const QString kNoConnectType = QStringLiteral("获取打印机联网方式失败！");
const QString kCommunicate = QStringLiteral("与打印机通信失败，请检查打印机状态并重新尝试！");

class NetPage : public ConfiguratorTest {
public:
    void SetUp() override
    {
        AddUsbPrinters({NetworkPrinter(QStringLiteral("N1"), QStringLiteral("127.0.0.2")),
                        UsbPrinter(QStringLiteral("X1"), QStringLiteral("Other/Printer?serial=ABC123"))});
        m_page = &ShowPage<NetForm>(3);
    }
    void TearDown() override { ExpectGivenBack(m_usb); }

    // The printer's next answers, in order.
    void Answer(std::initializer_list<Bytes> answers, int device = 0)
    {
        for (const Bytes& answer : answers)
            m_usb.device(device).bulkInAnswers[0x82].push_back(FakeAnswer{0, answer});
    }
    void Click(const char* button) { QTest::mouseClick(Button(*m_page, button), Qt::LeftButton); }
    QLineEdit* Box(int row, int part) const
    {
        return m_page->findChild<QLineEdit*>(QStringLiteral("lineEdit_%1_%2").arg(row).arg(part));
    }
    // The seven addresses the boxes show.
    QStringList Shown() const
    {
        QStringList rows;
        for (int row = 1; row <= 7; ++row) {
            QStringList parts;
            for (int part = 1; part <= 4; ++part)
                parts << Box(row, part)->text();
            rows << parts.join(QLatin1Char('.'));
        }
        return rows;
    }
    int Source() const { return m_page->findChild<QComboBox*>("comboBoxSource")->currentIndex(); }
    bool SetEnabled() const { return Button(*m_page, "buttonSet")->isEnabled(); }
    Bytes Sent(int device = 0) const { return m_usb.bulkOutData(device, 0x01); }

    usb_testing::FakeUsb& Usb() { return m_usb; }

    NetForm* m_page = nullptr;
    const QStringList kZeros = QStringList() << "0.0.0.0" << "0.0.0.0" << "0.0.0.0" << "0.0.0.0" << "0.0.0.0"
                                             << "0.0.0.0" << "0.0.0.0";
};

TEST_F(NetPage, ReadAsksTheConnectTypeThenTheSettingsAndWriteSendsThemBack)
{
    MessageBoxRecorder boxes;
    EXPECT_EQ(Shown(), kZeros);
    EXPECT_EQ(Source(), 0);
    EXPECT_FALSE(Box(1, 1)->isEnabled()) << "DHCP: the boxes are off";
    EXPECT_FALSE(SetEnabled()) << "nothing to write before a read";

    Answer({kWiredConnectType, net_reply::SettingsReply(1), kWriteAnswer});
    Click("buttonGet");
    EXPECT_TRUE(boxes.texts().isEmpty()) << boxes.texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(Sent(), Join({kConnectTypeQuery, kReadFamily1}));
    EXPECT_EQ(Source(), 1);
    EXPECT_TRUE(Box(1, 1)->isEnabled());
    EXPECT_EQ(Shown(), (QStringList{"10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.53", "10.0.0.54", "0.0.0.0",
                                    "0.0.0.0"}));
    EXPECT_TRUE(SetEnabled());

    Box(5, 4)->setText(QStringLiteral("55"));
    Click("buttonSet");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("设置成功，请等待打印机完成重连！")});
    EXPECT_EQ(Sent(), Join({kConnectTypeQuery, kReadFamily1,
                            Hex("A5 00 48 50 E0 B2 03 00 09  40 00 00 01 01"
                                " 40 01 00 04 0A 00 00 05  40 02 00 04 FF FF FF 00  40 03 00 04 0A 00 00 01"
                                " 40 04 00 04 0A 00 00 35  40 05 00 04 0A 00 00 37  40 06 00 04 00 00 00 00"
                                " 40 07 00 04 00 00 00 00  40 0F 00 01 00")}))
        << "the write asks nothing first";
}

TEST_F(NetPage, AnEmptyConnectTypeReadsAndWritesTagFamilyZero)
{
    MessageBoxRecorder boxes;
    net_reply::Settings dhcp;
    dhcp.mode = "DHCP";
    Answer({kEmptyConnectType, net_reply::SettingsReply(0, dhcp), kWriteAnswer});
    Click("buttonGet");
    EXPECT_TRUE(boxes.texts().isEmpty());
    EXPECT_EQ(Sent(), Join({kConnectTypeQuery, kReadFamily0}));
    EXPECT_EQ(Source(), 0);
    EXPECT_FALSE(Box(1, 1)->isEnabled());
    EXPECT_EQ(Shown()[0], QStringLiteral("10.0.0.5"));

    Click("buttonSet");
    const Bytes sent = Sent();
    ASSERT_EQ(sent.size(), 14u + 28u + 75u);
    const Bytes write(sent.end() - 75, sent.end());
    EXPECT_EQ(Bytes(write.begin() + 9, write.begin() + 14), Hex("40 10 00 01 00"));
    for (int row = 0; row < 7; ++row)
        EXPECT_EQ(write[14 + 8 * row + 1], 0x11 + row) << row;
    EXPECT_EQ(Bytes(write.begin() + 70, write.end()), Hex("40 1F 00 01 00"));
}

// A read's outcome: what the printer does, and what the page shows after.
struct ReadCase {
    const char* name;
    std::function<void(NetPage&)> script;
    const char* message;  // empty: read without a message
    std::vector<const char*> shown;
};

class NetPageRead : public NetPage, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(NetPageRead, ShowsTheOutcome)
{
    const ReadCase& c = GetParam();
    c.script(*this);
    MessageBoxRecorder boxes;
    Click("buttonGet");
    const QStringList expected = *c.message ? QStringList{QString::fromUtf8(c.message)} : QStringList();
    EXPECT_EQ(boxes.texts(), expected);
    QStringList shown;
    for (const char* address : c.shown)
        shown << QString::fromLatin1(address);
    EXPECT_EQ(Shown(), shown);
    EXPECT_EQ(SetEnabled(), !*c.message);
}

const std::vector<const char*> kZeroRows(7, "0.0.0.0");
const std::vector<const char*> kDefaultRows = {"10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.53",
                                               "10.0.0.54", "0.0.0.0",       "0.0.0.0"};

// The settings reply of 130 bytes in packets of 64, 64 and 2, with the mode
// and the first four addresses.
Bytes ShortSettings()
{
    using net_reply::AddressItem;
    const Bytes body = net_reply::Body({net_reply::ModeItem(0x4000, "DHCP"), AddressItem(0x4001, "10.0.0.5"),
                                        AddressItem(0x4002, "255.255.0.0"), AddressItem(0x4003, "10.0.0.1"),
                                        AddressItem(0x4004, "10.0.0.53")});
    // Two full packets with their headers, then the last two bytes alone.
    Bytes reply = net_reply::Packets(Bytes(body.begin(), body.end() - 2));
    reply.insert(reply.end(), body.end() - 2, body.end());
    EXPECT_EQ(reply.size(), 130u);
    return reply;
}

Bytes LowerCaseMode()
{
    net_reply::Settings settings;
    settings.mode = "dhcp";
    return net_reply::SettingsReply(1, settings);
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, NetPageRead,
    ::testing::Values(
        ReadCase{"Answered", [](NetPage& t) { t.Answer({kWiredConnectType, net_reply::SettingsReply(1)}); }, "",
                 kDefaultRows},
        ReadCase{"ReplyOf130BytesInThreePackets", [](NetPage& t) { t.Answer({kWiredConnectType, ShortSettings()}); },
                 "", {"10.0.0.5", "255.255.0.0", "10.0.0.1", "10.0.0.53", "0.0.0.0", "0.0.0.0", "0.0.0.0"}},
        ReadCase{"SilentPrinter", [](NetPage&) {}, "获取打印机联网方式失败！", kZeroRows},
        ReadCase{"ConnectTypeAnswerOf7Bytes", [](NetPage& t) { t.Answer({Hex("A5 00 04 50 E0 B2 02")}); },
                 "获取打印机联网方式失败！", kZeroRows},
        ReadCase{"ConnectTypeAnswerWithoutItsItem",
                 [](NetPage& t) { t.Answer({net_reply::Reply({net_reply::ModeItem(0x4000, "DHCP")})}); },
                 "获取打印机联网方式失败！", kZeroRows},
        ReadCase{"LibusbDoesNotStart", [](NetPage& t) { t.Usb().failCall(UsbCall::Init, LIBUSB_ERROR_OTHER); },
                 "获取打印机联网方式失败！", kZeroRows},
        ReadCase{"NoAnswerToTheRead", [](NetPage& t) { t.Answer({kWiredConnectType}); },
                 "与打印机通信失败，请检查打印机状态并重新尝试！", kZeroRows},
        ReadCase{"TheReadDoesNotGoOut",
                 [](NetPage& t) {
                     t.Answer({kWiredConnectType});
                     t.Usb().failCall(UsbCall::BulkTransfer, LIBUSB_ERROR_IO, 3);
                 },
                 "与打印机通信失败，请检查打印机状态并重新尝试！", kZeroRows},
        ReadCase{"LibusbFailsBeforeTheRead",
                 [](NetPage& t) {
                     t.Answer({kWiredConnectType});
                     t.Usb().failCall(UsbCall::Init, LIBUSB_ERROR_OTHER, 2);
                 },
                 "设备接口初始化失败！", kZeroRows},
        ReadCase{"InterfaceTakenBeforeTheRead",
                 [](NetPage& t) {
                     t.Answer({kWiredConnectType});
                     t.Usb().failCall(UsbCall::ClaimInterface, LIBUSB_ERROR_BUSY, 3);
                     t.Usb().failCall(UsbCall::ClaimInterface, LIBUSB_ERROR_BUSY, 4);
                 },
                 "连接打印机失败，请检查连接状态！", kZeroRows},
        ReadCase{"LowerCaseMode", [](NetPage& t) { t.Answer({kWiredConnectType, LowerCaseMode()}); },
                 "获取数据失败，请稍后重试！", kZeroRows},
        ReadCase{"Garbage", [](NetPage& t) { t.Answer({kWiredConnectType, Bytes(40, 0x5A)}); },
                 "获取数据失败，请稍后重试！", kZeroRows}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST_F(NetPage, SetWaitsForAReadOfTheSelectedPrinter)
{
    MessageBoxRecorder boxes;
    Answer({kWiredConnectType, net_reply::SettingsReply(1)});
    Click("buttonGet");
    ASSERT_TRUE(SetEnabled());

    // Another printer: back to zeros, DHCP and no write until it is read.
    Printers(*m_page)->setCurrentIndex(1);
    EXPECT_EQ(Shown(), kZeros);
    EXPECT_EQ(Source(), 0);
    EXPECT_FALSE(SetEnabled());
    Printers(*m_page)->setCurrentIndex(0);
    EXPECT_FALSE(SetEnabled());

    Answer({kWiredConnectType, net_reply::SettingsReply(1)});
    Click("buttonGet");
    ASSERT_TRUE(SetEnabled());
    Window().SlotChangeForm(0);
    ShowPage<NetForm>(3);
    EXPECT_FALSE(SetEnabled()) << "entering the page resets it";
    EXPECT_EQ(Shown(), kZeros);
    EXPECT_TRUE(boxes.texts().isEmpty());
}

TEST_F(NetPage, WriteRefusesAnEmptyBoxAndReportsAPrinterThatDoesNotAnswer)
{
    MessageBoxRecorder boxes;
    Answer({kWiredConnectType, net_reply::SettingsReply(1)});
    Click("buttonGet");
    const std::size_t afterRead = Sent().size();

    Box(3, 2)->clear();
    Click("buttonSet");
    EXPECT_EQ(boxes.texts(), QStringList{QStringLiteral("不正确的地址格式！")});
    EXPECT_EQ(Sent().size(), afterRead) << "nothing sent";

    boxes.clear();
    Box(3, 2)->setText(QStringLiteral("0"));
    Click("buttonSet");
    EXPECT_EQ(boxes.texts(), QStringList{kCommunicate}) << "the write's missing answer is a failure";
    EXPECT_EQ(Sent().size(), afterRead + 75);
}

TEST_F(NetPage, BoxesTakeWholeNumbersUpTo255)
{
    m_page->findChild<QComboBox*>("comboBoxSource")->setCurrentIndex(1);
    QLineEdit* box = Box(1, 1);
    ASSERT_TRUE(box->isEnabled());
    struct Case {
        const char* typed;
        const char* kept;
    };
    for (const Case& c : {Case{"256", "25"}, Case{"255", "255"}, Case{"1a2", "12"}, Case{"-1", "1"},
                          Case{"1234", "123"}, Case{"0", "0"}}) {
        box->clear();
        QTest::keyClicks(box, QString::fromLatin1(c.typed));
        EXPECT_EQ(box->text(), QString::fromLatin1(c.kept)) << c.typed;
    }
}

TEST_F(NetPage, OnlyUsbPrintersOfAKnownModelAreAsked)
{
    MessageBoxRecorder boxes;
    Printers(*m_page)->setCurrentIndex(2);
    Click("buttonGet");
    Click("buttonSet");
    Printers(*m_page)->setCurrentIndex(3);
    Click("buttonGet");
    EXPECT_EQ(boxes.texts(), (QStringList{QStringLiteral("请选择通过USB连接的打印机进行操作！"),
                                          QStringLiteral("不支持该打印机型号！")}))
        << "\"设置\" stays off before a read";
    EXPECT_TRUE(m_usb.calls().empty());
}

}  // namespace
