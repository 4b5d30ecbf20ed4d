// The configurator's window: its stack of pages, the ways between them, the
// printer list each working page reads on entry, its pictures and its
// message boxes.

#include "configurator_fixture.h"

#include "home_form.h"
#include "message_boxes.h"

#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QTest>

namespace {

using namespace configurator_test;

QStringList ComboTexts(QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

TEST_F(ConfiguratorTest, WindowIsAFixedStackOfFourPagesStartingAtHome)
{
    Widget& window = Window();
    EXPECT_EQ(window.objectName(), QStringLiteral("Widget"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("泰岚激光打印工具"));
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_EQ(window.minimumSize(), QSize(400, 400));
    EXPECT_EQ(window.maximumSize(), QSize(400, 400));
    EXPECT_FALSE(window.windowFlags() & Qt::WindowMaximizeButtonHint);

    QStackedWidget* stack = window.Stack();
    ASSERT_EQ(stack->count(), 4);
    EXPECT_NE(qobject_cast<HomeForm*>(stack->widget(0)), nullptr);
    EXPECT_NE(qobject_cast<AlignmentForm*>(stack->widget(1)), nullptr);
    EXPECT_NE(qobject_cast<CleanForm*>(stack->widget(2)), nullptr);
    EXPECT_NE(qobject_cast<NetForm*>(stack->widget(3)), nullptr);
    EXPECT_EQ(stack->currentIndex(), 0);
}

TEST_F(ConfiguratorTest, HomeLeadsOnlyToTheNetworkPageAndEveryPageBack)
{
    WritePrinters({UsbPrinter(QStringLiteral("Q1"), kPortQ1)});
    QStackedWidget* stack = Window().Stack();
    const QList<QPushButton*> homeButtons = stack->widget(0)->findChildren<QPushButton*>();
    ASSERT_EQ(homeButtons.size(), 1) << "the home page offers the network page only";
    QTest::mouseClick(homeButtons[0], Qt::LeftButton);
    EXPECT_EQ(stack->currentIndex(), 3);
    EXPECT_EQ(ComboTexts(Printers(*stack->currentWidget())), QStringList{QStringLiteral("Q1")});

    for (int page : {3, 2, 1}) {
        Window().SlotChangeForm(page);
        ASSERT_EQ(stack->currentIndex(), page);
        QTest::mouseClick(Button(*stack->currentWidget(), "buttonBack"), Qt::LeftButton);
        EXPECT_EQ(stack->currentIndex(), 0) << page;
    }

    Window().SlotChangeForm(2);
    for (int outside : {4, -1, 99}) {
        Window().SlotChangeForm(outside);
        EXPECT_EQ(stack->currentIndex(), 2) << outside;
    }
}

TEST_F(ConfiguratorTest, EnteringAPageReadsThePrinterListAgain)
{
    CleanForm& clean = ShowPage<CleanForm>(2);
    EXPECT_EQ(Printers(clean)->count(), 0) << "no printer list yet";

    WritePrinters({UsbPrinter(QStringLiteral("Q1"), kPortQ1), NetworkPrinter(QStringLiteral("N1"), "127.0.0.2")});
    EXPECT_EQ(Printers(clean)->count(), 0) << "read on entry only";
    Window().SlotChangeForm(0);
    ShowPage<CleanForm>(2);
    EXPECT_EQ(ComboTexts(Printers(clean)), (QStringList{QStringLiteral("Q1"), QStringLiteral("N1")}));
    EXPECT_EQ(Printers(clean)->currentIndex(), 0);

    for (int page : {1, 3}) {
        QWidget* other = Window().Stack()->widget(page);
        EXPECT_EQ(Printers(*other)->count(), 0) << "a page reads the list when it is entered";
        Window().SlotChangeForm(page);
        EXPECT_EQ(ComboTexts(Printers(*other)), (QStringList{QStringLiteral("Q1"), QStringLiteral("N1")})) << page;
    }
}

TEST_F(ConfiguratorTest, WithoutPrintersEveryActionAsksForOneAndSendsNothing)
{
    MessageBoxRecorder boxes;
    CleanForm& clean = ShowPage<CleanForm>(2);
    QTest::mouseClick(Button(clean, "buttonClean"), Qt::LeftButton);
    AlignmentForm& alignment = ShowPage<AlignmentForm>(1);
    QTest::mouseClick(Button(alignment, "buttonPrint"), Qt::LeftButton);
    NetForm& net = ShowPage<NetForm>(3);
    QTest::mouseClick(Button(net, "buttonGet"), Qt::LeftButton);
    const QString choose = QStringLiteral("请选择一个打印机进行操作！");
    EXPECT_EQ(boxes.texts(), (QStringList{choose, choose, choose}));
    EXPECT_TRUE(m_usb.calls().empty());
}

TEST_F(ConfiguratorTest, PagesShowTheirPictures)
{
    Window();
    for (const char* path : {"://Resource/logo.png", "://Resource/vuro.png", "://Resource/button_net.png",
                             "://Resource/clean_1.png", ":/Resource/alignment_1.png", ":/Resource/alignment_7.png"})
        EXPECT_FALSE(QPixmap(QString::fromLatin1(path)).isNull()) << path;
    for (int page : {0, 1, 2}) {
        int pictures = 0;
        for (const QLabel* label : Window().Stack()->widget(page)->findChildren<QLabel*>())
            pictures += !label->pixmap(Qt::ReturnByValue).isNull();
        EXPECT_EQ(pictures, page == 1 ? 7 : 1) << page;
    }
}

TEST(MessageBoxes, CarryTheTitleAndTheChineseButtonsWithCancelAsDefault)
{
    MessageBoxRecorder boxes({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Cancel});
    EXPECT_EQ(ShowMessageBoxOk(nullptr, QStringLiteral("泰岚激光打印工具"), QStringLiteral("a")), 0x400);
    EXPECT_EQ(ShowMessageBoxOkCancel(nullptr, QStringLiteral("泰岚激光打印工具"), QStringLiteral("b")), 0x400);
    EXPECT_EQ(ShowMessageBoxOkCancel(nullptr, QStringLiteral("泰岚激光打印工具"), QStringLiteral("c")), 0x400000);
    ASSERT_EQ(boxes.boxes().size(), 3u);
    EXPECT_EQ(boxes.boxes()[0].title, QStringLiteral("泰岚激光打印工具"));
    EXPECT_EQ(boxes.boxes()[0].buttons, QStringList{QStringLiteral("确  定")});
    EXPECT_EQ(boxes.boxes()[1].buttons.size(), 2);
    EXPECT_TRUE(boxes.boxes()[1].buttons.contains(QStringLiteral("确  定")));
    EXPECT_TRUE(boxes.boxes()[1].buttons.contains(QStringLiteral("取  消")));
    EXPECT_EQ(boxes.boxes()[1].defaultButton, QStringLiteral("取  消"));

}

// Presses `key` in the next modal box.
void PressInNextBox(Qt::Key key)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, key] {
        QWidget* box = QApplication::activeModalWidget();
        if (box == nullptr || !box->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        QTest::keyClick(box, key);
    });
    timer->start();
}

TEST(MessageBoxes, EnterTakesTheDefaultButtonAndEscapeCancels)
{
    const QString title = QStringLiteral("泰岚激光打印工具");
    PressInNextBox(Qt::Key_Return);
    EXPECT_EQ(ShowMessageBoxOkCancel(nullptr, title, QStringLiteral("d")), 0x400000);
    PressInNextBox(Qt::Key_Escape);
    EXPECT_EQ(ShowMessageBoxOkCancel(nullptr, title, QStringLiteral("e")), 0x400000);
    PressInNextBox(Qt::Key_Return);
    EXPECT_EQ(ShowMessageBoxOk(nullptr, title, QStringLiteral("f")), 0x400);
}

}  // namespace
