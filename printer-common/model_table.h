#pragma once

#include <QString>

// One supported printer model.
struct stModelInfo {
    const char* strUriKey;     // the model as a CUPS USB device URI writes it
    const char* strModelName;  // compared with the PPD's model name, shown to the user
    const char* strPpdName;
    int iVendorId;
    int iProductId;
};

// Lookups take the first row that matches.
inline constexpr stModelInfo c_stModelInfoList[] = {
    {"TX%20560MDAW", "Taliro TX 560MDAW", "Taliro_TX_560MDAW.ppd", 0x2F7A, 0x5A01},
    {"TX%20560MDA", "Taliro TX 560MDA", "Taliro_TX_560MDA.ppd", 0x2F7A, 0x5A02},
    {"TX%20560MDW", "Taliro TX 560MDW", "Taliro_TX_560MDW.ppd", 0x2F7A, 0x5A03},
    {"TX%20560PDN", "Taliro TX 560PDN", "Taliro_TX_560PDN.ppd", 0x2F7A, 0x5A04},
};

// USB ids of the first row whose URI key, followed by "?", occurs in `port`
// (case-sensitive). No row found: false, vid and pid untouched.
bool GetPrinterVidPid(const QString& port, int& vid, int& pid);
