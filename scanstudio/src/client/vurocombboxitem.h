#pragma once

#include <QString>
#include <QWidget>

class MyLabel;

// The widget over one row of the preset list: the row's index and name and,
// for a user preset, the delete glyph at its right end.
class VuroCombBoxItem : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int index READ getIndex)

public:
    VuroCombBoxItem(QWidget *parent, int index, bool deletable);

    int getIndex() const { return m_index; }
    QString getName() const { return m_name; }
    void setLabelContent(const QString &name) { m_name = name; }

signals:
    void deleteThis(VuroCombBoxItem *item);

public slots:
    void deleteThis();
    // A row was removed from the list: rows below it move up by one.
    void itemBeenDelete(int removedRow);

protected:
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    int m_index;
    MyLabel *m_glyph;
    QString m_name;
};
