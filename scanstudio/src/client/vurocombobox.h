#pragma once

#include <QComboBox>

class QListWidget;
class VuroCombBoxItem;

// The preset combo box: a list widget serves as its model and popup, and
// every user preset row carries a delete glyph that asks for the preset's
// removal without selecting the row.
class VuroCombobox : public QComboBox {
    Q_OBJECT

public:
    explicit VuroCombobox(QWidget *parent = nullptr);

    // A built-in row (no delete glyph) with the given index.
    void policy_insertItem(int index, const QString &name);
    // A deletable row appended at the end.
    void policy_add(const QString &name);

    using QComboBox::removeItem;

signals:
    void itemDeleted(int row);
    void removeThisItem(VuroCombBoxItem *item);

public slots:
    void getItemDeleteSignal(VuroCombBoxItem *item);
    // Removes the item's row; called once the preset itself is gone.
    void removeItem(VuroCombBoxItem *item);

protected:
    void focusOutEvent(QFocusEvent *event) override;

private:
    void appendRow(VuroCombBoxItem *item, const QString &name);

    QListWidget *m_list;
};
