#include "app_startup.h"

#include <QDebug>
#include <QFont>
#include <QFontDatabase>
#include <QLocale>
#include <QMessageBox>
#include <QStringList>
#include <QTranslator>

void GetAppFont(QFont &font)
{
    const QStringList installed = QFontDatabase().families();
    qDebug() << installed;

    const int id = QFontDatabase::addApplicationFont(QStringLiteral(":/setting/resource/SIMHEI.TTF"));
    if (id == 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(0);
        if (!families.isEmpty())
            font.setFamily(families.first());
        return;
    }

    static const char *const fallbacks[] = {"Wenquanyi Bitmap Song", "Song Ti", "Ar Pl Uming Cn", "Ar Pl Ukai Cn"};
    for (const char *family : fallbacks) {
        if (installed.contains(QLatin1String(family), Qt::CaseSensitive)) {
            font.setFamily(QLatin1String(family));
            return;
        }
    }
    QMessageBox box(QMessageBox::NoIcon, QString(), QStringLiteral("Error occured when showing Fonts!"), QMessageBox::Ok);
    box.exec();
}

void loadChineseCatalogues(QTranslator &application, QTranslator &qt)
{
    if (QLocale().language() != QLocale::Chinese)
        return;
    qDebug() << "use chinese";
    application.load(QStringLiteral(":/setting/ui.qm"));
    qt.load(QStringLiteral(":/setting/qt_zh_CN.qm"));
}
