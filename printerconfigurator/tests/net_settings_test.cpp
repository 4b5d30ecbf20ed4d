// The network settings frames and replies: the bytes a write sends, the
// packet headers a reply loses, and what the item parser takes, refuses and
// never reads past.

#include "net_reply_builder.h"
#include "net_settings.h"
#include "udp_exchange.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace {

using net_reply::Bytes;
using net_reply::Hex;

stIPInfo StaticSettings(int iface)
{
    stIPInfo info;
    info.iface = iface;
    info.mode = 1;
    info.ip = QStringLiteral("10.0.0.5");
    info.mask = QStringLiteral("255.255.255.0");
    info.gateway = QStringLiteral("10.0.0.1");
    info.dns1 = QStringLiteral("10.0.0.53");
    info.dns2 = QStringLiteral("0.0.0.0");
    info.wins1 = QStringLiteral("0.0.0.0");
    info.wins2 = QStringLiteral("0.0.0.0");
    return info;
}

Bytes Written(const stIPInfo& info, bool* valid = nullptr)
{
    SettingsWriteFrame frame{};
    const bool result = WriteSendData(info, frame);
    if (valid != nullptr)
        *valid = result;
    return Bytes(frame.begin(), frame.end());
}

TEST(SettingsWrite, CarriesModeAndAddressesInTheTagFamilyOfTheRead)
{
    bool valid = false;
    EXPECT_EQ(Written(StaticSettings(1), &valid),
              Hex("A5 00 48 50 E0 B2 03 00 09"
                  " 40 00 00 01 01"
                  " 40 01 00 04 0A 00 00 05  40 02 00 04 FF FF FF 00  40 03 00 04 0A 00 00 01"
                  " 40 04 00 04 0A 00 00 35  40 05 00 04 00 00 00 00  40 06 00 04 00 00 00 00"
                  " 40 07 00 04 00 00 00 00"
                  " 40 0F 00 01 00"));
    EXPECT_TRUE(valid);

    stIPInfo dhcp = StaticSettings(0);
    dhcp.mode = 0;
    EXPECT_EQ(Written(dhcp),
              Hex("A5 00 48 50 E0 B2 03 00 09"
                  " 40 10 00 01 00"
                  " 40 11 00 04 0A 00 00 05  40 12 00 04 FF FF FF 00  40 13 00 04 0A 00 00 01"
                  " 40 14 00 04 0A 00 00 35  40 15 00 04 00 00 00 00  40 16 00 04 00 00 00 00"
                  " 40 17 00 04 00 00 00 00"
                  " 40 1F 00 01 00"));
}

TEST(SettingsWrite, AnInvalidAddressLeavesItsBytesZeroAndFailsTheFrame)
{
    stIPInfo info = StaticSettings(1);
    info.ip = QStringLiteral("192.168.001.020");  // each part taken as a decimal number
    info.gateway = QStringLiteral("10.0.0.256");
    bool valid = true;
    const Bytes frame = Written(info, &valid);
    EXPECT_FALSE(valid);
    EXPECT_EQ(Bytes(frame.begin() + 18, frame.begin() + 22), Hex("C0 A8 01 14"));
    EXPECT_EQ(Bytes(frame.begin() + 30, frame.begin() + 38), Hex("40 03 00 04 00 00 00 00"));
    EXPECT_EQ(Bytes(frame.begin() + 70, frame.end()), Hex("40 0F 00 01 00"));
}

TEST(FormatIPData, StoresTheFourDecimalPartsOfValidAddressesOnly)
{
    struct Case {
        const char* address;
        bool valid;
        const char* bytes;
    };
    const Case cases[] = {
        {"192.168.1.20", true, "C0 A8 01 14"},  {"192.168.001.020", true, "C0 A8 01 14"},
        {"0.0.0.0", true, "00 00 00 00"},       {"255.255.255.255", true, "FF FF FF FF"},
        {"1.2.3", false, "EE EE EE EE"},        {"1.2.3.4.5", false, "EE EE EE EE"},
        {"1..3.4", false, "EE EE EE EE"},       {"1.2.3.256", false, "EE EE EE EE"},
        {" 1.2.3.4", false, "EE EE EE EE"},     {"", false, "EE EE EE EE"},
    };
    for (const Case& c : cases) {
        unsigned char frame[6] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        EXPECT_EQ(FormatIPData(QString::fromLatin1(c.address), frame, 1), c.valid) << c.address;
        EXPECT_EQ(Bytes(frame + 1, frame + 5), Hex(c.bytes)) << c.address;
        EXPECT_EQ(frame[0], 0xEE) << c.address;
        EXPECT_EQ(frame[5], 0xEE) << c.address;
    }
}

TEST(FormatRecvData, DropsTheHeaderOfEachPacketThatBeginsWith0xA5)
{
    // 130 bytes in packets of 64, 64 and 2: headers at 0 and 64 go; at 128
    // only when that byte is 0xA5.
    Bytes reply(130);
    for (std::size_t i = 0; i < reply.size(); ++i)
        reply[i] = static_cast<std::uint8_t>(i);
    reply[0] = 0xA5;
    reply[64] = 0xA5;
    QByteArray body;
    ASSERT_TRUE(FormatRecvData(reply.data(), static_cast<int>(reply.size()), body));
    Bytes expected;
    for (std::size_t i = 5; i < 64; ++i)
        expected.push_back(static_cast<std::uint8_t>(i));
    for (std::size_t i = 69; i < 130; ++i)
        expected.push_back(static_cast<std::uint8_t>(i));
    EXPECT_EQ(Bytes(body.begin(), body.end()), expected);

    reply[128] = 0xA5;
    ASSERT_TRUE(FormatRecvData(reply.data(), static_cast<int>(reply.size()), body));
    expected.resize(expected.size() - 2);
    EXPECT_EQ(Bytes(body.begin(), body.end()), expected) << "a header cut short at the end";

    // Only multiples of 64 count, and a packet without 0xA5 keeps its bytes.
    reply[64] = 0x00;
    reply[65] = 0xA5;
    reply[128] = 0x80;
    ASSERT_TRUE(FormatRecvData(reply.data(), static_cast<int>(reply.size()), body));
    EXPECT_EQ(body.size(), 125);
    EXPECT_EQ(static_cast<std::uint8_t>(body[59]), 0x00);
    EXPECT_EQ(static_cast<std::uint8_t>(body[60]), 0xA5);

    // A reply must be longer than 6 bytes and begin with 0xA5.
    EXPECT_FALSE(FormatRecvData(Hex("A5 00 03 50 E0 B2").data(), 6, body));
    EXPECT_TRUE(FormatRecvData(Hex("A5 00 04 50 E0 B2 02").data(), 7, body));
    EXPECT_FALSE(FormatRecvData(Hex("5A 00 04 50 E0 B2 02 00").data(), 8, body));
    EXPECT_FALSE(FormatRecvData(nullptr, 0, body));
}

TEST(ParseRecvData, ReadsASettingsReplyInEitherTagFamily)
{
    for (int iface : {0, 1}) {
        const Bytes reply = net_reply::SettingsReply(iface);
        ASSERT_GT(reply.size(), 128u) << "the reply spans three packets";
        stIPInfo info;
        ASSERT_TRUE(ParseRecvData(reply.data(), static_cast<int>(reply.size()), info)) << iface;
        EXPECT_EQ(info.mode, 1);
        EXPECT_EQ(info.ip, QStringLiteral("10.0.0.5"));
        EXPECT_EQ(info.mask, QStringLiteral("255.255.255.0"));
        EXPECT_EQ(info.gateway, QStringLiteral("10.0.0.1"));
        EXPECT_EQ(info.dns1, QStringLiteral("10.0.0.53"));
        EXPECT_EQ(info.dns2, QStringLiteral("10.0.0.54"));
        EXPECT_EQ(info.wins1, QStringLiteral("0.0.0.0"));
        EXPECT_EQ(info.wins2, QStringLiteral("0.0.0.0"));
        EXPECT_EQ(info.iface, kIfaceUnknown) << "only a \"ct\" item tells the family";
    }
}

TEST(ParseRecvData, ConnectTypeItemSetsTheTagFamily)
{
    // As a printer answers the "ct" query: an empty value.
    const Bytes emptyValue = Hex("A5 00 1A 50 E0 B2 02 00 00 00 01 63 74"
                                 " 00 00 00 00 00 00 00 00 00 00 00 00 00 00  00 00");
    stIPInfo info;
    EXPECT_TRUE(ParseRecvData(emptyValue.data(), static_cast<int>(emptyValue.size()), info));
    EXPECT_EQ(info.iface, 0);

    const Bytes wireless = net_reply::Reply({net_reply::ConnectTypeItem("wlan")});
    EXPECT_TRUE(ParseRecvData(wireless.data(), static_cast<int>(wireless.size()), info));
    EXPECT_EQ(info.iface, 1);
}

TEST(ParseRecvData, RefusesWhatIsNoSettingsReplyAndNeverReadsPastIt)
{
    using net_reply::AddressItem;
    using net_reply::ModeItem;
    struct Case {
        const char* what;
        Bytes reply;
        bool parsed;
        int mode;        // after the parse
        const char* ip;  // after the parse
    };
    const Bytes dhcpThenIp = net_reply::Reply({ModeItem(0x4000, "DHCP"), AddressItem(0x4001, "10.1.2.3")});
    const Case cases[] = {
        {"DHCP and an address", dhcpThenIp, true, 0, "10.1.2.3"},
        {"a lower-case mode", net_reply::Reply({ModeItem(0x4000, "dhcp")}), false, 7, ""},
        {"another mode", net_reply::Reply({ModeItem(0x4010, "Auto")}), false, 7, ""},
        {"a value ending at a NUL", net_reply::Reply({ModeItem(0x4000, std::string("Static\0xyz", 10))}), true, 1, ""},
        {"fields set before a bad item stay",
         net_reply::Reply({AddressItem(0x4011, "10.1.2.3"), AddressItem(0x4012, "10.1.2")}), false, 7, "10.1.2.3"},
        {"an address with a blank", net_reply::Reply({AddressItem(0x4001, "10.1.2.3 ")}), false, 7, ""},
        {"an unknown tag", net_reply::Reply({AddressItem(0x4008, "10.1.2.3")}), false, 7, ""},
        {"the closing tag", net_reply::Reply({AddressItem(0x400F, "10.1.2.3")}), false, 7, ""},
        {"a lone byte after the items", [&] {
             Bytes body = net_reply::Body({AddressItem(0x4001, "10.1.2.3")});
             body.push_back(0x40);
             return net_reply::Packets(body);
         }(), false, 7, "10.1.2.3"},
        {"an item cut before its length", [&] {
             Bytes body = net_reply::Body({ModeItem(0x4000, "DHCP")});
             body.resize(body.size() - 6);
             return net_reply::Packets(body);
         }(), false, 7, ""},
        {"a value running past the reply", [&] {
             Bytes body = net_reply::Body({AddressItem(0x4001, "10.1.2.3")});
             body.pop_back();
             return net_reply::Packets(body);
         }(), false, 7, ""},
        {"a length of 0xFFFF", [&] {
             Bytes item = AddressItem(0x4001, "");
             item[12] = 0xFF;
             item[13] = 0xFF;
             return net_reply::Reply({item});
         }(), false, 7, ""},
        {"a value of 401 bytes", net_reply::Reply({ModeItem(0x4000, std::string(401, 'S'))}), false, 7, ""},
        {"a value of 400 bytes", net_reply::Reply({ModeItem(0x4000, "Static" + std::string(394, '\0'))}), true, 1,
         ""},
        {"no items", net_reply::Reply({}), true, 7, ""},
        {"bytes between tag and length are not read",
         net_reply::Reply({ModeItem(0x4000, "DHCP", 0xA5), AddressItem(0x4001, "10.1.2.3", 0xFF)}), true, 0,
         "10.1.2.3"},
    };
    for (const Case& c : cases) {
        stIPInfo info;
        info.mode = 7;
        // A copy of exactly the reply's size, so the sanitizer sees any read past it.
        std::vector<unsigned char> exact(c.reply.begin(), c.reply.end());
        EXPECT_EQ(ParseRecvData(exact.data(), static_cast<int>(exact.size()), info), c.parsed) << c.what;
        EXPECT_EQ(info.mode, c.mode) << c.what;
        EXPECT_EQ(info.ip, QString::fromLatin1(c.ip)) << c.what;
    }
}

}  // namespace
