#include "model_table.h"

bool GetPrinterVidPid(const QString& port, int& vid, int& pid)
{
    for (const stModelInfo& model : c_stModelInfoList) {
        // The "?" keeps "TX%20560MDA" from matching a "TX%20560MDAW" URI.
        const QString key = QString::fromLatin1(model.strUriKey) + QLatin1Char('?');
        if (port.contains(key, Qt::CaseSensitive)) {
            vid = model.iVendorId;
            pid = model.iProductId;
            return true;
        }
    }
    return false;
}
