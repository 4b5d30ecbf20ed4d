#include "page_fixture.h"

#include <filesystem>

std::set<std::string> PageFixture::workFiles() const
{
    std::set<std::string> names;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(workFolder().toStdString(), ignored))
        names.insert(entry.path().filename().string());
    return names;
}

QImage withCornerMark(QImage page, int side, int inset)
{
    for (int y = inset; y < inset + side; ++y)
        for (int x = inset; x < inset + side; ++x)
            page.setPixel(x, y, qRgb(0, 0, 0));
    return page;
}

double meanGray(const QImage &image, const QRect &rect)
{
    double sum = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            sum += qGray(image.pixel(x, y));
    return sum / (static_cast<double>(rect.width()) * rect.height());
}

QImage loadJpeg(const QString &path)
{
    QImage image;
    image.load(path, "jpg");
    return image;
}
