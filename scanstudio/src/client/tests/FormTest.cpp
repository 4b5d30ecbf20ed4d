// The main form against the layout it must have: object tree, places,
// texts in English and Chinese, ranges, raise order and the form's links.

#include "app_startup.h"
#include "bgwidget.h"
#include "ui_mainwindow.h"

#include <QAbstractButton>
#include <QLocale>
#include <QMainWindow>
#include <QScrollArea>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

constexpr int kAny = -1;  // a size the layout gives

struct FormObject {
    const char *name;
    const char *className;
    const char *parent;
    int x, y, w, h;        // kAny for x: placed by a layout
    const char *english;   // nullptr: no text to check
    const char *chinese;
    const char *property;  // "text", "title", "toolTip" or "windowTitle"
};

const std::vector<FormObject> &formObjects()
{
    static const std::vector<FormObject> objects = {
        {"MainWindow", "QMainWindow", nullptr, 0, 0, 500, 540, "scanner", "扫描仪", "windowTitle"},
        {"centralwidget", "QWidget", "MainWindow", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"wgt_commonTitle", "QWidget", "centralwidget", 0, 0, 500, 70, nullptr, nullptr, nullptr},
        {"cbx_scanners", "QComboBox", "wgt_commonTitle", 268, 26, 215, 18, nullptr, nullptr, nullptr},
        {"lbl_vuroLogo", "QLabel", "wgt_commonTitle", 15, 10, 50, 50, "", "", "text"},
        // Scan settings.
        {"widget_mainFrame", "QWidget", "centralwidget", 0, 70, 500, 470, nullptr, nullptr, nullptr},
        {"lbl_mainFrameName", "QLabel", "widget_mainFrame", 30, 20, 81, 19, "vuro scaner", "扫描仪", "text"},
        {"verticalLayoutWidget", "QWidget", "widget_mainFrame", 10, 40, 221, 341, nullptr, nullptr, nullptr},
        {"config_widget", "QWidget", "verticalLayoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_configure", "QLabel", "config_widget", 10, 10, kAny, 0, "Config ", "配置", "text"},
        {"cbx_configure", "QComboBox", "config_widget", 10, 30, 196, 18, nullptr, nullptr, nullptr},
        {"ScanSource_widget", "QWidget", "verticalLayoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_scanSource", "QLabel", "ScanSource_widget", 10, 10, kAny, 0, "Scan Source", "纸张来源", "text"},
        {"cbx_scanSource", "QComboBox", "ScanSource_widget", 10, 30, 196, 18, nullptr, nullptr, nullptr},
        {"saveType_widget", "QWidget", "verticalLayoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_saveType", "QLabel", "saveType_widget", 10, 10, kAny, 0, "Type", "存储类型", "text"},
        {"cbx_saveType", "QComboBox", "saveType_widget", 10, 30, 196, 18, nullptr, nullptr, nullptr},
        {"ScanMode_widget", "QWidget", "verticalLayoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_colorFormat", "QLabel", "ScanMode_widget", 10, 10, kAny, 0, "Scan Mode", "颜色模式", "text"},
        {"cbx_colorFormat", "QComboBox", "ScanMode_widget", 10, 30, 196, 18, nullptr, nullptr, nullptr},
        {"Resolution_widget", "QWidget", "verticalLayoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_resolution", "QLabel", "Resolution_widget", 10, 10, kAny, 0, "Scan Resolution", "分辨率", "text"},
        {"cbx_resolution", "QComboBox", "Resolution_widget", 10, 30, 196, 18, nullptr, nullptr, nullptr},
        {"Quality_widget", "QWidget", "verticalLayoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_quality", "QLabel", "Quality_widget", 10, 10, kAny, 0, "Quality", "文件压缩比", "text"},
        {"cbx_quality", "QComboBox", "Quality_widget", 10, 30, 196, 18, nullptr, nullptr, nullptr},
        {"mulitColorOut_widget", "QWidget", "widget_mainFrame", 10, 380, 201, 91, nullptr, nullptr, nullptr},
        {"label_3", "QLabel", "mulitColorOut_widget", 0, 10, 111, 20, "mulitColorOut", "多流输出", "text"},
        {"ckb_colorOut", "QCheckBox", "mulitColorOut_widget", 0, 50, 71, 26, "color", "彩色", "text"},
        {"ckb_grayOut", "QCheckBox", "mulitColorOut_widget", 70, 50, 61, 26, "gray", "灰度", "text"},
        {"ckb_monoOut", "QCheckBox", "mulitColorOut_widget", 130, 50, 71, 26, "mono", "黑白", "text"},
        {"horizontalLayoutWidget", "QWidget", "widget_mainFrame", 210, 410, 281, 41, nullptr, nullptr, nullptr},
        {"pb_scan", "QPushButton", "horizontalLayoutWidget", kAny, 0, 0, 0, "Scan", "扫描", "text"},
        {"pb_advancedSettings", "QPushButton", "horizontalLayoutWidget", kAny, 0, 0, 0, "Customize", "高级设置", "text"},
        {"pb_mainCancel", "QPushButton", "horizontalLayoutWidget", kAny, 0, 0, 0, "Cancel", "取消", "text"},
        // Advanced settings.
        {"wgt_advancedSettings", "QWidget", "centralwidget", 0, 70, 500, 470, nullptr, nullptr, nullptr},
        {"lbl_as_Name", "QLabel", "wgt_advancedSettings", 30, 20, 91, 19, "korven Scaner", "扫描仪", "text"},
        {"horizontalLayoutWidget_2", "QWidget", "wgt_advancedSettings", 0, 50, 501, 181, nullptr, nullptr, nullptr},
        {"gpx_as_paperSettings", "QGroupBox", "horizontalLayoutWidget_2", kAny, 0, 0, 0, "parpersize", "扫描大小", "title"},
        {"verticalLayoutWidget_2", "QWidget", "gpx_as_paperSettings", 20, 30, 211, 138, nullptr, nullptr, nullptr},
        {"cbx_as_paperType", "QComboBox", "verticalLayoutWidget_2", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_paperWidth", "QLabel", "verticalLayoutWidget_2", kAny, 0, 0, 0, "Width ", "宽度", "text"},
        {"spx_paperWidth", "QDoubleSpinBox", "verticalLayoutWidget_2", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_paperHeight", "QLabel", "verticalLayoutWidget_2", kAny, 0, 0, 0, "Height", "高度", "text"},
        {"spx_paperHeight", "QDoubleSpinBox", "verticalLayoutWidget_2", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_paperUnit", "QLabel", "verticalLayoutWidget_2", kAny, 0, 0, 0, "Unit", "单位", "text"},
        {"cbx_paperUnit", "QComboBox", "verticalLayoutWidget_2", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"gpx_bgFade", "QGroupBox", "horizontalLayoutWidget_2", kAny, 0, 0, 0, "advance function", "高级功能", "title"},
        {"verticalLayoutWidget_5", "QWidget", "gpx_bgFade", 10, 20, 221, 141, nullptr, nullptr, nullptr},
        {"AutoRote_widget", "QWidget", "verticalLayoutWidget_5", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"ckb_useAutoRote", "QCheckBox", "AutoRote_widget", 30, 20, 181, 34, "use AutoRote", "启用文本方向识别", "text"},
        {"MedianBlur_widget", "QWidget", "verticalLayoutWidget_5", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"ckb_useMedianBlur", "QCheckBox", "MedianBlur_widget", 30, 0, 131, 34, "use MedianBlur", "启用噪点优化", "text"},
        {"sdr_bgFade", "QSlider", "MedianBlur_widget", 30, 40, 120, 17, nullptr, nullptr, nullptr},
        {"spx_bgFade", "QSpinBox", "MedianBlur_widget", 160, 40, 45, 18, nullptr, nullptr, nullptr},
        {"verticalLayoutWidget_3", "QWidget", "wgt_advancedSettings", 0, 250, 501, 141, nullptr, nullptr, nullptr},
        {"widget_12", "QWidget", "verticalLayoutWidget_3", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_saveFileName", "QLabel", "widget_12", 20, 10, kAny, 0, "File Name", "保存文件名", "text"},
        {"txt_saveFlieName", "QLineEdit", "widget_12", 20, 30, 391, 20, nullptr, nullptr, nullptr},
        {"widget_13", "QWidget", "verticalLayoutWidget_3", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"lbl_saveFilePath", "QLabel", "widget_13", 20, 10, kAny, 0, "File Path", "保存位置", "text"},
        {"txt_saveFilePath", "QLineEdit", "widget_13", 20, 30, 341, 21, nullptr, nullptr, nullptr},
        {"btn_selectSaveFilePath", "QPushButton", "widget_13", 370, 30, 62, 22, "Browse", "浏览", "text"},
        {"widget_16", "QWidget", "verticalLayoutWidget_3", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"layoutWidget", "QWidget", "wgt_advancedSettings", 16, 420, 481, 30, nullptr, nullptr, nullptr},
        {"btn_asDefault", "QPushButton", "layoutWidget", kAny, 0, 0, 0, "Default", "默认设置", "text"},
        {"widget_15", "QWidget", "layoutWidget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"btn_asConfirm", "QPushButton", "layoutWidget", kAny, 0, 0, 0, "Confirm", "保存", "text"},
        {"btn_asCancel", "QPushButton", "layoutWidget", kAny, 0, 0, 0, "Cancel", "取消", "text"},
        // Image processing.
        {"widget_imageProcess", "QWidget", "centralwidget", 0, 70, 500, 470, nullptr, nullptr, nullptr},
        {"verticalLayoutWidget_4", "QWidget", "widget_imageProcess", 0, 0, 211, 421, nullptr, nullptr, nullptr},
        {"changeBgColor_label", "QLabel", "verticalLayoutWidget_4", kAny, 0, 0, 0, "change bg color", "改变背景色", "text"},
        {"changeBgColorCheck", "QCheckBox", "verticalLayoutWidget_4", kAny, 0, 0, 0, "", "", "text"},
        {"ElimBorder_label", "QLabel", "verticalLayoutWidget_4", kAny, 0, 0, 0, "auto cut", "图像裁剪", "text"},
        {"ckb_ElimBorder", "QCheckBox", "verticalLayoutWidget_4", kAny, 0, 0, 0, "", "", "text"},
        {"jiupian_label", "QLabel", "verticalLayoutWidget_4", kAny, 0, 0, 0, "autoDeskw", "自动纠偏", "text"},
        {"jiupianCheckBox", "QCheckBox", "verticalLayoutWidget_4", kAny, 0, 0, 0, "", "", "text"},
        {"jiupian_widget", "QWidget", "verticalLayoutWidget_4", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"label_21", "QLabel", "jiupian_widget", 14, 0, 63, 20, "jiupian", "纠偏", "text"},
        {"jiupianSlider", "QSlider", "jiupian_widget", 10, 20, 121, 17, nullptr, nullptr, nullptr},
        {"jiupianSpinBox", "QSpinBox", "jiupian_widget", 153, 20, 40, 18, nullptr, nullptr, nullptr},
        {"lightness_widget", "QWidget", "verticalLayoutWidget_4", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"label_18", "QLabel", "lightness_widget", 14, 0, 63, 20, "lightness", "明亮度", "text"},
        {"lightnessSlider", "QSlider", "lightness_widget", 10, 20, 121, 17, nullptr, nullptr, nullptr},
        {"lightnessSpinBox", "QSpinBox", "lightness_widget", 153, 20, 40, 18, nullptr, nullptr, nullptr},
        {"constract_widget", "QWidget", "verticalLayoutWidget_4", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"label_19", "QLabel", "constract_widget", 14, 0, 63, 20, "constract", "对比度", "text"},
        {"constractSlider", "QSlider", "constract_widget", 10, 20, 121, 17, nullptr, nullptr, nullptr},
        {"constractSpinBox", "QSpinBox", "constract_widget", 153, 20, 40, 18, nullptr, nullptr, nullptr},
        {"gamma_widget", "QWidget", "verticalLayoutWidget_4", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"label_20", "QLabel", "gamma_widget", 14, 0, 111, 20, "gamma", "Gamma调整", "text"},
        {"sldr_gamma", "QSlider", "gamma_widget", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"spx_gamma", "QDoubleSpinBox", "gamma_widget", 153, 20, kAny, 0, nullptr, nullptr, nullptr},
        {"horizontalLayoutWidget_7", "QWidget", "widget_imageProcess", 210, 420, 281, 41, nullptr, nullptr, nullptr},
        {"btn_widget_imageprocess_save", "QPushButton", "horizontalLayoutWidget_7", kAny, 0, 0, 0, "Save", "保存", "text"},
        {"btn_widget_imageprocess_saveAs", "QPushButton", "horizontalLayoutWidget_7", kAny, 0, 0, 0, "Save other", "另存为", "text"},
        {"btn_widget_imageprocess_cancel", "QPushButton", "horizontalLayoutWidget_7", kAny, 0, 0, 0, "Cancel", "取消", "text"},
        {"btn_widget_imageProcess_scan", "QPushButton", "widget_imageProcess", 10, 430, 84, 28, "scan", "新增扫描", "text"},
        {"previewArea", "QScrollArea", "widget_imageProcess", 210, 5, 281, 391, nullptr, nullptr, nullptr},
        {"scrollAreaWidgetContents", "QWidget", "qt_scrollarea_viewport", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"wdgt_previewTool", "QWidget", "widget_imageProcess", 210, 396, 281, 25, nullptr, nullptr, nullptr},
        {"upperBtn", "QPushButton", "wdgt_previewTool", 9, 4, 16, 16, "Up", "图片上移", "toolTip"},
        {"downBtn", "QPushButton", "wdgt_previewTool", 30, 4, 16, 16, "Down", "图片下移", "toolTip"},
        {"pb_ocr", "QPushButton", "wdgt_previewTool", 70, 4, 29, 16, "OCR", "Ocr提取(dpi小于150时不可用)", "toolTip"},
        {"delete_current_page_btn", "QPushButton", "wdgt_previewTool", 128, 4, 20, 16, "Delete", "删除当前图片", "toolTip"},
        {"turnRightBtn", "QPushButton", "wdgt_previewTool", 149, 4, 20, 16, "Turn Right", "向右旋转图片", "toolTip"},
        {"turnLeftBtn", "QPushButton", "wdgt_previewTool", 170, 4, 20, 16, "Turn Left", "向左旋转图片", "toolTip"},
        {"pb_viewDetail", "QPushButton", "wdgt_previewTool", 215, 4, 16, 16, "view big Pic", "查看大图", "toolTip"},
        {"pb_changeBGAll", "QPushButton", "wdgt_previewTool", 238, 4, 20, 16, "Change All Background Color To White", "批量修改背景色", "toolTip"},
        {"pb_ElimBorder", "QPushButton", "wdgt_previewTool", 261, 4, 20, 16, "Auto Area Selection", "批量裁剪", "toolTip"},
        // The cover.
        {"cover_widget", "QWidget", "centralwidget", 0, -1, 500, 541, nullptr, nullptr, nullptr},
        {"cover_frame_center", "QFrame", "cover_widget", 111, 150, 276, 161, nullptr, nullptr, nullptr},
        {"label_block_top", "QLabel", "cover_frame_center", kAny, 0, 0, 0, "", "", "text"},
        {"cover_text_top", "QLabel", "cover_frame_center", kAny, 0, 0, 0, "", "", "text"},
        {"cover_text_center", "QLabel", "cover_frame_center", kAny, 0, 0, 0, "", "", "text"},
        {"cover_text_bottom", "QLabel", "cover_frame_center", kAny, 0, 0, 0, "", "", "text"},
        {"pgb_scanProgress", "QProgressBar", "cover_frame_center", kAny, 0, 0, 0, nullptr, nullptr, nullptr},
        {"label_block_bottom", "QLabel", "cover_frame_center", kAny, 0, 0, 0, "", "", "text"},
        {"pb_coverLeft", "QPushButton", "cover_frame_center", kAny, 0, 0, 0, "PushButton", "PushButton", "text"},
        {"pb_coverBlock", "QPushButton", "cover_frame_center", kAny, 0, 0, 0, "PushButton", "PushButton", "text"},
        {"pb_coverRight_1", "QPushButton", "cover_frame_center", kAny, 0, 0, 0, "PushButton", "PushButton", "text"},
        {"pb_coverRight_2", "QPushButton", "cover_frame_center", kAny, 0, 0, 0, "PushButton", "PushButton", "text"},
    };
    return objects;
}

class FormTest : public ::testing::Test {
protected:
    void SetUp() override { m_ui.setupUi(&m_window); }

    template <typename T = QWidget>
    T *find(const char *name)
    {
        if (m_window.objectName() == QLatin1String(name))
            return qobject_cast<T *>(&m_window);
        T *found = m_window.findChild<T *>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Every object of the table, with the texts of `language`.
    void checkObjects(bool chinese)
    {
        for (const FormObject &object : formObjects()) {
            SCOPED_TRACE(object.name);
            QWidget *widget = find(object.name);
            ASSERT_NE(widget, nullptr);
            EXPECT_TRUE(widget->inherits(object.className)) << widget->metaObject()->className();
            if (object.parent) {
                EXPECT_EQ(widget->parentWidget()->objectName(), QLatin1String(object.parent));
            }
            if (object.x != kAny) {
                EXPECT_EQ(widget->pos(), QPoint(object.x, object.y));
            }
            if (object.x != kAny && object.w != kAny) {
                EXPECT_EQ(widget->size(), QSize(object.w, object.h));
            }
            if (object.english) {
                EXPECT_EQ(widget->property(object.property).toString(),
                          QString::fromUtf8(chinese ? object.chinese : object.english));
            }
        }
    }

    QMainWindow m_window;
    Ui_MainWindow m_ui;
};

TEST_F(FormTest, ObjectTreePlacesAndEnglishTexts)
{
    checkObjects(false);
}

// Its own CTest entry runs it under a zh_CN.UTF-8 system locale; elsewhere
// the default locale is made Chinese for it.
TEST_F(FormTest, TextsInChineseFromTheCatalogues)
{
    const QLocale system;
    if (system.language() != QLocale::Chinese)
        QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::Taiwan));
    QTranslator application;
    QTranslator qt;
    loadChineseCatalogues(application, qt);
    ASSERT_FALSE(application.isEmpty());
    ASSERT_FALSE(qt.isEmpty());
    QCoreApplication::installTranslator(&application);
    QCoreApplication::installTranslator(&qt);
    m_ui.retranslateUi(&m_window);
    checkObjects(true);
    // The preview canvas's caption, made in code.
    EXPECT_EQ(BgWidget().captionLabel()->text(), QString::fromUtf8("预览"));
    // Qt's own catalogue translates the standard buttons.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "OK"), QString::fromUtf8("确定"));
    QCoreApplication::removeTranslator(&qt);
    QCoreApplication::removeTranslator(&application);
    QLocale::setDefault(system);
}

TEST_F(FormTest, WindowIsFixedWithTheTitleStripAboveTheCover)
{
    EXPECT_EQ(m_window.minimumSize(), QSize(500, 540));
    EXPECT_EQ(m_window.maximumSize(), QSize(500, 540));
    EXPECT_EQ(m_window.font().family(), QLatin1String("SimHei"));
    EXPECT_EQ(m_window.toolButtonStyle(), Qt::ToolButtonIconOnly);
    EXPECT_FALSE(m_window.windowIcon().isNull());
    EXPECT_EQ(m_ui.wgt_commonTitle->minimumSize(), QSize(500, 70));
    EXPECT_EQ(m_ui.cbx_scanners->minimumSize(), m_ui.cbx_scanners->maximumSize());
    EXPECT_EQ(m_ui.lbl_vuroLogo->palette().color(QPalette::Disabled, QPalette::Button), QColor(46, 38, 36));
    EXPECT_EQ(m_ui.lbl_mainFrameName->font().family(), QLatin1String("WenQuanYi Zen Hei Sharp"));
    EXPECT_EQ(m_ui.lbl_mainFrameName->font().weight(), 75);
    EXPECT_EQ(m_ui.lbl_as_Name->font().family(), QLatin1String("Caladea"));

    // Stacking follows the order of the children: the last is on top.
    QStringList pages;
    for (QObject *child : m_ui.centralwidget->children())
        pages << child->objectName();
    EXPECT_EQ(pages, (QStringList{"widget_imageProcess", "wgt_advancedSettings", "widget_mainFrame",
                                  "cover_widget", "wgt_commonTitle"}));
}

TEST_F(FormTest, RangesAndStartValues)
{
    EXPECT_EQ(m_ui.sdr_bgFade->minimum(), 1);
    EXPECT_EQ(m_ui.sdr_bgFade->maximum(), 50);
    EXPECT_EQ(m_ui.sdr_bgFade->value(), 3);
    EXPECT_EQ(m_ui.sdr_bgFade->pageStep(), 1);
    EXPECT_FALSE(m_ui.sdr_bgFade->isEnabled());
    EXPECT_EQ(m_ui.spx_bgFade->maximum(), 5);
    EXPECT_TRUE(m_ui.spx_bgFade->isReadOnly());
    EXPECT_FALSE(m_ui.spx_bgFade->isEnabled());
    EXPECT_FALSE(m_ui.txt_saveFilePath->isEnabled());
    EXPECT_EQ(m_ui.jiupianSpinBox->minimum(), -45);
    EXPECT_EQ(m_ui.jiupianSpinBox->maximum(), 45);
    EXPECT_EQ(m_ui.jiupianSpinBox->correctionMode(), QAbstractSpinBox::CorrectToNearestValue);
    EXPECT_EQ(m_ui.lightnessSlider->minimum(), -100);
    EXPECT_EQ(m_ui.constractSpinBox->maximum(), 100);
    EXPECT_EQ(m_ui.sldr_gamma->maximum(), 50);
    EXPECT_DOUBLE_EQ(m_ui.spx_gamma->minimum(), 0.1);
    EXPECT_DOUBLE_EQ(m_ui.spx_gamma->maximum(), 5.0);
    EXPECT_DOUBLE_EQ(m_ui.spx_gamma->singleStep(), 0.1);
    EXPECT_EQ(m_ui.spx_gamma->decimals(), 1);
    EXPECT_EQ(m_ui.cbx_paperUnit->count(), 1);
    EXPECT_EQ(m_ui.cbx_paperUnit->itemText(0), QLatin1String("mm"));
    EXPECT_EQ(m_ui.pgb_scanProgress->value(), 1);
    EXPECT_TRUE(m_ui.previewArea->widgetResizable());
    EXPECT_EQ(m_ui.upperBtn->focusPolicy(), Qt::NoFocus);
    EXPECT_EQ(m_ui.pb_coverLeft->maximumWidth(), 50);
}

TEST_F(FormTest, PageButtonsSwitchPages)
{
    m_window.show();
    m_ui.wgt_advancedSettings->hide();
    m_ui.widget_imageProcess->hide();

    m_ui.pb_advancedSettings->click();
    EXPECT_TRUE(m_ui.widget_mainFrame->isHidden());
    EXPECT_FALSE(m_ui.wgt_advancedSettings->isHidden());

    m_ui.btn_asCancel->click();
    EXPECT_FALSE(m_ui.widget_mainFrame->isHidden());
    EXPECT_TRUE(m_ui.wgt_advancedSettings->isHidden());

    m_ui.widget_mainFrame->hide();
    m_ui.widget_imageProcess->show();
    m_ui.wgt_advancedSettings->show();
    m_ui.btn_widget_imageprocess_cancel->click();
    EXPECT_FALSE(m_ui.widget_mainFrame->isHidden());
    EXPECT_TRUE(m_ui.widget_imageProcess->isHidden());
    EXPECT_TRUE(m_ui.wgt_advancedSettings->isHidden());
}

TEST_F(FormTest, SlidersAndSpinBoxesFollowEachOther)
{
    struct Pair {
        QAbstractSlider *slider;
        QSpinBox *spin;
        int value;
    };
    const Pair pairs[] = {
        {m_ui.lightnessSlider, m_ui.lightnessSpinBox, -37},
        {m_ui.constractSlider, m_ui.constractSpinBox, 64},
        {m_ui.jiupianSlider, m_ui.jiupianSpinBox, -45},
        {m_ui.sdr_bgFade, m_ui.spx_bgFade, 4},
    };
    for (const Pair &pair : pairs) {
        SCOPED_TRACE(pair.slider->objectName().toStdString());
        pair.slider->setValue(pair.value);
        EXPECT_EQ(pair.spin->value(), pair.value);
        pair.spin->setValue(pair.value + 1);
        EXPECT_EQ(pair.slider->value(), pair.value + 1);
    }
    // Gamma is converted by the window, not linked by the form.
    m_ui.sldr_gamma->setValue(20);
    EXPECT_DOUBLE_EQ(m_ui.spx_gamma->value(), 0.1);
}

TEST_F(FormTest, CheckBoxesLockTheirControls)
{
    m_ui.jiupianCheckBox->setChecked(true);
    EXPECT_FALSE(m_ui.jiupianSlider->isEnabled());
    EXPECT_FALSE(m_ui.jiupianSpinBox->isEnabled());
    m_ui.jiupianCheckBox->setChecked(false);
    EXPECT_TRUE(m_ui.jiupianSlider->isEnabled());
    EXPECT_TRUE(m_ui.jiupianSpinBox->isEnabled());

    m_ui.ckb_useMedianBlur->click();
    EXPECT_TRUE(m_ui.sdr_bgFade->isEnabled());
    EXPECT_TRUE(m_ui.spx_bgFade->isEnabled());
    m_ui.ckb_useMedianBlur->click();
    EXPECT_FALSE(m_ui.sdr_bgFade->isEnabled());
    EXPECT_FALSE(m_ui.spx_bgFade->isEnabled());
}

}  // namespace
