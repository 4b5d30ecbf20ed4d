#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

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

// Answers every modal message box while it lives: the boxes in turn with
// the buttons of `buttons`, then any further one with the last button.
// Records each box's title and text.
class ModalAnswers {
public:
    explicit ModalAnswers(std::vector<QMessageBox::StandardButton> buttons)
        : m_buttons(std::move(buttons))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box || box == m_last)
                return;
            m_last = box;
            m_titles << box->windowTitle();
            m_texts << box->text();
            const std::size_t turn = std::min<std::size_t>(m_texts.size() - 1, m_buttons.size() - 1);
            box->button(m_buttons[turn])->click();
        });
        m_timer.start();
    }

    int count() const { return m_texts.size(); }
    QStringList titles() const { return m_titles; }
    QStringList texts() const { return m_texts; }

private:
    QTimer m_timer;
    std::vector<QMessageBox::StandardButton> m_buttons;
    QPointer<QMessageBox> m_last;
    QStringList m_titles;
    QStringList m_texts;
};
