// The advanced settings page: paper sizes shown in each unit and stored in
// millimetres, the custom size kept through Confirm and unit switches, the
// crop frame of a custom size, the crop frame as a custom size, Cancel and
// Default. These cases also run under a decimal-comma locale.

#include "WindowFixture.h"

#include "bgwidget.h"
#include "paintingwidget.h"
#include "paper_units.h"
#include "ui_mainwindow.h"
#include "utils.h"

#include <QTest>

namespace {

class AdvancedPage : public WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        window = makeWindow();
        window->show();
        window->ui->pb_advancedSettings->click();
    }

    void TearDown() override
    {
        window.reset();
        WindowFixture::TearDown();
    }

    Ui::MainWindow &ui() { return *window->ui; }
    QString shown() { return ui().spx_paperWidth->text() + " x " + ui().spx_paperHeight->text(); }
    std::string stored() { return window->scanProfile.config.paper_width + " x " + window->scanProfile.config.paper_height; }

    std::unique_ptr<MainWindow> window;
};

TEST_F(AdvancedPage, PaperSizesInEachUnit)
{
    struct Case {
        int type;
        int unit;
        QString expected;
    };
    const Case cases[] = {
        {0, unit_mm, "210.00 x 297.00"}, {0, unit_cm, "21.00 x 29.70"}, {0, unit_mm, "210.00 x 297.00"},
        {1, unit_inch, "6.93 x 9.84"},   {1, unit_cm, "17.60 x 25.00"}, {1, unit_mm, "176.00 x 250.00"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " in unit " + std::to_string(c.unit));
        ui().cbx_as_paperType->setCurrentIndex(c.type);
        ui().cbx_paperUnit->setCurrentIndex(c.unit);
        EXPECT_EQ(shown(), c.expected);
        EXPECT_FALSE(ui().spx_paperWidth->isEnabled());
    }
}

TEST_F(AdvancedPage, CustomSizeTypedInInchesIsStoredInMillimetres)
{
    ui().cbx_as_paperType->setCurrentIndex(2);
    EXPECT_TRUE(ui().spx_paperWidth->isEnabled());
    ui().cbx_paperUnit->setCurrentIndex(unit_inch);
    ui().spx_paperWidth->setValue(8.27);
    ui().spx_paperHeight->setValue(11.69);
    ui().btn_asConfirm->click();
    EXPECT_EQ(stored(), "210 x 297");
    EXPECT_EQ(window->scanProfile.config.paper_unit, unit_inch);
    EXPECT_EQ(def_vuro_papers[2][0], 210);
    EXPECT_TRUE(ui().wgt_advancedSettings->isHidden());
    EXPECT_FALSE(ui().widget_mainFrame->isHidden());

    // In centimetres the width is whole centimetres.
    ui().pb_advancedSettings->click();
    ui().cbx_paperUnit->setCurrentIndex(unit_cm);
    EXPECT_EQ(ui().spx_paperWidth->text(), QStringLiteral("21.00"));

    // Beyond the widest bed the width is held to 216 mm in the unit shown.
    ui().cbx_paperUnit->setCurrentIndex(unit_inch);
    ui().spx_paperWidth->setValue(9.5);
    EXPECT_EQ(ui().spx_paperWidth->text(), QStringLiteral("8.50"));
}

// Every whole millimetre each spin box takes comes back unchanged from
// Confirm, from an mm-inch-mm switch and from an mm-cm-mm switch.
TEST_F(AdvancedPage, EveryWholeMillimetreSurvivesConfirmAndUnitSwitches)
{
    ui().cbx_as_paperType->setCurrentIndex(2);
    for (QDoubleSpinBox *box : {ui().spx_paperWidth, ui().spx_paperHeight}) {
        const int maximum = static_cast<int>(box->maximum());
        for (int mm = 0; mm <= maximum; ++mm) {
            SCOPED_TRACE(box->objectName().toStdString() + " " + std::to_string(mm));
            box->setValue(mm);
            ui().btn_asConfirm->click();
            const vuro::config &config = window->scanProfile.config;
            const std::string &text = box == ui().spx_paperWidth ? config.paper_width : config.paper_height;
            ASSERT_EQ(static_cast<int>(paper_units::readNumber(text)), mm) << text;
            for (int unit : {unit_inch, unit_mm, unit_cm, unit_mm}) {
                ui().cbx_paperUnit->setCurrentIndex(unit);
                ui().btn_asConfirm->click();
            }
            ASSERT_EQ(box->value(), mm);
            ASSERT_EQ(static_cast<int>(paper_units::readNumber(text)), mm) << text;
        }
    }
}

TEST_F(AdvancedPage, ConfirmWithA4OrB5KeepsTheCustomSize)
{
    ui().cbx_as_paperType->setCurrentIndex(2);
    ui().spx_paperWidth->setValue(100);
    ui().spx_paperHeight->setValue(150);
    ui().btn_asConfirm->click();
    ui().pb_advancedSettings->click();
    ui().cbx_as_paperType->setCurrentIndex(1);
    ui().btn_asConfirm->click();
    EXPECT_EQ(window->scanProfile.config.paper_type, 1);
    EXPECT_EQ(stored(), "100.00 x 150.00");

    // Cancel reloads the page from the profile.
    ui().pb_advancedSettings->click();
    ui().cbx_as_paperType->setCurrentIndex(2);
    EXPECT_EQ(shown(), QStringLiteral("100.00 x 150.00"));
    ui().cbx_as_paperType->setCurrentIndex(0);
    ui().btn_asCancel->click();
    EXPECT_EQ(ui().cbx_as_paperType->currentIndex(), 1);
    EXPECT_EQ(shown(), QStringLiteral("176.00 x 250.00"));
}

TEST_F(AdvancedPage, CustomSizeAndCropFrameFollowEachOther)
{
    // The custom size places the crop frame on the canvas.
    ui().cbx_as_paperType->setCurrentIndex(2);
    ui().spx_paperWidth->setValue(100);
    ui().spx_paperHeight->setValue(150);
    ui().btn_asConfirm->click();
    PaintingWidget *overlay = window->bgWidget->paintingWidget();
    EXPECT_EQ(overlay->rectWithBorder.rect, QRect(QPoint(0, 0), QPoint(123, 186)));

    // A shown crop frame becomes the custom size when the page opens.
    overlay->rectWithBorder = RectWithBorder(QPoint(15, 15), QPoint(255, 335));
    overlay->show();
    ui().pb_advancedSettings->click();
    EXPECT_EQ(shown(), QStringLiteral("194.00 x 257.00"));
    // In the unit shown.
    ui().cbx_paperUnit->setCurrentIndex(unit_cm);
    ui().btn_asConfirm->click();
    overlay->rectWithBorder = RectWithBorder(QPoint(0, 0), QPoint(123, 186));
    ui().pb_advancedSettings->click();
    EXPECT_EQ(shown(), QStringLiteral("10.00 x 15.00"));
}

TEST_F(AdvancedPage, HeightRangeFollowsTheScanSource)
{
    window->ui->cbx_scanSource->addItems({"Flatbed", "ADF"});
    ui().cbx_as_paperType->setCurrentIndex(2);
    ui().cbx_scanSource->setCurrentIndex(1);
    ui().pb_advancedSettings->click();
    ui().spx_paperHeight->setValue(356);
    EXPECT_EQ(ui().spx_paperHeight->value(), 356);
    ui().cbx_scanSource->setCurrentIndex(0);
    ui().pb_advancedSettings->click();
    EXPECT_EQ(ui().spx_paperHeight->maximum(), 297);
    EXPECT_EQ(ui().spx_paperHeight->value(), 297);
}

TEST_F(AdvancedPage, DefaultStoresAtOnceAndStaysOpen)
{
    ui().cbx_as_paperType->setCurrentIndex(1);
    ui().cbx_paperUnit->setCurrentIndex(unit_inch);
    ui().ckb_useMedianBlur->setChecked(true);
    ui().spx_bgFade->setValue(9);
    ui().txt_saveFlieName->setText(QStringLiteral("mine"));
    ui().btn_asDefault->click();

    const vuro::config &config = window->scanProfile.config;
    EXPECT_FALSE(ui().wgt_advancedSettings->isHidden());
    EXPECT_EQ(config.paper_type, 0);
    EXPECT_EQ(config.paper_unit, unit_mm);
    EXPECT_FALSE(config.use_erase_background);
    EXPECT_FALSE(config.use_detectOrientation);
    EXPECT_EQ(config.erase_background_value, 1);
    EXPECT_EQ(config.file_rule, "taliro_%datetime%");
    EXPECT_EQ(config.save_directory, get_default_vuro_scan_doucments_directory());
    EXPECT_EQ(shown(), QStringLiteral("210.00 x 297.00"));
}

}  // namespace
