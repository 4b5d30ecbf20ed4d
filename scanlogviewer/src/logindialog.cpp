#include "logindialog.h"

#include "ui_logindialog.h"

#include <QMessageBox>

LoginDialog::LoginDialog(QWidget *parent, const QString &installRoot)
    : QDialog(parent), m_authPath(viewer_paths::authFile(installRoot)), ui(new Ui::LoginDialog)
{
    ui->setupUi(this);
    load(m_authPath);
}

LoginDialog::~LoginDialog()
{
    delete ui;
}

void LoginDialog::load(const QString &path)
{
    auth_file::load(path, m_stored);
}

void LoginDialog::on_login_clicked()
{
    // A file edited or created since the last attempt counts.
    load(m_authPath);
    const QString userName = ui->txt_userName->text();
    const QString password = ui->txt_password->text();
    if (!userName.isEmpty() && !password.isEmpty() && userName == m_stored.userName && password == m_stored.password) {
        accept();
        return;
    }
    QMessageBox::warning(this, tr("warning"), tr("access denine!"), QMessageBox::Yes);
    ui->txt_userName->clear();
    ui->txt_password->clear();
    ui->txt_userName->setFocus();
}

void LoginDialog::on_cancel_clicked()
{
    close();
}
