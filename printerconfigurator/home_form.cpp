#include "home_form.h"

#include "configurator_pages.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

HomeForm::HomeForm(QWidget* parent) : QWidget(parent), m_buttonNetForm(new QPushButton(this))
{
    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(QStringLiteral("://Resource/vuro.png"))
                        .scaled(96, 96, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    logo->setAlignment(Qt::AlignCenter);

    auto* title = new QLabel(QStringLiteral("激光打印工具"), this);
    QFont font = title->font();
    font.setPointSize(18);
    title->setFont(font);
    title->setAlignment(Qt::AlignCenter);

    m_buttonNetForm->setObjectName(QStringLiteral("buttonNetForm"));
    m_buttonNetForm->setFixedSize(160, 48);
    m_buttonNetForm->setStyleSheet(QStringLiteral("QPushButton{border-image: url(://Resource/button_net.png);}"));

    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(logo);
    layout->addWidget(title);
    layout->addSpacing(24);
    layout->addWidget(m_buttonNetForm, 0, Qt::AlignHCenter);
    layout->addStretch();

    connect(m_buttonNetForm, &QPushButton::clicked, this, &HomeForm::OnButtonNetFormClicked);
}

void HomeForm::OnButtonNetFormClicked()
{
    emit SgnChangeForm(kPageNet);
}
