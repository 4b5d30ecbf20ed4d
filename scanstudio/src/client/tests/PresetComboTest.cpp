// The preset combo box: built-in rows without a delete glyph, user rows
// deleted by a press and release on their glyph, indexes renumbered.

#include "app_stylesheet.h"
#include "mylabel.h"
#include "vurocombboxitem.h"
#include "vurocombobox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QListWidget>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTest>

#include <gtest/gtest.h>

#include <vector>

namespace {

// The four built-in rows and the user presets A, B and C at rows 4 to 6.
struct PresetCombo {
    PresetCombo()
    {
        const char *builtIn[] = {"Picture", "Document", "add policy", "Last configuration (default)"};
        for (int i = 0; i < 4; ++i)
            m_combo.policy_insertItem(i, QString::fromLatin1(builtIn[i]));
        for (const char *name : {"A", "B", "C"})
            m_combo.policy_add(QString::fromLatin1(name));
        // As the window does once the profile has dropped the preset.
        QObject::connect(&m_combo, &VuroCombobox::removeThisItem, [this](VuroCombBoxItem *item) {
            ++m_requests;
            m_combo.removeItem(item);
            m_combo.setCurrentIndex(0);
        });
        m_combo.resize(196, 18);
        m_combo.show();
    }

    QListWidget *list() { return qobject_cast<QListWidget *>(m_combo.view()); }

    VuroCombBoxItem *rowWidget(int row)
    {
        return qobject_cast<VuroCombBoxItem *>(list()->itemWidget(list()->item(row)));
    }

    VuroCombBoxItem *rowNamed(const QString &name)
    {
        for (int row = 0; row < m_combo.count(); ++row) {
            if (rowWidget(row)->getName() == name)
                return rowWidget(row);
        }
        return nullptr;
    }

    static MyLabel *glyph(VuroCombBoxItem *item) { return item->findChild<MyLabel *>(); }

    QStringList texts() const
    {
        QStringList result;
        for (int row = 0; row < m_combo.count(); ++row)
            result << m_combo.itemText(row);
        return result;
    }

    // Press and release on the row's glyph in the open popup.
    void clickGlyph(const QString &name)
    {
        m_combo.showPopup();
        VuroCombBoxItem *item = rowNamed(name);
        ASSERT_NE(item, nullptr) << name.toStdString();
        QPointer<VuroCombBoxItem> watched = item;
        QTest::mousePress(glyph(item), Qt::LeftButton);
        QTest::mouseRelease(glyph(item), Qt::LeftButton);
        // The row's widget goes later, never inside its own glyph's handler.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_TRUE(watched.isNull());
    }

    VuroCombobox m_combo;
    int m_requests = 0;
};

class PresetComboTest : public ::testing::Test, protected PresetCombo {
};

TEST_F(PresetComboTest, BuiltInRowsCarryNoGlyphAndEveryRowItsName)
{
    ASSERT_EQ(m_combo.count(), 7);
    for (int row = 0; row < m_combo.count(); ++row) {
        SCOPED_TRACE(row);
        VuroCombBoxItem *item = rowWidget(row);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(item->getIndex(), row);
        EXPECT_EQ(item->property("index").toInt(), row);
        EXPECT_EQ(item->toolTip(), m_combo.itemText(row));
        EXPECT_TRUE(item->testAttribute(Qt::WA_AlwaysShowToolTips));
        EXPECT_EQ(glyph(item)->isHidden(), row < 4);
    }
    EXPECT_EQ(m_combo.insertPolicy(), QComboBox::NoInsert);
}

TEST(PresetComboDelete, ByReleaseOnTheGlyphAndRenumbers)
{
    struct Case {
        std::vector<const char *> deleted;
        QStringList users;        // user rows left, in order
        std::vector<int> indexes; // their stored indexes
    };
    const Case cases[] = {
        {{"B"}, {"A", "C"}, {4, 5}},
        {{"B", "C"}, {"A"}, {4}},
        {{"A"}, {"B", "C"}, {4, 5}},
        {{"C", "A"}, {"B"}, {4}},
        {{"A", "B", "C"}, {}, {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.deleted.size() << " deleted, first " << c.deleted[0]);
        PresetCombo fixture;
        for (const char *name : c.deleted)
            fixture.clickGlyph(QString::fromLatin1(name));
        EXPECT_EQ(fixture.m_requests, static_cast<int>(c.deleted.size()));
        EXPECT_EQ(fixture.texts().mid(4), c.users);
        for (int i = 0; i < c.users.size(); ++i)
            EXPECT_EQ(fixture.rowNamed(c.users[i])->getIndex(), c.indexes[static_cast<std::size_t>(i)]);
        EXPECT_EQ(fixture.m_combo.currentIndex(), 0);
        EXPECT_FALSE(fixture.m_combo.view()->isVisible());
    }
}

TEST_F(PresetComboTest, PressAloneDeletesNothing)
{
    m_combo.showPopup();
    QTest::mousePress(glyph(rowNamed(QStringLiteral("B"))), Qt::LeftButton);
    EXPECT_EQ(m_requests, 0);
    EXPECT_EQ(m_combo.count(), 7);
}

TEST_F(PresetComboTest, BaseRemoveByRowStaysReachable)
{
    m_combo.removeItem(6);
    EXPECT_EQ(texts().mid(4), (QStringList{"A", "B"}));
}

// The item rule of the application style sheet reaches the popup rows: their
// text is drawn in rgb(80,80,80), not in the palette's black.
TEST_F(PresetComboTest, PopupRowsTakeTheStyleSheetItemRule)
{
    EXPECT_NE(qobject_cast<QStyledItemDelegate *>(m_combo.view()->itemDelegate()), nullptr);
    qApp->setStyleSheet(appStyleSheet());
    m_combo.showPopup();
    QListWidget *view = list();
    // Rows without an item widget, so only the delegate paints them.
    for (int row = 0; row < view->count(); ++row)
        view->removeItemWidget(view->item(row));
    const QImage image = view->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    qApp->setStyleSheet(QString());

    int darkest = 255;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            darkest = std::min(darkest, qGray(image.pixel(x, y)));
    }
    EXPECT_GE(darkest, 70);
    EXPECT_LE(darkest, 90);
}

}  // namespace
