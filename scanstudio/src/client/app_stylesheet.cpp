#include "app_stylesheet.h"

namespace {

const char kStyleSheet[] = R"css(
QComboBox {
    height: 20px;
    border: 1px solid rgb(156, 156, 156);
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(253, 253, 253), stop:1 rgb(203, 203, 203));
    color: rgb(80, 80, 80);
    margin-top: 1px;
    selection-background-color: rgb(153, 153, 153);
    selection-color: white;
}
QComboBox:hover {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(153, 153, 153), stop:1 rgb(60, 60, 60));
    color: white;
}
QComboBox:editable {
    background: white;
    color: black;
}
QComboBox::down-arrow { image: url(:/new/resource/combo_btn.png); }
QComboBox::down-arrow:hover { image: url(:/new/resource/combo_btn_hover.png); }

VuroCombobox QAbstractItemView::item {
    background: white;
    color: rgb(80, 80, 80);
}
VuroCombobox QAbstractItemView::item:hover {
    background: rgb(153, 153, 153);
    color: white;
}

QPushButton {
    border: none;
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(253, 253, 253), stop:1 rgb(203, 203, 203));
    color: rgb(80, 80, 80);
}
QPushButton:hover {
    background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 rgb(153, 153, 153), stop:1 rgb(60, 60, 60));
    color: white;
}

#wgt_advancedSettings { background: white; }
#wgt_commonTitle { background: rgb(46, 38, 36); }
BgWidget { border: 1px solid rgb(219, 220, 220); }

QSpinBox, QDoubleSpinBox { border: 1px solid #242424; }
QSpinBox::up-button, QSpinBox::down-button,
QDoubleSpinBox::up-button, QDoubleSpinBox::down-button { width: 0px; }

QSlider::handle:horizontal { image: url(:/new/resource/slider_btn.png); }
QSlider::handle:horizontal:hover { image: url(:/new/resource/slider_btn_hover.png); }

MyLabel {
    min-width: 18px; max-width: 18px;
    min-height: 16px; max-height: 16px;
    border-image: url(:/new/resource/removeAll_btn.png);
}
MyLabel:hover { border-image: url(:/new/resource/removeAll_btn_hover.png); }

#turnLeftBtn { background-image: url(:/new/resource/left_btn.png); border: none; }
#turnLeftBtn:hover { background-image: url(:/new/resource/left_btn_hover.png); }
#turnRightBtn { background-image: url(:/new/resource/right_btn.png); border: none; }
#turnRightBtn:hover { background-image: url(:/new/resource/right_btn_hover.png); }
#upperBtn { background-image: url(:/new/resource/move_up_btn.png); border: none; }
#upperBtn:hover { background-image: url(:/new/resource/move_up_btn_hover.png); }
#downBtn { background-image: url(:/new/resource/move_down_btn.png); border: none; }
#downBtn:hover { background-image: url(:/new/resource/move_down_btn_hover.png); }
#delete_current_page_btn { background-image: url(:/new/resource/removeAll_btn.png); border: none; }
#delete_current_page_btn:hover { background-image: url(:/new/resource/removeAll_btn_hover.png); }
#addFunctionBtn { background-image: url(:/new/resource/addFunction_btn.png); border: none; }
#addFunctionBtn:hover { background-image: url(:/new/resource/addFunction_btn_hover.png); }
#pb_ocr { background-image: url(:/new/resource/ocr_btn.png); border: none; }
#pb_ocr:hover { background-image: url(:/new/resource/ocr_btn_hover.png); }
#scalDown { background: transparent; background-image: url(:/new/resource/zoom_out.png); border: none; }
#scalDown:hover { background-image: url(:/new/resource/zoom_out_hover.png); }
#scaleUp { background: transparent; background-image: url(:/new/resource/zoom_in.png); border: none; }
#scaleUp:hover { background-image: url(:/new/resource/zoom_in_hover.png); }
#pb_changeBGAll { background-image: url(:/new/resource/changeBGALL_btn.png); }
#pb_changeBGAll:hover { background-image: url(:/new/resource/changeBGALL_btn_hover.png); }
#pb_ElimBorder { background-image: url(:/new/resource/elimBorder_btn.png); border: none; }
#pb_ElimBorder:hover { background-image: url(:/new/resource/elimBorder_btn_hover.png); }
#pb_viewDetail { background-image: url(:/new/resource/viewDetail.png); border: none; }
#roat90 { background: transparent; background-image: url(:/new/resource/roate90.png); border: none; }
#roat90:hover { background-image: url(:/new/resource/roate90_hover.png); }

QDialog { background: white; border: 1px solid black; }

QScrollBar:vertical { background: white; margin: 18px 0px 18px 0px; }
QScrollBar::handle:vertical { border: 1px solid gray; width: 18px; max-height: 48px; }
QScrollBar::add-line:vertical {
    height: 16px; border: 1px solid gray;
    subcontrol-position: bottom; subcontrol-origin: margin;
}
QScrollBar::sub-line:vertical {
    height: 16px; border: 1px solid gray;
    subcontrol-position: top; subcontrol-origin: margin;
}
QScrollBar::up-arrow:vertical { image: url(:/new/resource/up.png); }
QScrollBar::up-arrow:vertical:hover { image: url(:/new/resource/up_hover.png); }
QScrollBar::down-arrow:vertical { image: url(:/new/resource/down.png); }
QScrollBar::down-arrow:vertical:hover { image: url(:/new/resource/down_hover.png); }

#scrollAreaWidgetContents { background: gray; }
)css";

}  // namespace

QString appStyleSheet()
{
    return QString::fromLatin1(kStyleSheet);
}
