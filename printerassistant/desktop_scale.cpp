#include "desktop_scale.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

namespace {

QRect DesktopGeometry()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->virtualGeometry() : QRect();
}

}  // namespace

int DesktopWidth()
{
    return DesktopGeometry().width();
}

int DesktopHeight()
{
    return DesktopGeometry().height();
}

double DesktopScale()
{
    const int width = DesktopWidth();
    return width > kDesignDesktopWidth ? static_cast<double>(width) / kDesignDesktopWidth : 1.0;
}
