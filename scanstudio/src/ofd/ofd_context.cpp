#include "ofd_state.h"

#include "taliro/install_root.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <vector>

namespace ofd {

namespace {

// Largest JPEG file taken as a page.
constexpr off_t kMaxJpegFile = off_t(1) << 30;

document_state* state_of(ofd_context context) { return static_cast<document_state*>(context); }

std::string text_or_empty(const char* text) { return text != nullptr ? text : ""; }

// Reads the whole regular file; false when it is missing, empty, too large
// or cannot be read completely.
bool read_whole_file(const char* path, std::vector<unsigned char>& bytes)
{
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info{};
    bool ok = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 && info.st_size <= kMaxJpegFile;
    if (ok) {
        bytes.resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (ok && done < bytes.size()) {
            const ssize_t got = read(fd, bytes.data() + done, bytes.size() - done);
            if (got > 0)
                done += static_cast<std::size_t>(got);
            else
                ok = got < 0 && errno == EINTR;
        }
    }
    close(fd);
    return ok;
}

// A page from complete JPEG data: it begins with a start marker, ends with an
// end marker and its header gives a size.
bool describe_page(const unsigned char* bytes, std::size_t length, ofd_page& page)
{
    if (length < 3 || bytes[0] != 0xFF || bytes[1] != 0xD8 || bytes[2] != 0xFF)
        return false;
    if (length < 4 || bytes[length - 2] != 0xFF || bytes[length - 1] != 0xD9)
        return false;
    unsigned components = 0;
    if (!get_jpeg_info(bytes, length, page.width, page.height, components, page.dpi_x, page.dpi_y))
        return false;
    if (page.width == 0 || page.height == 0)
        return false;
    page.physical.width = static_cast<float>(page.width * 25.4 / page.dpi_x);
    page.physical.height = static_cast<float>(page.height * 25.4 / page.dpi_y);
    return true;
}

int append_page(document_state* state, ofd_page page, const unsigned char* bytes, std::size_t length)
{
    if (!describe_page(bytes, length, page)) {
        state->last_error = OFD_ERR_BAD_JPEG;
        return OFD_ERR_BAD_JPEG;
    }
    page.index = static_cast<int>(state->pages.size());
    state->pages.push_back(std::move(page));
    state->last_error = OFD_OK;
    return OFD_OK;
}

}  // namespace

std::string format_length(float millimetres)
{
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, static_cast<double>(millimetres),
                                      std::chars_format::fixed, 6);
    if (result.ec != std::errc())
        return "0.000000";
    return std::string(text, result.ptr);
}

std::string ofd_box::to_physical_box() const
{
    return "0 0 " + format_length(width) + " " + format_length(height);
}

ofd_context init_context(const ofd_docinfo* info, ofd_callback* callback)
{
    return init_context(info, callback, (std::string(taliro::kInstallRoot) + "scan/tmp/").c_str());
}

ofd_context init_context(const ofd_docinfo* info, ofd_callback* callback, const char* work_folder)
{
    if (info == nullptr || work_folder == nullptr || *work_folder == '\0')
        return nullptr;
    auto* state = new document_state;
    state->creator = text_or_empty(info->creator);
    state->creator_version = text_or_empty(info->creator_version);
    state->dpi_x = info->dpi;
    state->dpi_y = info->dpi;
    state->page_box.width = info->page_width;
    state->page_box.height = info->page_height;
    state->callback = callback;
    state->work_folder = work_folder;
    if (state->work_folder.back() != '/')
        state->work_folder += '/';
    return state;
}

int add_jpeg_image(ofd_context context, const char* file)
{
    document_state* state = state_of(context);
    if (state == nullptr)
        return OFD_ERR_NO_CONTEXT;
    std::vector<unsigned char> bytes;
    if (file == nullptr || !read_whole_file(file, bytes)) {
        state->last_error = OFD_ERR_BAD_JPEG;
        return OFD_ERR_BAD_JPEG;
    }
    ofd_page page;
    page.source = ofd_page::Source::File;
    page.file = file;
    return append_page(state, std::move(page), bytes.data(), bytes.size());
}

int add_jpeg_buffer(ofd_context context, const unsigned char* bytes, unsigned size)
{
    document_state* state = state_of(context);
    if (state == nullptr)
        return OFD_ERR_NO_CONTEXT;
    ofd_page page;
    page.source = ofd_page::Source::Memory;
    page.buffer = bytes;
    page.size = size;
    if (bytes == nullptr) {
        state->last_error = OFD_ERR_BAD_JPEG;
        return OFD_ERR_BAD_JPEG;
    }
    return append_page(state, std::move(page), bytes, size);
}

void add_customdata(ofd_context context, const char* name, const char* value, const char* type)
{
    if (document_state* state = state_of(context))
        state->custom_items.push_back({text_or_empty(name), text_or_empty(value), text_or_empty(type)});
}

void destory_context(ofd_context context) { delete state_of(context); }

int get_lasterror(ofd_context context)
{
    const document_state* state = state_of(context);
    return state != nullptr ? state->last_error : OFD_ERR_NO_CONTEXT;
}

}  // namespace ofd
