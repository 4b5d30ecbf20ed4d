#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTimer>

#include <memory>

// Answers the next modal message box with `button` as soon as it is up, and
// records its title and text. Lives until the test ends.
class ModalAnswer {
public:
    explicit ModalAnswer(QMessageBox::StandardButton button)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [this, button] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            m_title = box->windowTitle();
            m_text = box->text();
            ++m_count;
            m_timer.stop();
            box->button(button)->click();
        });
        m_timer.start();
    }

    int count() const { return m_count; }
    QString title() const { return m_title; }
    QString text() const { return m_text; }

private:
    QTimer m_timer;
    int m_count = 0;
    QString m_title;
    QString m_text;
};
