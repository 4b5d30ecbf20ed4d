#include "work_files.h"

#include "file_routines.h"
#include "shared_file_io.h"

#include <QBuffer>
#include <QFile>
#include <QImage>

#include <unistd.h>

namespace vuro::work_files {

bool writeJpeg(const QImage &image, const QString &path, int quality)
{
    if (image.isNull())
        return false;
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "jpg", quality))
        return false;
    // Work files are made again from the unedited page: no need to sync them.
    return helper::replace_file(QFile::encodeName(path).toStdString(),
                                std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                helper::Durability::unsynced);
}

QImage readJpeg(const QString &path)
{
    QImage image;
    QFile file;
    if (openRegular(file, path))
        image.load(&file, "jpg");
    return image;
}

bool openRegular(QFile &file, const QString &path)
{
    const int fd = helper::open_regular_file(QFile::encodeName(path).toStdString());
    if (fd < 0)
        return false;
    if (file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(fd);
    return false;
}

PrivateFolder::PrivateFolder(const QString &parent, const char *prefix)
    : m_path(helper::create_private_directory(QFile::encodeName(parent).toStdString(), prefix))
{
}

PrivateFolder::~PrivateFolder()
{
    if (made())
        helper::remove_directory_tree(m_path);
}

QString PrivateFolder::file(const QString &name) const
{
    return QFile::decodeName(helper::combine_path_file(m_path, QFile::encodeName(name).toStdString()).c_str());
}

} // namespace vuro::work_files
