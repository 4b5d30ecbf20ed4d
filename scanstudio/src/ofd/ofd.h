#pragma once

#include <cstddef>
#include <cstdint>

// The OFD document writer: one JPEG image per page, packed with the
// document's XML files into a stored zip package.
namespace ofd {

// Error codes of create_document, also kept as the context's last error.
enum : int {
    OFD_OK = 0,
    OFD_ERR_NO_CONTEXT = -1,
    OFD_ERR_NO_PAGES = -2,
    OFD_ERR_CANCELLED = -3,
    OFD_ERR_BAD_JPEG = -4,
    OFD_ERR_PAGE_IMAGE = -5,
    OFD_ERR_XML_FILE = -7,
    OFD_ERR_FOLDER = -8,
    OFD_ERR_ZIP = -9,
};

// What the caller tells about the document; read once by init_context.
struct ofd_docinfo {
    std::uint16_t dpi = 0;          // both directions
    std::uint16_t page_width = 0;   // millimetres
    std::uint16_t page_height = 0;  // millimetres
    const char* creator = nullptr;
    const char* creator_version = nullptr;
};

// Messages and progress of create_document. The caller owns it and keeps it
// alive until create_document returns.
class ofd_callback {
public:
    virtual ~ofd_callback() = default;
    virtual void showMessage(const char* text, int code) = 0;
    // Called before each page is written; setting cancel stops the document.
    virtual void onPosChanging(long long total, long long pos, bool& cancel) = 0;
    virtual void onPosChanged(long long total, long long pos) = 0;
};

using ofd_context = void*;

// A new document context; null for a null document info. The package folder
// is made below `work_folder` (default: the install root's "scan/tmp/").
ofd_context init_context(const ofd_docinfo* info, ofd_callback* callback);
ofd_context init_context(const ofd_docinfo* info, ofd_callback* callback, const char* work_folder);

// Appends a page from a JPEG file, which must stay in place until
// create_document. 0, or OFD_ERR_BAD_JPEG when the file is missing, empty,
// too large or no complete JPEG; OFD_ERR_NO_CONTEXT for a null context.
int add_jpeg_image(ofd_context context, const char* file);

// The same for a JPEG in memory; the caller's buffer must stay valid until
// create_document.
int add_jpeg_buffer(ofd_context context, const unsigned char* bytes, unsigned size);

// A custom data item of the document information; null texts count as "".
void add_customdata(ofd_context context, const char* name, const char* value, const char* type);

// Writes the package to `out_file` (replaced when it exists, only once the
// whole package is written). 0 or one of the error codes above.
int create_document(ofd_context context, const char* out_file);

// Frees the context; a null context is ignored.
void destory_context(ofd_context context);

// The result of the latest add_jpeg_image, add_jpeg_buffer or
// create_document; OFD_ERR_NO_CONTEXT for a null context.
int get_lasterror(ofd_context context);

// Reads the pixel size, component count and resolution from a JPEG's header:
// the JFIF density (unit 1 dots per inch, unit 2 dots per centimetre, any
// other unit or a zero density 300 dpi) and the first baseline, extended or
// progressive frame header. False when the data ends before one is found or
// a segment does not begin with 0xFF.
bool get_jpeg_info(const unsigned char* bytes, std::size_t length, unsigned& width, unsigned& height,
                   unsigned& components, double& dpi_x, double& dpi_y);

}  // namespace ofd
