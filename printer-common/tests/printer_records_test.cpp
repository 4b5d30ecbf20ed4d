#include "printer_records.h"
#include "util_recv_buf_keeper.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

stPrinterState BusyState()
{
    stPrinterState state;
    state.strPrinterSerialNumber = "ABC123";
    state.enCurrentStatus = PRINTER_STATUS_PRINTING;
    state.strFWVersion = "1.0.3";
    state.strVenderName = "Taliro";
    state.strProductName = "Taliro TX 560MDW";
    state.iNumberOfError = 2;
    state.iNumberOfWarning = 1;
    state.listError = {ERR_FRONT_COVER_OPEN, ERR_TRAY_EMPTY};
    state.listWarning = {ERR_TONER_LOW};
    state.strSupplySerialNumber = "S001";
    state.dwRemainingToner = 9950;
    state.dwWasteToner = 1;
    state.dwNumberOfPages = 2;
    state.iFailCount = 3;
    return state;
}

TEST(PrinterRecords, ResetsGiveEmptyRecordsAndAnOfflineState)
{
    stPrinterInfo info{"Q1", "Taliro TX 560MDW", 1, "Taliro/TX%20560MDW?serial=1", "usb://x"};
    InitStPrinterInfo(info);
    EXPECT_TRUE(info.strName.isEmpty() && info.strModel.isEmpty() && info.strPort.isEmpty()
                && info.strURI.isEmpty());
    EXPECT_EQ(info.iConnectType, 0);

    stPrinterState state = BusyState();
    InitStPrinterState(state);
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_OFFLINE);
    EXPECT_TRUE(state.strPrinterSerialNumber.isEmpty() && state.strFWVersion.isEmpty()
                && state.strVenderName.isEmpty() && state.strSupplySerialNumber.isEmpty());
    EXPECT_EQ(state.iNumberOfError + state.iNumberOfWarning + state.iFailCount, 0);
    EXPECT_TRUE(state.listError.isEmpty() && state.listWarning.isEmpty());
    EXPECT_EQ(state.dwRemainingToner + state.dwWasteToner + state.dwNumberOfPages, 0u);
}

TEST(PrinterRecords, StatusChangeLooksAtStatusTonerAndTheCodeLists)
{
    struct Case {
        const char* what;
        std::function<void(stPrinterState&)> edit;
        bool changed;
    };
    const Case cases[] = {
        {"nothing", [](stPrinterState&) {}, false},
        {"status", [](stPrinterState& s) { s.enCurrentStatus = PRINTER_STATUS_READY; }, true},
        {"remaining toner", [](stPrinterState& s) { s.dwRemainingToner = 9949; }, true},
        {"error added", [](stPrinterState& s) { s.listError.append(ERR_TONER_LOW); }, true},
        {"error replaced", [](stPrinterState& s) { s.listError[1] = ERR_TONER_LOW; }, true},
        {"error order", [](stPrinterState& s) { s.listError = {ERR_TRAY_EMPTY, ERR_FRONT_COVER_OPEN}; }, true},
        {"warnings emptied", [](stPrinterState& s) { s.listWarning.clear(); }, true},
        {"warning moved to errors", [](stPrinterState& s) { s.listWarning.clear();
                                                            s.listError.append(ERR_TONER_LOW); }, true},
        {"firmware", [](stPrinterState& s) { s.strFWVersion = "9.9"; }, false},
        {"waste toner", [](stPrinterState& s) { s.dwWasteToner = 77; }, false},
        {"pages", [](stPrinterState& s) { s.dwNumberOfPages = 77; }, false},
        {"counts only", [](stPrinterState& s) { s.iNumberOfError = 5; s.iNumberOfWarning = 0; }, false},
        {"serials", [](stPrinterState& s) { s.strPrinterSerialNumber = "X"; s.strSupplySerialNumber = "Y"; }, false},
        {"fail count", [](stPrinterState& s) { s.iFailCount = 10; }, false},
    };
    for (const Case& c : cases) {
        const stPrinterState base = BusyState();
        stPrinterState edited = BusyState();
        c.edit(edited);
        EXPECT_EQ(CheckStatusChange(base, edited), c.changed) << c.what;
        EXPECT_EQ(CheckStatusChange(edited, base), c.changed) << c.what;
    }
}

TEST(RecvBufKeeper, ReportsAReplyOnlyWhenItsLengthOrBytesDiffer)
{
    using Bytes = std::vector<unsigned char>;
    struct Step {
        Bytes reply;
        bool changed;
    };
    const Bytes a = {1, 2, 3, 4};
    const Bytes b = {1, 2, 3, 5};
    const Step steps[] = {
        {{}, false},          // 0 against the kept 0
        {a, true},
        {a, false},
        {b, true},            // same length, one byte differs
        {{1, 2, 3}, true},    // a prefix of the kept reply
        {{1, 2, 3}, false},
        {{}, true},
        {{}, false},
    };
    UtilRecvBufKeeper keeper;
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        const Bytes& reply = steps[i].reply;
        EXPECT_EQ(keeper.CheckRecvBufChange(reply.empty() ? nullptr : reply.data(), reply.size()),
                  steps[i].changed)
            << "step " << i;
    }
}

TEST(RecvBufKeeper, KeepsAtMostItsCapacity)
{
    const std::size_t size = UtilRecvBufKeeper::kCapacity + 100;
    auto reply = std::make_unique<unsigned char[]>(size);
    for (std::size_t i = 0; i < size; ++i)
        reply[i] = static_cast<unsigned char>(i * 7);
    UtilRecvBufKeeper keeper;
    EXPECT_TRUE(keeper.CheckRecvBufChange(reply.get(), size));
    EXPECT_FALSE(keeper.CheckRecvBufChange(reply.get(), size));
    // Only the kept bytes count: a change past them is not seen.
    reply[size - 1] ^= 0xFF;
    EXPECT_FALSE(keeper.CheckRecvBufChange(reply.get(), size));
    reply[UtilRecvBufKeeper::kCapacity - 1] ^= 0xFF;
    EXPECT_TRUE(keeper.CheckRecvBufChange(reply.get(), size));
}

}  // namespace
