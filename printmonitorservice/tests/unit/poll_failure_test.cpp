// When a failed poll turns a printer Off-line.

#include "poll_failure.h"

#include <gtest/gtest.h>

#include <libusb.h>

namespace {

stPrinterState BusyWithErrors()
{
    stPrinterState state;
    state.enCurrentStatus = PRINTER_STATUS_BUSY;
    state.iNumberOfError = 1;
    state.iNumberOfWarning = 1;
    state.listError = {ERR_FRONT_COVER_OPEN};
    state.listWarning = {ERR_TONER_LOW};
    state.dwRemainingToner = 9950;
    state.strProductName = QStringLiteral("Taliro TX 560MDW");
    return state;
}

void ExpectOffline(const stPrinterState& state, const char* what)
{
    EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_OFFLINE) << what;
    EXPECT_EQ(state.iNumberOfError, 0) << what;
    EXPECT_EQ(state.iNumberOfWarning, 0) << what;
    EXPECT_TRUE(state.listError.isEmpty()) << what;
    EXPECT_TRUE(state.listWarning.isEmpty()) << what;
    EXPECT_EQ(state.iFailCount, 0) << what;
}

TEST(PollFailure, UsbPrinterGoesOfflineOnlyWhenNoDeviceMatches)
{
    for (const int result : {-1, -2, -3, -4, -6, int(LIBUSB_ERROR_TIMEOUT), int(LIBUSB_ERROR_PIPE)}) {
        stPrinterState state = BusyWithErrors();
        EXPECT_FALSE(TakePollFailure(kConnectUsb, result, state)) << result;
        EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_BUSY) << result;
        EXPECT_EQ(state.listError.size(), 1) << result;
        EXPECT_EQ(state.iFailCount, 0) << "USB failures are not counted: " << result;
    }
    stPrinterState state = BusyWithErrors();
    EXPECT_TRUE(TakePollFailure(kConnectUsb, -5, state));
    ExpectOffline(state, "no matching device");
    EXPECT_EQ(state.dwRemainingToner, 9950u) << "only status, errors and warnings are reset";
}

TEST(PollFailure, NetworkPrinterGoesOfflineOnTheSixthFailureInARow)
{
    stPrinterState state = BusyWithErrors();
    // Unanswered queries and unparsable replies count alike.
    const int results[] = {-5, -1, -5, -3, -5};
    for (const int result : results) {
        EXPECT_FALSE(TakePollFailure(kConnectNetwork, result, state));
        EXPECT_EQ(state.enCurrentStatus, PRINTER_STATUS_BUSY);
        EXPECT_EQ(state.listError.size(), 1);
    }
    EXPECT_EQ(state.iFailCount, 5);
    EXPECT_TRUE(TakePollFailure(kConnectNetwork, -5, state));
    ExpectOffline(state, "sixth failure");
    // The count starts again after Off-line.
    EXPECT_FALSE(TakePollFailure(kConnectNetwork, -5, state));
    EXPECT_EQ(state.iFailCount, 1);
}

}  // namespace
