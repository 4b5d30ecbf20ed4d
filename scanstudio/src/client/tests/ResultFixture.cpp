#include "ResultFixture.h"

#include "previewwidget.h"
#include "ui_mainwindow.h"

#include <QGridLayout>
#include <QLabel>
#include <QPixmap>

#include <filesystem>

void ResultFixture::SetUp()
{
    WindowFixture::SetUp();
    std::filesystem::create_directories(home());
    m_oldHome = qgetenv("HOME");
    qputenv("HOME", QByteArray::fromStdString(home()));
}

void ResultFixture::TearDown()
{
    qputenv("HOME", m_oldHome);
    WindowFixture::TearDown();
}

void ResultFixture::addDistinctPages(MainWindow &window, int count)
{
    const int width = 120;
    const int height = 180;
    for (int i = 0; i < count; ++i) {
        std::vector<unsigned char> page(static_cast<std::size_t>(width * height * 3), 225);
        for (int y = 20 + 25 * i; y < 60 + 25 * i && y < height; ++y) {
            for (int x = 10 + 15 * i; x < 50 + 15 * i && x < width; ++x) {
                unsigned char *pixel = &page[static_cast<std::size_t>((y * width + x) * 3)];
                pixel[0] = static_cast<unsigned char>(40 * i);
                pixel[1] = 20;
                pixel[2] = static_cast<unsigned char>(200 - 40 * i);
            }
        }
        window.imageprocess.appendRGBDataImage(page.data(), width, height);
    }
}

std::vector<PreviewWidget *> ResultFixture::tiles(MainWindow &window)
{
    std::vector<PreviewWidget *> result;
    auto *layout = qobject_cast<QGridLayout *>(window.ui->scrollAreaWidgetContents->layout());
    if (layout == nullptr)
        return result;
    for (int row = 0; row < layout->rowCount(); ++row) {
        QLayoutItem *item = layout->itemAtPosition(row, 0);
        if (item != nullptr)
            result.push_back(qobject_cast<PreviewWidget *>(item->widget()));
    }
    return result;
}

QImage ResultFixture::tileImage(const PreviewWidget &tile)
{
    return tile.imageLabel()->pixmap(Qt::ReturnByValue).toImage().convertToFormat(QImage::Format_RGB32);
}

void ResultFixture::expectTilesFresh(MainWindow &window)
{
    const std::vector<PreviewWidget *> strip = tiles(window);
    ASSERT_EQ(static_cast<int>(strip.size()), window.imageprocess.getImageCount());
    for (int i = 0; i < static_cast<int>(strip.size()); ++i) {
        SCOPED_TRACE(testing::Message() << "tile " << i);
        ASSERT_NE(strip[i], nullptr);
        EXPECT_EQ(strip[i]->getIndex(), i);
        EXPECT_EQ(strip[i]->numberLabel()->text(), QString::number(i + 1));
        QImage *fresh = window.imageprocess.getShowImage(i, 158, 224, color_full);
        ASSERT_NE(fresh, nullptr);
        EXPECT_TRUE(tileImage(*strip[i]) == fresh->convertToFormat(QImage::Format_RGB32));
        window.imageprocess.endImage(fresh);
    }
}
