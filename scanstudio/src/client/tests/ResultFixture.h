#pragma once

// A window on a temporary install root whose home folder is a temporary one
// too, with helpers for the result page: pages that differ from each other,
// the strip's tiles in order, and the strip compared with freshly made
// thumbnails.

#include "WindowFixture.h"

#include <QByteArray>
#include <QImage>

#include <vector>

class PreviewWidget;

class ResultFixture : public WindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // `count` pages of 120 x 180 pixels, each with a dark block at its own
    // place, imported into the window's page list.
    static void addDistinctPages(MainWindow &window, int count);
    // The strip's tiles, top to bottom.
    static std::vector<PreviewWidget *> tiles(MainWindow &window);
    // Every tile shows a thumbnail made now from the page at its place, and
    // its number.
    static void expectTilesFresh(MainWindow &window);
    // The picture a tile shows.
    static QImage tileImage(const PreviewWidget &tile);

    std::string home() const { return path("home"); }

private:
    QByteArray m_oldHome;
};
