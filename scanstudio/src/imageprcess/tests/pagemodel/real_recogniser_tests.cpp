// The hand-off with the installed recogniser stand-in (Debian's tesseract):
// text in English and Chinese comes back, and turned pages come back upright.

#include "libimageprocess.h"
#include "page_fixture.h"
#include "test_pages.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <QRegularExpression>
#include <QTransform>

#include <memory>

namespace {

using vuro::Libimageprocess;

const char *const kEnglishLines[] = {
    "The scanner feeds every page through the document feeder",
    "Each correction starts again from the unedited page",
    "Background whitening and deskew run before the crop",
    "Saved pages keep the resolution of the scan",
};
const char *const kChineseLine = "扫描仪自动进纸，文字识别完成";

// An A5 page at 200 dpi with lines of known words.
QImage textPage()
{
    QImage page = TestPages::blank(1169, 1654, 200, qRgb(255, 255, 255));
    QPainter painter(&page);
    painter.setPen(Qt::black);
    QFont latin("DejaVu Sans");
    latin.setPixelSize(30);
    painter.setFont(latin);
    int y = 150;
    for (const char *line : kEnglishLines) {
        painter.drawText(80, y, QString::fromUtf8(line));
        y += 70;
    }
    QFont chinese("WenQuanYi Micro Hei");
    chinese.setPixelSize(44);
    painter.setFont(chinese);
    painter.drawText(80, y + 30, QString::fromUtf8(kChineseLine));
    return page;
}

QString withoutSpaces(QString text)
{
    text.remove(QRegularExpression("\\s"));
    return text;
}

class RealRecogniserTest : public PageFixture {
protected:
    void SetUp() override
    {
        QDir().mkpath(root() + "bin");
        QDir().mkpath(root() + "data/talirotessdata");
        ASSERT_TRUE(QFile::copy(RECOGNISER_LAUNCHER, root() + "bin/taliroocr"));
        QFile::setPermissions(root() + "bin/taliroocr", QFile::ReadOwner | QFile::ExeOwner);
        for (const char *model : {"osd", "eng", "chi_sim"}) {
            const QString name = QString(model) + ".traineddata";
            ASSERT_TRUE(QFile::link(QString(TESSDATA_DIR) + "/" + name, root() + "data/talirotessdata/" + name));
        }
    }

    Libimageprocess list{root()};
};

TEST_F(RealRecogniserTest, RecognisesEnglishAndChineseWords)
{
    QString version;
    ASSERT_TRUE(list.getOCREnable(version));
    EXPECT_TRUE(version.startsWith("tesseract 5")) << qPrintable(version);

    QImage page = textPage();
    list.setDPI(200);
    list.setQuality(100);
    list.appendImage(&page);
    const QString out = root() + "scan/ocr.txt";
    ASSERT_TRUE(list.ocr(0, out, "eng+chi_sim", false));
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    for (const char *word : {"scanner", "document", "unedited", "whitening", "resolution"})
        EXPECT_TRUE(text.contains(word)) << word << " in:\n" << qPrintable(text);
    for (const char *word : {"扫描仪", "文字识别"})
        EXPECT_TRUE(withoutSpaces(text).contains(QString::fromUtf8(word))) << word << " in:\n" << qPrintable(text);
}

TEST_F(RealRecogniserTest, TurnedPagesComeBackUpright)
{
    const QImage upright = textPage().convertToFormat(QImage::Format_RGB32);
    for (int turn : {90, 180}) {
        QImage page = upright.transformed(QTransform().rotate(turn));
        list.correctOrientation(&page);
        EXPECT_EQ(page.convertToFormat(QImage::Format_RGB32), upright) << "turned by " << turn;
    }
}

TEST_F(RealRecogniserTest, PageWithTooLittleTextStaysAsItIs)
{
    QImage blank = TestPages::blank(600, 800, 200, qRgb(255, 255, 255));
    const QImage before = blank;
    list.correctOrientation(&blank);
    EXPECT_EQ(blank, before);
}

} // namespace
