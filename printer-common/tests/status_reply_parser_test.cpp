#include "status_reply_builder.h"
#include "util_printer_status.h"

#include <gtest/gtest.h>

#include <optional>

using namespace status_reply;

namespace {

// Parses a copy of exactly `reply.size()` bytes, so that any read past the
// end shows up under AddressSanitizer.
std::optional<stPrinterState> Parse(const Bytes& reply)
{
    const auto copy = std::make_unique<unsigned char[]>(reply.size());
    std::copy(reply.begin(), reply.end(), copy.get());
    UtilPrinterStatus parser;
    if (!parser.parseRecvBuf(copy.get(), reply.size()))
        return std::nullopt;
    stPrinterState state;
    parser.fillPrinterState(state);
    return state;
}

StatusReplyContent FullReply()
{
    StatusReplyContent content;
    content.vendor = "Taliro";
    content.product = "Taliro TX 560MDAW";
    content.serial = "SN-0042";
    content.status = 17;
    content.firmware = "2.4.1";
    content.text = "not interpreted";
    content.errors = {0x1200, 0x1107, 0x5000};
    content.warnings = {0x110D, 0x11EA};
    content.supplies = {
        TextSupply(kSupplySerialNumber, "CART-77"),
        NumberSupply(kSupplyTonerType, 3, 2),
        NumberSupply(kSupplyRemainingToner, 4250, 2),
        NumberSupply(kSupplyWasteToner, 0x0A0B0C, 3),
        NumberSupply(kSupplyOPCRotation, 0x01020304, 4),
        NumberSupply(kSupplyNumberOfPages, 1200, 2),
        NumberSupply(kSupplyNumberOfPrint, 1300, 3),
        NumberSupply(kSupplyPrintDotsCount, 0xFFFFFFFF, 4),
        NumberSupply(kSupplyPrinterNumOfPages, 5000, 4),
        NumberSupply(kSupplyPrinterNumOfPrint, 6000, 2),
    };
    return content;
}

TEST(StatusReplyLayout, SampleReplyHasTheWireBytesOfThePrinter)
{
    const Bytes expected = {
        0xA5, 0x00, 0x4F, 0x50, 0xE0, 0x74, 0x08, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x06,
        'T', 'a', 'l', 'i', 'r', 'o', 0x00, 0x10, 'T', 'a', 'l', 'i', 'r', 'o', ' ', 'T', 'X',
        ' ', '5', '6', '0', 'M', 'D', 'W', 0x00, 0x06, 'A', 'B', 'C', '1', '2', '3', 0x00,
        0x00, 0x10, 0x05, '1', '.', '0', '.', '3', 0x00, 0x02, 0x11, 0x06, 0x11, 0xA0, 0x01,
        0x11, 0x0D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x02, 0x10, 0x00, 0x02, 0x26, 0xDE, 0x00,
        0x00, 0x04, 'S', '0', '0', '1'};
    EXPECT_EQ(BuildStatusReply(SampleStatusReply()), expected);

    const auto state = Parse(expected);
    ASSERT_TRUE(state);
    EXPECT_EQ(state->strVenderName, "Taliro");
    EXPECT_EQ(state->strProductName, "Taliro TX 560MDW");
    EXPECT_EQ(state->strPrinterSerialNumber, "ABC123");
    EXPECT_EQ(state->enCurrentStatus, PRINTER_STATUS_PRINTING);
    EXPECT_EQ(state->strFWVersion, "1.0.3");
    EXPECT_EQ(state->listError, (QList<enErrorStatus>{ERR_FRONT_COVER_OPEN, ERR_TRAY_EMPTY}));
    EXPECT_EQ(state->listWarning, QList<enErrorStatus>{ERR_TONER_LOW});
    EXPECT_EQ(state->dwRemainingToner, 9950u);
    EXPECT_EQ(state->strSupplySerialNumber, "S001");
}

TEST(StatusReplyParser, FullReplyFillsEveryFieldOfTheState)
{
    stPrinterState state;
    state.iFailCount = 4;
    UtilPrinterStatus parser;
    const Bytes reply = BuildStatusReply(FullReply());
    ASSERT_TRUE(parser.parseRecvBuf(reply.data(), reply.size()));
    parser.fillPrinterState(state);

    EXPECT_EQ(state.strPrinterSerialNumber, "SN-0042");
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_SCANNING);
    EXPECT_EQ(state.strFWVersion, "2.4.1");
    EXPECT_EQ(state.strVenderName, "Taliro");
    EXPECT_EQ(state.strProductName, "Taliro TX 560MDAW");
    EXPECT_EQ(state.iNumberOfError, 3);
    EXPECT_EQ(state.iNumberOfWarning, 2);
    EXPECT_EQ(state.listError, (QList<enErrorStatus>{ERR_FIXER, ERR_UNKNOWN, ERR_IP_CONFLICT}));
    EXPECT_EQ(state.listWarning, (QList<enErrorStatus>{ERR_TONER_LOW, ERR_TONER_RUNNING_OUT}));
    EXPECT_EQ(state.strSupplySerialNumber, "CART-77");
    EXPECT_EQ(state.enSpplyType, TONER_TYPE_DEFAULT);
    EXPECT_EQ(state.dwRemainingToner, 4250u);
    EXPECT_EQ(state.dwWasteToner, 0x0A0B0Cu);
    EXPECT_EQ(state.dwOPCRotation, 0x01020304u);
    EXPECT_EQ(state.dwNumberOfPages, 1200u);
    EXPECT_EQ(state.dwNumberOfPrint, 1300u);
    EXPECT_EQ(state.dwPrintDotsCount, 0xFFFFFFFFu);
    EXPECT_EQ(state.dwPrinterNumOfPages, 5000u);
    EXPECT_EQ(state.dwPrinterNumOfPrint, 6000u);
    EXPECT_EQ(state.iFailCount, 0);
}

TEST(StatusReplyParser, EmptyReplyEndingAfterSupplyCountGivesZeroes)
{
    const Bytes reply = BuildStatusReply({});
    ASSERT_EQ(reply.size(), MinimumReplySize());
    const auto state = Parse(reply);
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->strVenderName.isEmpty());
    EXPECT_TRUE(state->strSupplySerialNumber.isEmpty());
    EXPECT_EQ(state->enCurrentStatus, PRINTER_STATUS_READY);
    EXPECT_EQ(state->iNumberOfError, 0);
    EXPECT_TRUE(state->listWarning.isEmpty());
    EXPECT_EQ(state->dwRemainingToner, 0u);
    EXPECT_EQ(state->dwPrinterNumOfPrint, 0u);
}

TEST(StatusReplyParser, ReplyEndingInsideAnyFieldFails)
{
    for (const StatusReplyContent& content : {FullReply(), StatusReplyContent{}}) {
        const Bytes reply = BuildStatusReply(content);
        for (std::size_t cut = 0; cut < reply.size(); ++cut)
            EXPECT_FALSE(Parse(Bytes(reply.begin(), reply.begin() + cut))) << "cut at " << cut;
    }
    StatusReplyContent content;
    content.vendor = "Taliro";
    Bytes vendorPastEnd = BuildStatusReply(content);
    vendorPastEnd[MinimumOffsetOf(FieldId::Vendor)] = 0xFF;  // states 0xFF06 bytes
    EXPECT_FALSE(Parse(vendorPastEnd));

    UtilPrinterStatus parser;
    EXPECT_FALSE(parser.parseRecvBuf(nullptr, 0));
}

TEST(StatusReplyParser, BytesAfterTheLastSupplyRecordAreIgnored)
{
    Bytes reply = BuildStatusReply(FullReply());
    const auto plain = Parse(reply);
    reply.insert(reply.end(), {0x10, 0x00, 0x02, 0x00, 0x01, 0xFF});
    const auto padded = Parse(reply);
    ASSERT_TRUE(plain && padded);
    EXPECT_EQ(padded->dwRemainingToner, plain->dwRemainingToner);
    EXPECT_EQ(padded->strSupplySerialNumber, plain->strSupplySerialNumber);
}

TEST(StatusReplyParser, OverlongTextsAreCutToTheirBufferAndTheParseGoesOn)
{
    struct Case {
        const char* what;
        std::string StatusReplyContent::*field;
        QString stPrinterState::*shown;  // null: the text is not shown
        std::size_t stated;
        std::size_t kept;
    };
    const Case cases[] = {
        {"vendor at its capacity", &StatusReplyContent::vendor, &stPrinterState::strVenderName, 260, 260},
        {"vendor one above", &StatusReplyContent::vendor, &stPrinterState::strVenderName, 261, 260},
        {"vendor of 16-bit length", &StatusReplyContent::vendor, &stPrinterState::strVenderName, 65535, 260},
        {"product", &StatusReplyContent::product, &stPrinterState::strProductName, 300, 260},
        {"serial", &StatusReplyContent::serial, &stPrinterState::strPrinterSerialNumber, 1000, 260},
        {"firmware at its capacity", &StatusReplyContent::firmware, &stPrinterState::strFWVersion, 255, 255},
        {"unnamed text", &StatusReplyContent::text, nullptr, 255, 0},
    };
    for (const Case& c : cases) {
        StatusReplyContent content = FullReply();
        std::string text;
        for (std::size_t i = 0; i < c.stated; ++i)
            text += static_cast<char>('a' + i % 26);
        content.*c.field = text;
        const auto state = Parse(BuildStatusReply(content));
        ASSERT_TRUE(state) << c.what;
        if (c.shown) {
            EXPECT_EQ((*state).*c.shown, QString::fromStdString(text.substr(0, c.kept))) << c.what;
        }
        // The fields after the long one are still read from their places.
        EXPECT_EQ(state->enCurrentStatus, PRINTER_STATUS_SCANNING) << c.what;
        EXPECT_EQ(state->listWarning.size(), 2) << c.what;
        EXPECT_EQ(state->dwRemainingToner, 4250u) << c.what;
        EXPECT_EQ(state->strSupplySerialNumber, "CART-77") << c.what;
    }
}

TEST(StatusReplyParser, SupplyRecordsAreBoundedAndDecodedByType)
{
    const std::string serial64(64, 'S');
    struct Case {
        const char* what;
        std::vector<SupplyRecord> records;
        QString serial;
        quint64 toner, pages, prints;
    };
    // The toner type follows the serial, so a serial left without its NUL
    // would run on into it.
    const SupplyRecord tonerType = NumberSupply(kSupplyTonerType, 0x41424344, 4);
    const Case cases[] = {
        {"serial at its capacity", {TextSupply(0, serial64), tonerType}, QString::fromStdString(serial64), 0, 0, 0},
        {"serial one above", {TextSupply(0, serial64 + "T"), tonerType}, QString::fromStdString(serial64), 0, 0, 0},
        {"serial of 255 bytes", {TextSupply(0, std::string(255, 'S')), tonerType}, QString::fromStdString(serial64), 0, 0, 0},
        {"empty serial", {TextSupply(0, "")}, "", 0, 0, 0},
        {"empty value as the last byte", {NumberSupply(kSupplyRemainingToner, 0, 0)}, "", 0, 0, 0},
        {"empty value then a record", {NumberSupply(kSupplyRemainingToner, 0, 0), NumberSupply(kSupplyNumberOfPages, 7, 2)}, "", 0, 7, 0},
        {"long value counts its first byte", {{kSupplyRemainingToner, Bytes(200, 0x2A)}, NumberSupply(kSupplyNumberOfPages, 9, 2)}, "", 0x2A, 9, 0},
        {"later record wins", {NumberSupply(kSupplyRemainingToner, 100, 2), NumberSupply(kSupplyRemainingToner, 200, 2)}, "", 200, 0, 0},
        {"unknown type is skipped", {NumberSupply(0x2000, 5, 2), NumberSupply(kSupplyRemainingToner, 6, 2)}, "", 6, 0, 0},
        {"pages alone", {NumberSupply(kSupplyNumberOfPages, 11, 2)}, "", 0, 11, 0},
        {"prints before pages", {NumberSupply(kSupplyNumberOfPrint, 12, 2), NumberSupply(kSupplyNumberOfPages, 13, 2)}, "", 0, 13, 12},
    };
    for (const Case& c : cases) {
        StatusReplyContent content;
        content.supplies = c.records;
        const auto state = Parse(BuildStatusReply(content));
        ASSERT_TRUE(state) << c.what;
        EXPECT_EQ(state->strSupplySerialNumber, c.serial) << c.what;
        EXPECT_EQ(state->dwRemainingToner, c.toner) << c.what;
        EXPECT_EQ(state->dwNumberOfPages, c.pages) << c.what;
        EXPECT_EQ(state->dwNumberOfPrint, c.prints) << c.what;
    }
}

TEST(StatusReplyParser, ByteToDwordReadsTwoToFourBytesBigEndianElseTheFirst)
{
    struct Case {
        Bytes data;
        quint64 expected;
    };
    const Case cases[] = {
        {{}, 0},
        {{0x07}, 0x07},
        {{0x01, 0x02}, 0x0102},
        {{0x01, 0x02, 0x03}, 0x010203},
        {{0x01, 0x02, 0x03, 0x04}, 0x01020304},
        {{0xFF, 0xFF, 0xFF, 0xFF}, 0xFFFFFFFF},
        {{0x05, 0x06, 0x07, 0x08, 0x09}, 0x05},
    };
    for (const Case& c : cases) {
        const auto copy = std::make_unique<unsigned char[]>(c.data.size());
        std::copy(c.data.begin(), c.data.end(), copy.get());
        EXPECT_EQ(UtilPrinterStatus::byteToDWORD(copy.get(), c.data.size()), c.expected)
            << c.data.size() << " bytes";
    }
}

}  // namespace
