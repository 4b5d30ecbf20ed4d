#pragma once

#include "auth_file.h"
#include "viewer_paths.h"

#include <QDialog>
#include <QString>

namespace Ui {
class LoginDialog;
}

// The login in front of the log window: a user name and password checked
// against scan/auth, which is read again before every attempt.
class LoginDialog : public QDialog {
    Q_OBJECT

public:
    // `installRoot` ends with "/"; the auth file is scan/auth below it.
    explicit LoginDialog(QWidget *parent = nullptr, const QString &installRoot = viewer_paths::defaultInstallRoot());
    ~LoginDialog() override;

    // Reads the stored login from the auth file at `path`, or writes the
    // default login there when it is missing or nearly empty.
    void load(const QString &path);

private slots:
    void on_login_clicked();
    void on_cancel_clicked();

private:
    const QString m_authPath;
    auth_file::Login m_stored;
    Ui::LoginDialog *ui;
};
