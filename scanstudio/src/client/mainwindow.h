#pragma once

#include "scandata.h"
#include "tagSettingInfo.h"
#include "libimageprocess.h"
#include "libpolicy.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <json/value.h>
#include <sane/sane.h>

#include <atomic>
#include <ctime>
#include <string>
#include <vector>

class BgWidget;
class PreviewWidget;
class QCloseEvent;
class QThread;
class QTimer;
class VuroCombBoxItem;
class VuroCombobox;
class VuroScanSDK;

namespace Ui {
class MainWindow;
}

// ScanStudio's window and the owner of everything the application holds
// while it runs: the scan session, the profile, the page list, the form, the
// preset combo box, the preview canvas, the device-poll thread and the
// pending scan log record. Its members are the state that the window's
// parts share; they reach it through _instancePtr where they have no window.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // `installRoot` ends with "/"; every fixed path of the window hangs below it.
    explicit MainWindow(QWidget *parent = nullptr, const QString &installRoot = defaultInstallRoot());
    ~MainWindow() override;

    static QString defaultInstallRoot();
    // `relative` below the install root.
    QString installPath(const char *relative) const;

    // Shared-file helpers: create a missing file empty (or a folder with its
    // parents) and give it mode 0777, never through a symbolic link.
    static void chmodFileTo777(const QString &path);
    static void chmodDirTo777(const QString &path);
    // Deletes the files of a folder tree, keeping folders and hidden entries.
    static bool DelDir(const QString &path);
    // Texts that cross into the profile or the scan session, in the local
    // 8-bit encoding.
    static std::string toLocalstdString(const QString &text);
    static QString toLocalQString(const std::string &text);

    // The scan log record of now: user and computer filled in, not written.
    static Data genData(const QString &fileName, const QString &scanTime, const QString &scanResult);
    // The record as the log's JSON object; marks logData written.
    Json::Value parseDataToJson(Data data);
    // Appends one line to the scan log.
    void writJsonToLogFile(const Json::Value &record);

    // Closes the window once more after a scan during which the user asked
    // to close it; for the end of a job, after the session's thread has
    // ended its job and the cover is hidden. False when nothing was asked
    // or the close was refused again.
    bool closeIfRequested();

    static MainWindow *_instancePtr;

    const QString root;

    QString defaultFileRule;
    // Option texts, translated in the QObject context.
    QString textColor, textGray, textMono;
    QString textFlatbed, textADF, textAuto;
    QString textPicture, textDocument, textAddPolicy, textLastConfiguration;
    QString textCustom;
    // Scan results of the log, translated in the MainWindow context.
    QString textSaveSuccess, textSaveFaile;
    // Entries of the combo boxes, in the local 8-bit encoding.
    std::vector<std::string> imageFormats;
    std::vector<std::string> flatbedResolutions;
    std::vector<std::string> feederResolutions;
    std::vector<std::string> colorModes;
    std::vector<std::string> mediumTypes;
    std::vector<std::string> scanSources;
    std::vector<std::string> presets;
    std::vector<std::string> paperSizes;
    std::vector<std::string> paperUnits;
    std::vector<std::string> qualities;
    QString boxTitle;
    std::vector<SANE_Device> deviceList;
    VuroScanSDK *pScanSDK = nullptr;
    tagSettingInfo settingInfo{};
    VuroCombobox *policyCombo = nullptr;
    BgWidget *bgWidget = nullptr;
    vuro::Libimageprocess imageprocess;
    QStringList tmpFileList;
    QString scanningScannerName;
    int selectedPage = -1;
    bool previewScanning = false;
    bool previewShown = false;
    bool addingPolicy = false;
    bool hasFeeder = true;
    bool noScannerReported = false;
    bool multiPageOutput = false;
    bool loadingPageValues = false;
    bool saveFinished = false;
    bool keepScanShown = false;
    double scaleX = 216.0 / 268.0;
    double scaleY = 0.0;
    int scanPageNo = 1;
    Data logData;
    Ui::MainWindow *ui = nullptr;
    int paperUnit = 0;
    vuro::profile scanProfile;
    std::atomic<std::time_t> lastPrinterListTime{0};
    std::atomic<bool> isScanning{false};
    std::atomic<bool> closeRequested{false};
    std::atomic<bool> isRefreshing{false};
    QThread *pollThread = nullptr;
    QTimer *pollTimer = nullptr;
    QThread *ocrThread = nullptr;
    QTimer *ocrTimer = nullptr;

signals:
    void changeBGImage(QImage image);
    void hideRoateButton(bool hide);
    void noScanneravilable();
    void previewWidgetChanged(PreviewWidget *widget);
    void scanFinished();
    void callbackWasErr(int errCode);
    void loadPicSignal(QString fileName, int width, int height);
    void closeDialog();
    void sigStartFindDev();
    void sigStopFindDev();
    void sigGetDevices(int lastIndex);
    void previewImageChanged(QImage image, int index);
    void bigImageChanged(QImage image, int index);
    void sigShowDealingDialog();
    void sigHideDealingDialog();
    void genOCRFinished();

public slots:
    // The device poll; runs on pollThread.
    void onTimer();
    // Back to the main page with no page and the controls reset.
    void initUIData();
    // Resets the cover: hidden, no texts, buttons and progress bar hidden
    // and disconnected.
    void initCoverWidget();

private slots:
    void on_pb_mainCancel_clicked();
    void on_btn_widget_imageprocess_cancel_clicked();
    void on_btn_widget_imageprocess_saveAs_clicked();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void initOptionLists();
    void initVurosdk();
    void initUI();
    void initSignalAndSlot();
    void startDevicePoll();
    void stopDevicePoll();
    void makeSharedFiles();
};
