#pragma once

// Answers the modal message boxes a test provokes, one after another, and
// records what each showed: title, text, button texts and the default button.

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <vector>

struct ShownBox {
    QString title;
    QString text;
    QStringList buttons;    // in the order the box lays them out
    QString defaultButton;  // text of the default button, empty when none
};

class MessageBoxRecorder {
public:
    // Each box is answered with the next of `answers`, then with Ok.
    explicit MessageBoxRecorder(std::deque<QMessageBox::StandardButton> answers = {});

    const std::vector<ShownBox>& boxes() const { return m_boxes; }
    // The texts of the boxes shown, in order.
    QStringList texts() const;
    // Forgets the boxes shown so far.
    void clear() { m_boxes.clear(); }
    void answerNext(QMessageBox::StandardButton answer) { m_answers.push_back(answer); }

private:
    void poll();

    QTimer m_timer;
    std::deque<QMessageBox::StandardButton> m_answers;
    std::vector<ShownBox> m_boxes;
};
