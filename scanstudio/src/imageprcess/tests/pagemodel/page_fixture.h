#pragma once

#include "temp_folder.h"

#include <QImage>
#include <QString>

#include <gtest/gtest.h>

#include <set>
#include <string>

// A temporary install root for the page model.
class PageFixture : public ::testing::Test {
protected:
    QString root() const { return QString::fromStdString(m_root.dir()); }
    QString workFolder() const { return root() + "scan/tmp/"; }
    std::set<std::string> workFiles() const;

    testsupport::TempFolder m_root;
};

// `page` with a black square of `side` pixels at its top-left corner, inset by `inset`.
QImage withCornerMark(QImage page, int side, int inset);

// The mean gray (0..255) of a rectangle of `image`.
double meanGray(const QImage &image, const QRect &rect);

// A loaded work file, or a null image.
QImage loadJpeg(const QString &path);
