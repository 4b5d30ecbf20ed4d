#pragma once

#include "shared_printer_list.h"
#include "util_thread_base.h"

#include <taliro/install_root.h>

#include <QList>
#include <QString>

namespace assistant {

// Follows the printer list file: every 3 s it reads the file and, when the
// printers changed (count, a name or a port), rebuilds the shared list with
// every state Off-line and signals the window.
class TrdDeviceManage : public UtilThreadBase {
    Q_OBJECT

public:
    explicit TrdDeviceManage(const QString& installRoot = QString::fromUtf8(taliro::kInstallRoot));

    static constexpr int kCycleMs = 3000;

    void Init(SharedPrinterList* printerList);

    // One cycle of the loop; true when the shared list was rebuilt.
    bool RefreshPrinterList();

    QList<stPrinterInfo> GetPrinterInfo(bool checkDriver) const;
    static QList<stPrinterManager> GetInitPrinterList(const QList<stPrinterInfo>& printers);
    static void InitStPrinterInfo(stPrinterInfo& info);
    static void InitStPrinterState(stPrinterState& state);

signals:
    void SgnUpdatePrinterList();

public slots:
    void SlotTaskStart();
    void SlotThreadQuit();

private:
    QString m_strInstallRoot;
    SharedPrinterList* m_pPrinterList = nullptr;
};

}  // namespace assistant
