// The cover's progress bar: the blue run is the truncated share of the
// width, and "%p" is the value itself.

#include "myprogressbar.h"

#include <QImage>

#include <gtest/gtest.h>

namespace {

const QColor kBlue(78, 177, 255);
const QColor kGrey(207, 207, 205);

QImage render(MyProgressBar &bar)
{
    return bar.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// Columns of the middle row painted in the bar's blue.
int blueColumns(const QImage &image)
{
    int count = 0;
    for (int x = 0; x < image.width(); ++x) {
        if (QColor(image.pixel(x, image.height() / 2)) == kBlue)
            ++count;
    }
    return count;
}

TEST(MyProgressBar, BlueRunIsTheTruncatedShareOfTheWidth)
{
    struct Case {
        int minimum, maximum, value, width, blue;
    };
    const Case cases[] = {
        {0, 100, 0, 201, 0},       // only the grey track
        {0, 100, 50, 201, 100},    // 100.5 pixels cut to 100
        {0, 100, 100, 201, 201},   // the whole track
        {0, 3, 1, 200, 66},        // 66.67 cut, not rounded
        {10, 20, 15, 100, 50},     // the share of the range, not of the value
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.minimum << ".." << c.maximum << " value " << c.value);
        MyProgressBar bar;
        bar.setFormat(QString());
        bar.resize(c.width, 30);
        bar.setRange(c.minimum, c.maximum);
        bar.setValue(c.value);
        const QImage image = render(bar);
        EXPECT_EQ(blueColumns(image), c.blue);
        if (c.blue < c.width) {
            EXPECT_EQ(QColor(image.pixel(c.width - 1 - 10, 15)), kGrey);
        }
    }
}

TEST(MyProgressBar, PercentPIsTheValueItself)
{
    struct Case {
        const char *format;
        const char *drawn;
    };
    // Range 0..200 at 50: Qt's own "%p" would be 25.
    const Case cases[] = {
        {"%p%", "50%"},
        {"page 3:%p%", "page 3:50%"},
        {"%p of %p", "50 of 50"},
        {"no value", "no value"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.format);
        MyProgressBar withFormat;
        MyProgressBar literal;
        for (MyProgressBar *bar : {&withFormat, &literal}) {
            bar->resize(200, 24);
            bar->setRange(0, 200);
            bar->setValue(50);
        }
        withFormat.setFormat(QString::fromLatin1(c.format));
        literal.setFormat(QString::fromLatin1(c.drawn));
        EXPECT_EQ(render(withFormat), render(literal));
        literal.setFormat(QStringLiteral("25%"));
        if (QString::fromLatin1(c.format).contains(QLatin1String("%p"))) {
            EXPECT_NE(render(withFormat), render(literal));
        }
    }
}

}  // namespace
