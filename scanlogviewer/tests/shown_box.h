#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

// A message box as the user saw it.
struct ShownBox {
    bool shown = false;
    QString title;
    QString text;
    QStringList buttons;
};

// Runs `action` and answers the message box it shows with `answer`.
template <typename Action>
ShownBox answerBox(QMessageBox::StandardButton answer, Action action)
{
    ShownBox seen;
    QTimer timer;
    timer.setInterval(5);
    QObject::connect(&timer, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        timer.stop();
        seen.shown = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (const QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        if (QAbstractButton *button = box->button(answer))
            button->click();
        else
            box->reject();
    });
    timer.start();
    action();
    return seen;
}
