#pragma once

// The configurator's home page: the maker's logo, the title and the one
// button that leads to the network settings page.

#include <QWidget>

class QPushButton;

class HomeForm : public QWidget {
    Q_OBJECT
public:
    explicit HomeForm(QWidget* parent = nullptr);

signals:
    void SgnChangeForm(int index);

private slots:
    void OnButtonNetFormClicked();

private:
    QPushButton* m_buttonNetForm;
};
