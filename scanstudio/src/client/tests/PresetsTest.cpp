// Presets of a scanner: the built-in entries, presets added, chosen and
// removed as they reach scanApp.conf, the names a new preset gets, and the
// form fields that follow the colour mode, the save type and the source.

#include "WindowFixture.h"

#include "ModalAnswer.h"
#include "ui_mainwindow.h"
#include "vurocombboxitem.h"
#include "vurocombobox.h"

#include <QLineEdit>
#include <QListWidget>
#include <QTest>

#include <json/reader.h>
#include <json/value.h>

namespace {

class Presets : public WindowFixture {
protected:
    // Adding mode, a typed name and Scan (which reads "Save" then).
    static void addPreset(MainWindow &window, const QString &name)
    {
        window.policyCombo->setCurrentIndex(2);
        ASSERT_TRUE(window.addingPolicy);
        ASSERT_EQ(window.ui->pb_scan->text(), QStringLiteral("Save"));
        window.policyCombo->lineEdit()->setText(name);
        window.ui->pb_scan->click();
    }

    static QStringList comboEntries(const MainWindow &window)
    {
        QStringList entries;
        for (int i = 0; i < window.policyCombo->count(); ++i)
            entries << window.policyCombo->itemText(i);
        return entries;
    }

    // The preset names of the stand-in's scanner in scanApp.conf.
    std::vector<std::string> storedPresets() const
    {
        Json::Value root;
        Json::Reader().parse(testsupport::readText(path("scan/scanApp.conf")), root);
        std::vector<std::string> names;
        for (const Json::Value &scanner : root["scanners"]) {
            if (scanner["name"].asString() != "taliro:usb:q804")
                continue;
            for (const Json::Value &preset : scanner["policys"])
                names.push_back(preset["name"].asString());
        }
        return names;
    }
};

TEST_F(Presets, AddedNamesAndRefusedOnesReachTheProfile)
{
    auto window = makeReadyWindow();
    EXPECT_EQ(comboEntries(*window), (QStringList{"Picture", "Document", "add policy", "Last configuration (default)"}));
    // A scanner seen for the first time gets a default last preset.
    EXPECT_EQ(window->policyCombo->currentIndex(), 3);

    addPreset(*window, QStringLiteral("Picture"));
    addPreset(*window, QStringLiteral(" Picture "));
    addPreset(*window, QStringLiteral("Document"));
    addPreset(*window, QStringLiteral("TenLetters"));
    EXPECT_FALSE(window->addingPolicy);
    EXPECT_EQ(window->ui->pb_scan->text(), QStringLiteral("Scan"));
    EXPECT_FALSE(window->policyCombo->isEditable());
    EXPECT_EQ(window->policyCombo->currentIndex(), 0);

    struct Refused {
        QString name;
        QString message;
    };
    const Refused refused[] = {
        {QStringLiteral("ElevenChars"), QStringLiteral("too long to save policy name,max lenght is 10")},
        {QStringLiteral("   "), QStringLiteral("policy name is empty!")},
    };
    for (const Refused &r : refused) {
        SCOPED_TRACE(r.name.toStdString());
        ModalAnswer answer(QMessageBox::Ok);
        addPreset(*window, r.name);
        EXPECT_EQ(answer.count(), 1);
        EXPECT_EQ(answer.title(), QStringLiteral("ERROR"));
        EXPECT_EQ(answer.text(), r.message);
        // Adding mode stays for another name.
        EXPECT_TRUE(window->addingPolicy);
        EXPECT_EQ(window->ui->pb_scan->text(), QStringLiteral("Save"));
    }
    // No scan was started by any of it.
    EXPECT_EQ(countCalls("start"), 0);

    const QStringList added{"Picture#1", "Picture#1#1", "Document#1", "TenLetters"};
    EXPECT_EQ(comboEntries(*window).mid(4), added);
    window.reset();
    EXPECT_EQ(storedPresets(), (std::vector<std::string>{"Picture#1", "Picture#1#1", "Document#1", "TenLetters"}));
}

TEST_F(Presets, ChosenPresetFillsTheFormAndRemovedOneLeavesTheProfile)
{
    auto window = makeReadyWindow();
    Ui::MainWindow &ui = *window->ui;
    // A document-like preset: PDF, gray, 150 dpi, from the feeder.
    ui.cbx_scanSource->setCurrentIndex(1);
    ui.cbx_saveType->setCurrentIndex(4);
    ui.cbx_colorFormat->setCurrentIndex(1);
    ui.cbx_resolution->setCurrentIndex(2);
    ui.ckb_monoOut->setChecked(true);
    addPreset(*window, QStringLiteral("Letters"));
    addPreset(*window, QStringLiteral("Other"));
    EXPECT_EQ(ui.cbx_saveType->currentText(), QStringLiteral("JPG"));  // Picture applied

    window->policyCombo->setCurrentIndex(4);
    EXPECT_EQ(ui.cbx_scanSource->currentText(), QStringLiteral("ADF"));
    EXPECT_EQ(ui.cbx_saveType->currentText(), QStringLiteral("PDF"));
    EXPECT_EQ(ui.cbx_colorFormat->currentText(), QStringLiteral("Gray"));
    EXPECT_EQ(ui.cbx_resolution->currentText(), QStringLiteral("150 dpi"));
    EXPECT_TRUE(ui.ckb_grayOut->isChecked());
    EXPECT_TRUE(ui.ckb_monoOut->isChecked());
    EXPECT_FALSE(ui.ckb_colorOut->isChecked());

    // Built-in rows ask for nothing; a user row goes from the scanner and the combo.
    auto *list = qobject_cast<QListWidget *>(window->policyCombo->view());
    ASSERT_NE(list, nullptr);
    window->removePolicy(qobject_cast<VuroCombBoxItem *>(list->itemWidget(list->item(2))));
    EXPECT_EQ(window->policyCombo->count(), 6);
    window->policyCombo->getItemDeleteSignal(qobject_cast<VuroCombBoxItem *>(list->itemWidget(list->item(4))));
    EXPECT_EQ(comboEntries(*window).mid(4), QStringList{"Other"});
    EXPECT_EQ(window->policyCombo->currentIndex(), 0);
    window.reset();
    EXPECT_EQ(storedPresets(), std::vector<std::string>{"Other"});
}

TEST_F(Presets, AScannerOpensWithItsLastPresetOnceItHasScanned)
{
    script({"width=40", "height=60"});
    vuro::profile stored;
    bool existed = false;
    stored.add_scanner("taliro:usb:q804", existed)->last.reset();
    ASSERT_TRUE(stored.save(path("scan/scanApp.conf").c_str()));
    {
        auto window = makeReadyWindow();
        EXPECT_EQ(window->policyCombo->currentIndex(), 0);
        window->ui->cbx_saveType->setCurrentIndex(1);
        ASSERT_TRUE(scanAndWait(*window));
    }
    auto window = makeReadyWindow();
    EXPECT_EQ(window->policyCombo->currentIndex(), 3);
    EXPECT_EQ(window->ui->cbx_saveType->currentText(), QStringLiteral("PNG"));
}

TEST_F(Presets, FieldsThatFollowEachOther)
{
    auto window = makeReadyWindow();
    Ui::MainWindow &ui = *window->ui;

    // Colour mode: the scan colour's stream is always written; only those
    // made from it can be added.
    struct Streams {
        int mode;
        bool checked[3];
        bool enabled[3];
    };
    const Streams streams[] = {
        {1, {false, true, false}, {false, false, true}},
        {2, {false, false, true}, {false, false, false}},
        {0, {true, false, false}, {false, true, true}},
    };
    QCheckBox *const boxes[] = {ui.ckb_colorOut, ui.ckb_grayOut, ui.ckb_monoOut};
    for (const Streams &s : streams) {
        SCOPED_TRACE(s.mode);
        for (QCheckBox *box : boxes)
            box->setChecked(true);
        ui.cbx_colorFormat->setCurrentIndex(s.mode);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(boxes[i]->isChecked(), s.checked[i]) << i;
            EXPECT_EQ(boxes[i]->isEnabled(), s.enabled[i]) << i;
        }
    }

    // PNG and BMP are written at full quality.
    ui.cbx_quality->setCurrentIndex(3);
    ui.cbx_saveType->setCurrentIndex(1);
    EXPECT_EQ(ui.cbx_quality->currentText(), QStringLiteral("100%"));
    EXPECT_FALSE(ui.cbx_quality->isEnabled());
    ui.cbx_saveType->setCurrentIndex(0);
    EXPECT_TRUE(ui.cbx_quality->isEnabled());
    EXPECT_EQ(ui.cbx_quality->currentText(), QStringLiteral("100%"));

    // The feeder's list ends at 600 dpi; every entry carries its dpi.
    ui.cbx_resolution->setCurrentIndex(6);
    ui.cbx_scanSource->setCurrentIndex(1);
    EXPECT_EQ(ui.cbx_resolution->count(), 6);
    EXPECT_EQ(ui.cbx_resolution->itemText(5), QStringLiteral("600 dpi"));
    EXPECT_DOUBLE_EQ(window->scaleY, 356.0 / 371.0);
    const int dpis[] = {75, 100, 150, 200, 300, 600};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(ui.cbx_resolution->itemData(i).toInt(), dpis[i]) << i;

    // Turning pages upright needs 150 dpi.
    ui.cbx_resolution->setCurrentIndex(2);
    ui.ckb_useAutoRote->setChecked(true);
    ui.cbx_resolution->setCurrentIndex(1);
    EXPECT_FALSE(ui.ckb_useAutoRote->isEnabled());
    EXPECT_FALSE(ui.ckb_useAutoRote->isChecked());
}

// Turning pages upright, set in scanApp.conf, is still on after the first
// scanner has opened and its preset has filled the form.
TEST_F(Presets, StoredOrientationSettingSurvivesTheFirstPreset)
{
    vuro::profile stored;
    stored.config.use_detectOrientation = true;
    ASSERT_TRUE(stored.save(path("scan/scanApp.conf").c_str()));
    auto window = makeReadyWindow();
    EXPECT_EQ(window->ui->cbx_resolution->currentText(), QStringLiteral("300 dpi"));
    EXPECT_TRUE(window->ui->ckb_useAutoRote->isChecked());
    window->genSettingInfo();
    EXPECT_TRUE(window->imageprocess.getDetectOrientation());
}

}  // namespace
