#include "model_table.h"

#include <gtest/gtest.h>

namespace {

TEST(ModelTable, VidPidNeedsTheUriKeyFollowedByAQuestionMark)
{
    struct Case {
        const char* port;
        bool found;
        int pid;
    };
    const Case cases[] = {
        {"Taliro/TX%20560MDAW?serial=ABC123", true, 0x5A01},
        {"Taliro/TX%20560MDA?serial=ABC123", true, 0x5A02},
        {"Taliro/TX%20560MDW?serial=ABC123", true, 0x5A03},
        {"Taliro/TX%20560PDN?serial=ABC123", true, 0x5A04},
        {"usb://Taliro/TX%20560MDW?serial=X", true, 0x5A03},
        {"Taliro/TX%20560MDW", false, 0},            // no "?"
        {"Taliro/TX%20560MDW&serial=1", false, 0},
        {"Taliro/TX%20560mdw?serial=ABC123", false, 0},  // case-sensitive
        {"Taliro/TX 560MDW?serial=ABC123", false, 0},   // not percent-encoded
        {"", false, 0},
        // Several keys: the first row of the table wins, wherever it stands.
        {"Taliro/TX%20560PDN?x=TX%20560MDAW?", true, 0x5A01},
        {"Taliro/TX%20560PDN?x=TX%20560MDW?", true, 0x5A03},
    };
    for (const Case& c : cases) {
        int vid = -7;
        int pid = -7;
        EXPECT_EQ(GetPrinterVidPid(QString::fromLatin1(c.port), vid, pid), c.found) << c.port;
        EXPECT_EQ(vid, c.found ? 0x2F7A : -7) << c.port;
        EXPECT_EQ(pid, c.found ? c.pid : -7) << c.port;
    }
}

}  // namespace
