#include "viewer_startup.h"

#include "app_font.h"

#include <QCoreApplication>
#include <QFont>
#include <QString>
#include <QTranslator>

void GetAppFont(QFont &font)
{
    chooseEmbeddedOrFallbackFont(font, QStringLiteral(":/setting/SIMHEI.TTF"));
}

void installCatalogue(QTranslator &translator)
{
    translator.load(QStringLiteral(":/setting/ui.qm"));
    QCoreApplication::installTranslator(&translator);
}
