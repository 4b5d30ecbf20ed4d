#include "widget.h"

#include "alignment_form.h"
#include "clean_form.h"
#include "configurator_pages.h"
#include "home_form.h"
#include "net_form.h"

#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kWindowSize = 400;

}  // namespace

Widget::Widget(const ConfiguratorContext& context, QWidget* parent)
    : QWidget(parent)
{
    // The pictures of the pages live in the library's resources.
    Q_INIT_RESOURCE(printerconfigurator);
    m_stackedWidget = new QStackedWidget(this);
    m_homeForm = new HomeForm(m_stackedWidget);
    m_alignmentForm = new AlignmentForm(context, m_stackedWidget);
    m_cleanForm = new CleanForm(context, m_stackedWidget);
    m_netForm = new NetForm(context, m_stackedWidget);

    setObjectName(QStringLiteral("Widget"));
    setWindowTitle(QStringLiteral("泰岚激光打印工具"));
    setWindowIcon(QIcon(QStringLiteral("://Resource/logo.png")));
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setFixedSize(kWindowSize, kWindowSize);

    m_stackedWidget->addWidget(m_homeForm);
    m_stackedWidget->addWidget(m_alignmentForm);
    m_stackedWidget->addWidget(m_cleanForm);
    m_stackedWidget->addWidget(m_netForm);
    m_stackedWidget->setCurrentIndex(kPageHome);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_stackedWidget);

    connect(m_homeForm, &HomeForm::SgnChangeForm, this, &Widget::SlotChangeForm);
    for (BaseForm* page : {static_cast<BaseForm*>(m_alignmentForm), static_cast<BaseForm*>(m_cleanForm),
                           static_cast<BaseForm*>(m_netForm)})
        connect(page, &BaseForm::SgnChangeForm, this, &Widget::SlotChangeForm);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void Widget::SlotChangeForm(int index)
{
    if (index < 0 || index >= m_stackedWidget->count())
        return;
    if (index != kPageHome)
        static_cast<BaseForm*>(m_stackedWidget->widget(index))->InitForm();
    m_stackedWidget->setCurrentIndex(index);
}
