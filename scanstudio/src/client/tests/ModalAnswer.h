#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <functional>
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

// Runs `act` on every new modal widget of type T while it lives (a dialog
// the code under test runs with exec), once per widget. Of several living
// at once, only the newest acts: an older one, used up, must not answer a
// dialog meant for the newer one, whichever timer fires first.
template <typename T>
class ModalAction {
public:
    explicit ModalAction(std::function<void(T &)> act)
        : m_act(std::move(act))
    {
        living().push_back(this);
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            if (living().back() != this)
                return;
            auto *widget = qobject_cast<T *>(QApplication::activeModalWidget());
            if (!widget || widget == m_last)
                return;
            m_last = widget;
            ++m_count;
            m_act(*widget);
        });
        m_timer.start();
    }

    ~ModalAction()
    {
        auto &all = living();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }

    int count() const { return m_count; }

private:
    static std::vector<ModalAction *> &living()
    {
        static std::vector<ModalAction *> all;
        return all;
    }

    QTimer m_timer;
    std::function<void(T &)> m_act;
    QPointer<T> m_last;
    int m_count = 0;
};

// Answers the modal file dialogs in turn with `answers` (a path to choose,
// an empty text to cancel), then any further one by cancelling. Records each
// dialog's caption and the file it proposed.
class FileDialogAnswers {
public:
    explicit FileDialogAnswers(QStringList answers)
        : m_answers(std::move(answers))
        , m_action([this](QFileDialog &dialog) {
            m_captions << dialog.windowTitle();
            m_proposals << dialog.selectedFiles().value(0);
            const QString answer = m_answers.isEmpty() ? QString() : m_answers.takeFirst();
            if (answer.isEmpty()) {
                dialog.reject();
                return;
            }
            // Typed as a whole path, as a user may: the dialog takes it even
            // where its folder does not exist.
            if (auto *edit = dialog.findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                edit->setText(answer);
            else
                dialog.selectFile(answer);
            static_cast<QDialog &>(dialog).accept();
        })
    {
    }

    int count() const { return m_captions.size(); }
    QStringList captions() const { return m_captions; }
    QStringList proposals() const { return m_proposals; }

private:
    QStringList m_answers;
    QStringList m_captions;
    QStringList m_proposals;
    ModalAction<QFileDialog> m_action;
};
