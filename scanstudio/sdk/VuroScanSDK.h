#pragma once

#include "DeviceRecordStore.h"
#include "tagSettingInfo.h"

#include <QString>
#include <QThread>

#include <sane/sane.h>

#include <cstdint>
#include <string>
#include <vector>

class PageFile;

// The scan session: loads the scanner's SANE backend object, lists and opens
// its devices, starts a job and, on its own thread, writes each page of the
// job as a raw RGB24 file "<base>_<n>.rgb". Results reach the window only as
// the four signals, emitted on the scan thread.
class VuroScanSDK : public QThread {
    Q_OBJECT

public:
    explicit VuroScanSDK(QObject *parent = nullptr);
    ~VuroScanSDK() override;

    // The installed backend object.
    static std::string defaultBackendPath();

    // Loads and binds the backend, then initialises it; 9 when it cannot be
    // loaded or an entry point is missing.
    int InitContext(const std::string &backendPath = defaultBackendPath());
    // Appends the backend's devices to `out`. Their strings are the session's
    // own copies and stay valid for the life of the session.
    int GetAllDevice(std::vector<SANE_Device> &out);
    int OpenDev(SANE_Device device);
    bool IsDevHasADF();
    void CloseDev();
    // Sets the job's options and starts it; the caller starts the thread on 0.
    int StartScan(tagSettingInfo info, std::string basePath);
    void CancelScan();

signals:
    void sigErrCallBack(int errCode);
    void sigPageCompleteBack(QString fileName, int width, int height);
    void sigPageProgressBack(int progress);
    void sigJobCompleteBack();

protected:
    void run() override;

private:
    SANE_Status readPiece(SANE_Byte *data, SANE_Int *length);
    SANE_Status readPageState(SANE_Int *state);
    SANE_Status readParameters(SANE_Parameters *params);
    void endWithWriteError(PageFile &pageFile, const std::string &pageName);

    const SANE_Device **m_deviceList = nullptr;  // the backend's, valid until its next query
    SANE_Handle m_handle = nullptr;
    std::string m_basePath;
    void *m_library = nullptr;
    bool m_bound = false;
    DeviceRecordStore m_deviceRecords;
};
