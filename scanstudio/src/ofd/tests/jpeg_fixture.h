#pragma once

// JPEG files for the OFD writer's tests, encoded by Qt like the page writers do.

#include <QBuffer>
#include <QColor>
#include <QImage>

#include <cmath>
#include <string>

namespace ofdtest {

// A w x h JPEG of one colour whose JFIF header carries `dpi` dots per inch.
inline std::string makeJpeg(int width, int height, int dpi, QRgb colour = qRgb(255, 255, 255))
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    const int dotsPerMetre = static_cast<int>(std::trunc(dpi * 39.37));
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG", 90);
    return bytes.toStdString();
}

// The same bytes with the JFIF density fields replaced.
inline std::string withDensity(std::string jpeg, unsigned char unit, unsigned x, unsigned y)
{
    jpeg[13] = static_cast<char>(unit);
    jpeg[14] = static_cast<char>(x >> 8);
    jpeg[15] = static_cast<char>(x & 0xFF);
    jpeg[16] = static_cast<char>(y >> 8);
    jpeg[17] = static_cast<char>(y & 0xFF);
    return jpeg;
}

inline const unsigned char* bytesOf(const std::string& text)
{
    return reinterpret_cast<const unsigned char*>(text.data());
}

}  // namespace ofdtest
