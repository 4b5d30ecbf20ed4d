#include "message_boxes.h"

#include <QAbstractButton>
#include <QMessageBox>

static_assert(kMessageBoxOk == QMessageBox::Ok && kMessageBoxCancel == QMessageBox::Cancel);

int ShowMessageBoxOk(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确  定"));
    return box.exec();
}

int ShowMessageBoxOkCancel(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确  定"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取  消"));
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec();
}
