// Any bytes offered as a page image are read within their bounds: the header
// reader and the page check either accept them or refuse them with -4.
#include "ofd.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<unsigned char> bytes(data, data + size);
    unsigned width = 0, height = 0, components = 0;
    double dpiX = 0, dpiY = 0;
    if (ofd::get_jpeg_info(bytes.data(), bytes.size(), width, height, components, dpiX, dpiY) &&
        (dpiX <= 0 || dpiY <= 0))
        std::abort();

    ofd::ofd_docinfo info;
    ofd::ofd_context context = ofd::init_context(&info, nullptr, "/nonexistent/");
    const int result = ofd::add_jpeg_buffer(context, bytes.data(), static_cast<unsigned>(bytes.size()));
    if (result != 0 && result != -4)
        std::abort();
    ofd::destory_context(context);
    return 0;
}
