#include "auth_file.h"

#include "json_text.h"
#include "profile_text.h"
#include "viewer_files.h"

#include <QByteArray>
#include <QDebug>
#include <QFile>

#include <json/value.h>

namespace auth_file {
namespace {

void writeDefault(const QString &path)
{
    QFile file;
    if (viewer_files::openTruncated(path, true, file) != viewer_files::Opened::Ok) {
        qDebug() << "Open failed.";
        return;
    }
    file.write(defaultContent());
}

}  // namespace

QByteArray defaultContent()
{
    Json::Value object(Json::objectValue);
    object["userName"] = "admin";
    object["password"] = QByteArray("8526").toBase64().toStdString();
    // jsoncpp's styled form, as ScanStudio's profile is written, then one
    // more line break.
    return QByteArray::fromStdString(vuro::profile_text::styled(object) + "\n");
}

void load(const QString &path, Login &login)
{
    QFile file;
    switch (viewer_files::openForReading(path, file)) {
    case viewer_files::Opened::Missing:
        writeDefault(path);
        return;
    case viewer_files::Opened::Failed:
        qDebug() << "Can't open the file!";
        return;
    case viewer_files::Opened::Ok:
        break;
    }
    if (file.size() <= 1) {
        file.close();
        writeDefault(path);
        return;
    }
    if (file.size() > kMaxFileSize) {
        qDebug() << "Can't open the file!";
        return;
    }

    QByteArray text;
    while (!file.atEnd() && text.size() <= kMaxFileSize) {
        const QByteArray line = file.readLine(kMaxFileSize);
        if (line.isEmpty())
            break;
        qDebug().noquote() << line;
        text += line;
    }
    Json::Value object;
    if (text.size() > kMaxFileSize || !json_text::parseObject(text.toStdString(), object)) {
        qDebug() << "parse fail";
        return;
    }
    login.userName = json_text::fromLocal(json_text::stringMember(object, "userName"));
    // The password ends at the first zero byte of the decoded text.
    const QByteArray decoded = QByteArray::fromBase64(QByteArray::fromStdString(json_text::stringMember(object, "password")));
    login.password = QString::fromLocal8Bit(decoded.constData());
}

}  // namespace auth_file
