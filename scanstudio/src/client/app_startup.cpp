#include "app_startup.h"

#include "app_font.h"

#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>
#include <QTranslator>

void GetAppFont(QFont &font)
{
    qDebug() << QFontDatabase().families();
    chooseEmbeddedOrFallbackFont(font, QStringLiteral(":/setting/resource/SIMHEI.TTF"));
}

void loadChineseCatalogues(QTranslator &application, QTranslator &qt)
{
    if (QLocale().language() != QLocale::Chinese)
        return;
    qDebug() << "use chinese";
    application.load(QStringLiteral(":/setting/ui.qm"));
    qt.load(QStringLiteral(":/setting/qt_zh_CN.qm"));
}
