#pragma once

#include <QString>

// scan/auth, the viewer's one login: a JSON object in jsoncpp's styled form
// with the user name in plain text and the password in Base64.
namespace auth_file {

struct Login {
    QString userName;
    QString password;  // decoded
};

// Largest auth file that is read.
inline constexpr qint64 kMaxFileSize = 64 * 1024;

// The file written when none is there: user "admin", password "8526".
QByteArray defaultContent();

// Reads the login from the file at `path` into `login`. A missing file, or
// one of at most one byte, is written with the default login instead and
// `login` stays as it is. Failures keep `login` and write a debug line:
// "Can't open the file!" (no regular file, unreadable, too large),
// "parse fail" (no JSON object), "Open failed." (cannot be written).
void load(const QString &path, Login &login);

}  // namespace auth_file
