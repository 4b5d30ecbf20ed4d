#include "appsetting.h"

#include "desktop_scale.h"
#include "ui_appsetting.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QStyle>

AppSetting::AppSetting(const AssistantPaths& paths, QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::AppSetting)
    , m_paths(paths)
{
    ui->setupUi(this);
    if (DesktopWidth() > kDesignDesktopWidth) {
        ScaleControl(this);
        ScaleControl(ui->checkBoxAutoStart);
        ScaleControl(ui->pushButtonOK);
        ScaleControl(ui->pushButtonCancel);
    }
    setWindowFlags(windowFlags() & ~Qt::WindowMaximizeButtonHint);
    setFixedSize(size());
    setWindowTitle(QStringLiteral("设置"));
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen->availableGeometry()));

    ui->checkBoxAutoStart->setText(QStringLiteral("开机启动"));
    ui->pushButtonOK->setText(QStringLiteral("确定"));
    ui->pushButtonCancel->setText(QStringLiteral("取消"));
    InitOption();
}

AppSetting::~AppSetting()
{
    delete ui;
}

QString AppSetting::AutoStartFolder() const
{
    return m_paths.homePath + QStringLiteral("/.config/autostart/");
}

QString AppSetting::AutoStartPath() const
{
    return AutoStartFolder() + QString::fromLatin1(kAutoStartEntry);
}

bool AppSetting::ReadAutoStartOption() const
{
    return QFile::exists(AutoStartPath());
}

bool AppSetting::SaveAutoStartOption(bool on)
{
    if (!on)
        return QFile::remove(AutoStartPath());
    QDir().mkpath(AutoStartFolder());
    // QFile::copy never replaces an existing file.
    return QFile::copy(m_paths.appDirPath + QStringLiteral("/") + QString::fromLatin1(kAutoStartEntry),
                       AutoStartPath());
}

void AppSetting::InitOption()
{
    ui->checkBoxAutoStart->setChecked(ReadAutoStartOption());
}

void AppSetting::SaveOption()
{
    SaveAutoStartOption(ui->checkBoxAutoStart->isChecked());
}

void AppSetting::ScaleControl(QWidget* widget)
{
    const double scale = static_cast<double>(DesktopWidth()) / kDesignDesktopWidth;
    const QRect geometry = widget->geometry();
    widget->setGeometry(Scaled(geometry.x(), scale), Scaled(geometry.y(), scale),
                        Scaled(geometry.width(), scale), Scaled(geometry.height(), scale));
}

void AppSetting::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
    InitOption();
}

void AppSetting::on_pushButtonOK_clicked()
{
    hide();
    SaveOption();
    InitOption();
}

void AppSetting::on_pushButtonCancel_clicked()
{
    hide();
    InitOption();
}
