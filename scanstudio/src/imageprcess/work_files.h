#pragma once

#include <QString>

#include <string>

class QFile;
class QImage;

// The page model's work files in the shared work folder, where other users
// may plant links and pipes: written to a new file renamed over the name,
// read only when a regular file is at the name.
namespace vuro::work_files {

// Writes `image` as JPEG at `quality`; false for a null image or a failed
// write.
bool writeJpeg(const QImage &image, const QString &path, int quality);

// The JPEG at `path`, or a null image when it is missing or no regular file.
QImage readJpeg(const QString &path);

// Opens the regular file at `path` for reading into `file`; false, with
// `file` closed, for anything else.
bool openRegular(QFile &file, const QString &path);

// A new folder of its own (mode 0700) below a work folder, removed with all
// it holds when its owner goes.
class PrivateFolder
{
public:
    PrivateFolder(const QString &parent, const char *prefix);
    ~PrivateFolder();
    PrivateFolder(const PrivateFolder &) = delete;
    PrivateFolder &operator=(const PrivateFolder &) = delete;

    // False when no folder could be made.
    bool made() const { return !m_path.empty(); }
    // The path of `name` in the folder.
    QString file(const QString &name) const;

private:
    std::string m_path;
};

} // namespace vuro::work_files
