#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// The raw page file being written: created for a new page, fed piece by
// piece as the data comes (unbuffered: the pieces are large), closed before the page is announced.
class PageFile {
public:
    PageFile() = default;
    PageFile(const PageFile &) = delete;
    PageFile &operator=(const PageFile &) = delete;
    ~PageFile();

    // Creates (or empties) the file; closes the one open before.
    bool open(const std::string &name);
    bool isOpen() const;
    // Writes the whole piece in at most 11 write calls.
    bool write(const unsigned char *data, std::size_t length);
    // False when the file could not be completed.
    bool close();

private:
    std::FILE *m_file = nullptr;
};
