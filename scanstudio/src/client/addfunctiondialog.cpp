#include "addfunctiondialog.h"

#include "bgwidget.h"
#include "paintingwidget.h"

#include <QDebug>
#include <QLabel>
#include <QPushButton>

#include <cmath>

namespace {

// A rate the page's size could not give (a page of no size) saves nothing.
bool usableRate(double rate)
{
    return std::isfinite(rate) && rate > 0;
}

}  // namespace

AddFunctionDialog::AddFunctionDialog(QWidget *parent)
    : QDialog(parent)
    , m_canvas(new BgWidget(this))
    , m_saveButton(new QPushButton(this))
    , m_cancelButton(new QPushButton(this))
{
    setObjectName(QStringLiteral("AddFunctionDialog"));
    setFixedSize(281, 421);
    setWindowTitle(tr("Dialog"));

    m_saveButton->setObjectName(QStringLiteral("AddFunction_SaveBtn"));
    m_saveButton->setText(tr("Save"));
    m_saveButton->setGeometry(20, 390, 108, 28);
    m_saveButton->setMaximumHeight(28);
    m_cancelButton->setObjectName(QStringLiteral("ADDfunction_CancelBtn"));
    m_cancelButton->setText(tr("Cancel"));
    m_cancelButton->setGeometry(150, 390, 108, 28);
    m_cancelButton->setMaximumHeight(28);

    m_canvas->setGeometry(5, 0, 271, 390);
    m_canvas->captionLabel()->hide();
    m_canvas->sizeLabel()->setGeometry(5, 370, 88, 18);
    m_canvas->paintingWidget()->show();

    QMetaObject::connectSlotsByName(this);
}

AddFunctionDialog::~AddFunctionDialog()
{
    if (!m_saved)
        emit closeWithoutSave(0);
}

void AddFunctionDialog::on_AddFunction_SaveBtn_clicked()
{
    if (!usableRate(widthRate) || !usableRate(heightRate)) {
        qDebug() << "AddFunction rates" << widthRate << heightRate << "unusable";
        close();
        return;
    }
    m_saved = true;
    const QRect crop = m_canvas->paintingWidget()->rectWithBorder.rect;
    const QRect rect(static_cast<int>(crop.left() / widthRate), static_cast<int>(crop.top() / heightRate),
                     static_cast<int>((crop.right() - crop.left() + 1) / widthRate),
                     static_cast<int>((crop.bottom() - crop.top() + 1) / heightRate));
    qDebug() << "AddFunction rect" << rect;
    emit addFunctionDialogSaved(rect);
    close();
}

void AddFunctionDialog::on_ADDfunction_CancelBtn_clicked()
{
    close();
}
