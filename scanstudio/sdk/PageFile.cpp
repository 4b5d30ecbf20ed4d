#include "PageFile.h"

namespace {
constexpr int kWriteAttempts = 11;
}

PageFile::~PageFile()
{
    close();
}

bool PageFile::open(const std::string &name)
{
    close();
    m_file = std::fopen(name.c_str(), "wb");
    if (m_file)
        std::setvbuf(m_file, nullptr, _IONBF, 0);
    return m_file != nullptr;
}

bool PageFile::isOpen() const
{
    return m_file != nullptr;
}

bool PageFile::write(const unsigned char *data, std::size_t length)
{
    std::size_t written = 0;
    for (int attempt = 0; attempt < kWriteAttempts && written < length; ++attempt)
        written += std::fwrite(data + written, 1, length - written, m_file);
    return written == length;
}

bool PageFile::close()
{
    if (!m_file)
        return true;
    const bool closed = std::fclose(m_file) == 0;
    m_file = nullptr;
    return closed;
}
