#include "app_font.h"

#include <QFont>
#include <QFontDatabase>
#include <QMessageBox>
#include <QString>
#include <QStringList>

void chooseEmbeddedOrFallbackFont(QFont &font, const QString &resource)
{
    const int id = QFontDatabase::addApplicationFont(resource);
    if (id == 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(0);
        if (!families.isEmpty()) {
            font.setFamily(families.first());
            // Forms name the embedded font by the family of its file.
            QFont::insertSubstitution(QStringLiteral("SimHei"), families.first());
        }
        return;
    }

    const QStringList installed = QFontDatabase().families();
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
