#include "vurocombobox.h"

#include "vurocombboxitem.h"

#include <QListWidget>
#include <QStyledItemDelegate>

VuroCombobox::VuroCombobox(QWidget *parent)
    : QComboBox(parent)
    , m_list(new QListWidget(this))
{
    setModel(m_list->model());
    setView(m_list);
    // The combo's own popup delegate ignores style sheet item rules.
    setItemDelegate(new QStyledItemDelegate(this));
    setInsertPolicy(QComboBox::NoInsert);
}

void VuroCombobox::policy_insertItem(int index, const QString &name)
{
    auto *item = new VuroCombBoxItem(nullptr, index, false);
    appendRow(item, name);
}

void VuroCombobox::policy_add(const QString &name)
{
    auto *item = new VuroCombBoxItem(nullptr, count(), true);
    connect(item, qOverload<VuroCombBoxItem *>(&VuroCombBoxItem::deleteThis),
            this, &VuroCombobox::getItemDeleteSignal);
    connect(this, &VuroCombobox::itemDeleted, item, &VuroCombBoxItem::itemBeenDelete);
    appendRow(item, name);
}

void VuroCombobox::appendRow(VuroCombBoxItem *item, const QString &name)
{
    item->setLabelContent(name);
    auto *row = new QListWidgetItem(name, m_list);
    item->setToolTip(name);
    item->setAttribute(Qt::WA_AlwaysShowToolTips);
    m_list->setItemWidget(row, item);
}

void VuroCombobox::getItemDeleteSignal(VuroCombBoxItem *item)
{
    emit removeThisItem(item);
}

void VuroCombobox::removeItem(VuroCombBoxItem *item)
{
    hidePopup();
    // Read before the row goes: the view releases the row's widget with it
    // (by deleteLater, since this runs inside the glyph's release handler).
    const int row = item->getIndex();
    QComboBox::removeItem(row);
    emit itemDeleted(row);
}

void VuroCombobox::focusOutEvent(QFocusEvent *)
{
}
