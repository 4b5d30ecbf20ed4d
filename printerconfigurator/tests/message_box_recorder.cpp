#include "message_box_recorder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>

#include <algorithm>

namespace {

const char kRecorded[] = "messageBoxRecorderSeen";

}  // namespace

MessageBoxRecorder::MessageBoxRecorder(std::deque<QMessageBox::StandardButton> answers)
    : m_answers(std::move(answers))
{
    m_timer.setInterval(5);
    QObject::connect(&m_timer, &QTimer::timeout, [this] { poll(); });
    m_timer.start();
}

QStringList MessageBoxRecorder::texts() const
{
    QStringList texts;
    for (const ShownBox& box : m_boxes)
        texts << box.text;
    return texts;
}

void MessageBoxRecorder::poll()
{
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    // Boxes live on the stack, so a new one may have an old one's address.
    if (box == nullptr || !box->isVisible() || box->property(kRecorded).toBool())
        return;
    box->setProperty(kRecorded, true);
    ShownBox shown;
    shown.title = box->windowTitle();
    shown.text = box->text();
    // The layout order of the button box, as the user sees it.
    if (const auto* buttonBox = box->findChild<QDialogButtonBox*>()) {
        QList<QAbstractButton*> buttons = buttonBox->buttons();
        std::sort(buttons.begin(), buttons.end(),
                  [](QAbstractButton* a, QAbstractButton* b) { return a->x() < b->x(); });
        for (QAbstractButton* button : buttons)
            shown.buttons << button->text();
    }
    if (box->defaultButton() != nullptr)
        shown.defaultButton = box->defaultButton()->text();
    m_boxes.push_back(shown);

    QMessageBox::StandardButton answer = QMessageBox::Ok;
    if (!m_answers.empty()) {
        answer = m_answers.front();
        m_answers.pop_front();
    }
    if (QAbstractButton* button = box->button(answer))
        button->click();
    else
        box->reject();
}
