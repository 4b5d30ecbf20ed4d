#include "profile_text.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <exception>

#include <json/reader.h>
#include <json/writer.h>

namespace vuro::profile_text {

bool parse(const std::string& text, Json::Value& root)
{
    Json::Value parsed;
    try {
        Json::Reader reader;
        if (!reader.parse(text, parsed, false))
            return false;
    } catch (const std::exception&) {
        // The reader throws on too deeply nested text.
        return false;
    }
    if (!parsed.isObject())
        return false;
    root.swap(parsed);
    return true;
}

std::string styled(const Json::Value& root)
{
    Json::StyledWriter writer;
    return writer.write(root);
}

bool read_file(const std::string& path, std::string& text)
{
    // Non-blocking, so that a pipe in the file's place cannot hang the open.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info{};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return false;
    }
    std::string content;
    char chunk[65536];
    bool ok = true;
    for (;;) {
        ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        if (content.size() + static_cast<std::size_t>(got) > kMaxFileSize) {
            ok = false;
            break;
        }
        content.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    if (!ok || content.empty())
        return false;
    text.swap(content);
    return true;
}

}  // namespace vuro::profile_text
