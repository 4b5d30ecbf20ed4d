#include "PageFile.h"

#include "WriteRetry.h"

#include <fcntl.h>
#include <unistd.h>

PageFile::~PageFile()
{
    close();
}

bool PageFile::open(const std::string &name)
{
    close();
    // The page folder is writable by every user: whatever stands at the name
    // (a link planted there included) is removed, and the file is made anew.
    ::unlink(name.c_str());
    const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    m_file = ::fdopen(fd, "wb");
    if (!m_file) {
        ::close(fd);
        return false;
    }
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    return true;
}

bool PageFile::isOpen() const
{
    return m_file != nullptr;
}

bool PageFile::write(const unsigned char *data, std::size_t length)
{
    return writeWithRetry(data, length, [this](const unsigned char *first, std::size_t count) {
        return std::fwrite(first, 1, count, m_file);
    });
}

bool PageFile::close()
{
    if (!m_file)
        return true;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return closed;
}
