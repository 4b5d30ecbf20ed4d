#pragma once

#include <QDialog>
#include <QRect>

class BgWidget;
class QPushButton;

// The border dialog: the page on a preview canvas with its movable crop
// rectangle; Save hands the rectangle back in page pixels. It reports one
// outcome: addFunctionDialogSaved on Save, or closeWithoutSave(0) when it
// goes any other way.
class AddFunctionDialog : public QDialog {
    Q_OBJECT

public:
    explicit AddFunctionDialog(QWidget *parent = nullptr);
    ~AddFunctionDialog() override;

    BgWidget *canvas() const { return m_canvas; }
    QPushButton *saveButton() const { return m_saveButton; }
    QPushButton *cancelButton() const { return m_cancelButton; }

    // Canvas pixels per page pixel, set by the caller before the dialog runs.
    double widthRate = 1.0;
    double heightRate = 1.0;

signals:
    void addFunctionDialogSaved(QRect rect);
    void closeWithoutSave(int state);

private slots:
    void on_AddFunction_SaveBtn_clicked();
    void on_ADDfunction_CancelBtn_clicked();

private:
    BgWidget *m_canvas;
    QPushButton *m_saveButton;
    QPushButton *m_cancelButton;
    bool m_saved = false;
};
