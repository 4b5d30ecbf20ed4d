#pragma once

#include "scandata.h"
#include "tagSettingInfo.h"
#include "thumbnail_cache.h"
#include "libimageprocess.h"
#include "libpolicy.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <json/value.h>
#include <sane/sane.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

class BgWidget;
class PreviewWidget;
class QCloseEvent;
class QComboBox;
class QDoubleSpinBox;
class QThread;
class QTimer;
class VuroCombBoxItem;
class VuroCombobox;
class VuroScanSDK;

namespace Ui {
class MainWindow;
}

// Puts the items, in order, into the box, with no icon and no user data.
void fill_combox(QComboBox *box, const std::vector<std::string> &items);

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

    // What the scan start, the device refresh and the OCR run share: none
    // of them runs while another does. Changed by compare-and-set only.
    enum BusyState { Idle, Refreshing, Scanning, Recognising };

    // One poll of the printer list file's modification time: a changed time
    // refreshes the devices unless a job or a refresh is under way. Runs on
    // the poll thread (and on a test's own).
    void checkPrinterList();

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
    // The result page's thumbnails, kept per page while it does not change.
    ThumbnailCache thumbnails{QSize(158, 224)};
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
    // The flatbed's until a scan source is chosen.
    double scaleY = 297.0 / 371.0;
    int scanPageNo = 1;
    Data logData;
    Ui::MainWindow *ui = nullptr;
    int paperUnit = 0;
    vuro::profile scanProfile;
    std::atomic<std::time_t> lastPrinterListTime{0};
    std::atomic<BusyState> busyState{Idle};
    std::atomic<bool> closeRequested{false};
    QThread *pollThread = nullptr;
    QTimer *pollTimer = nullptr;
    QThread *ocrThread = nullptr;
    QTimer *ocrTimer = nullptr;
    // The private file of the OCR run under way, in scan/tmp/.
    QString ocrResultFile;

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
    // Asks the session for its devices and hands them to the GUI thread;
    // runs on pollThread.
    void onGetDevices();
    // The searching cover around a refresh.
    void onStartFindDev();
    void onStopFindDev();
    // The session's signals.
    int onErrCallback(int errCode);
    int onScanPageCompleteCallback(QString fileName, int width, int height);
    int onScanPageProgressCallback(int progress);
    int onScanJobCompleteCallback();
    // The no-scanner box, then the end of the application.
    void noAvilableScanner();
    // New entries of the scanner list with tool tips; selects the scanner of
    // the last scan (`lastIndex`, -1 when it has gone).
    void setTipForCombox(int lastIndex);
    // Runs on the OCR thread: recognises the selected page into ocrResultFile.
    void genOCRFile();
    void removePolicy(VuroCombBoxItem *item);
    // The detail viewer's turn of page `index`.
    void roatBigPic(int index);
    void cancelScan();
    void scanFinishedslot();
    // Starts one job with the current scan request.
    void scan(int = 0);
    // Rebuilds the result page's strip of thumbnails from the page list and
    // selects the selected page's tile (the last one when none is).
    void showScanResultSlot();
    // Back to the main page with no page and the controls reset.
    void initUIData();
    // A tile was clicked: it becomes the selected page and the controls
    // take its values.
    void manageScrollstuff(PreviewWidget *tile);
    // The detail viewer's tile was clicked: its page's full image.
    void changeImageView(PreviewWidget *tile);
    void showImgDetailWidget(int index);
    void dealwithErr(int code);
    void scanPreview();
    void loadPic(QString fileName, int width, int height);
    // Resets the cover: hidden, no texts, buttons and progress bar hidden
    // and disconnected.
    void initCoverWidget();
    // A new strip thumbnail of page `index`, which the caller deletes;
    // null for an invalid index.
    QImage *getShowImage(int index);
    void showDealingDialog();
    void hideDealingDialog();
    // The border dialog's outcomes.
    void setElimBorderRect(QRect rect);
    void setElimBorderCheakstats(int state);
    // After an OCR run: offers the recognised text as a file.
    void saveOcr();

private slots:
    void on_pb_mainCancel_clicked();
    void on_btn_widget_imageprocess_cancel_clicked();
    void on_btn_widget_imageprocess_save_clicked();
    void on_btn_widget_imageprocess_saveAs_clicked();
    void on_btn_selectSaveFilePath_clicked();
    void on_pb_ocr_clicked();

    // The result page: page order, turns and corrections.
    void on_upperBtn_clicked();
    void on_downBtn_clicked();
    void on_delete_current_page_btn_clicked();
    void on_turnLeftBtn_clicked();
    void on_turnRightBtn_clicked();
    void on_lightnessSlider_valueChanged(int value);
    void on_constractSlider_valueChanged(int value);
    void on_jiupianSlider_valueChanged(int value);
    void on_jiupianCheckBox_stateChanged(int state);
    void on_changeBgColorCheck_stateChanged(int state);
    void on_sldr_gamma_valueChanged(int value);
    void on_spx_gamma_valueChanged(double value);
    void on_ckb_ElimBorder_stateChanged(int state);
    void on_pb_changeBGAll_clicked(bool checked);
    void on_pb_ElimBorder_clicked();
    void on_pb_viewDetail_clicked();

    void on_pb_scan_clicked();
    void on_btn_widget_imageProcess_scan_clicked();

    // Presets and the fields that follow them.
    void on_cbx_scanners_currentIndexChanged(const QString &name);
    void on_cbx_scanners_currentIndexChanged(int index);
    void on_combo_policy_indexChanged(int index);
    void on_cbx_scanSource_currentIndexChanged(int index);
    void on_cbx_colorFormat_currentIndexChanged(int index);
    void on_cbx_saveType_currentIndexChanged(int index);
    void on_cbx_resolution_currentIndexChanged(int index);

    // The advanced settings page.
    void on_pb_advancedSettings_clicked();
    void on_btn_asCancel_clicked();
    void on_btn_asConfirm_clicked();
    void on_btn_asDefault_clicked();
    void on_cbx_as_paperType_currentIndexChanged(int index);
    void on_cbx_paperUnit_currentIndexChanged(int index);
    void on_spx_paperWidth_valueChanged(double value);
    void on_spx_paperHeight_valueChanged(double value);

public:
    // Presets and the scan request.
    void setPolicy(const std::shared_ptr<vuro::policy> &preset);
    void toPolicy(const std::shared_ptr<vuro::policy> &preset, const QString &name);
    // The last preset of the current scanner; empty when it has none.
    std::shared_ptr<vuro::policy> getLastPolicy();
    // Fills settingInfo and the page list's options from the last preset,
    // the advanced settings and the preview's crop rectangle.
    void genSettingInfo();
    // The first of name, base#n+1, base#n+2 ... that is not in `names`.
    QString recursivePolicyList(const QString &name, const QStringList &names, const QString &base, int n);

    // The advanced page.
    void initAdvancePage();
    void saveAdvanceSetting();
    // The preview's crop rectangle as the custom paper size.
    void setParperSize();

    // The save folder check: true when a file can be made in the folder;
    // otherwise the folder is reset to the default one and the user told.
    bool verifySaveDir();
    void showSaveFinishDialog();
    void showSaveUnsuccsessDialog();
    // The save folder: the advanced page's, or the default one when that
    // is empty.
    QString saveFolder() const;
    // The naming rule's file name with `time` put in for "%datetime%".
    QString fileNameByRule(const QString &time) const;
    // Now as the scan log and the naming rule write it, "yy-MM-dd-HH-mm-ss".
    static QString timeText();

    // The cover's variants.
    void genWaitingDialog();
    void genScaningDialog();
    void genDealingDialog();
    void genKeepScaningDialog();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // The one-shot guard of a page's values being loaded: true, and cleared,
    // when the handler that asks must do nothing.
    bool takeLoadingGuard();
    // The selected page's new strip thumbnail, to its tile.
    void showSelectedThumbnail();
    // The folder dialog of Save and Browse; a folder that takes files
    // becomes the save folder.
    void chooseSaveFolder();
    // Ends a save that reached the page list: success goes back to the main
    // page, failure records it at once and stays on the result page.
    void finishSave(bool saved, const QString &fileName, const QString &time);
    // Ends the OCR run's thread and gives the result page back.
    void endOcrRun();
    // The GUI thread's part of a refresh: the device list, the scanner
    // list and the profile, then the end of the cover and the selection.
    void refreshScannerList(const std::vector<SANE_Device> &devices);
    // The close rules' question; false when a save was asked for and did
    // not succeed.
    bool askToSaveBeforeQuit();
    // Adding mode's Scan button: stores the form as a new preset.
    void addPolicy();
    // The scanner of the scanner list's current entry, from the profile.
    std::shared_ptr<vuro::scanner> currentScanner();
    // Shows a length in millimetres in the paper spin box, in the current unit.
    void showPaperLength(QDoubleSpinBox *box, const std::string &millimetres, int unit);
    // A paper spin box's edit, held to its maximum in millimetres.
    void limitPaperLength(QDoubleSpinBox *box, double value);
    void initOptionLists();
    void initVurosdk();
    void initUI();
    void initSignalAndSlot();
    void startDevicePoll();
    void stopDevicePoll();
    void makeSharedFiles();
};
