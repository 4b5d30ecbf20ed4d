#include "imagedata.h"

#include "canny.h"
#include "checked_buffer.h"

#include <cstdlib>
#include <cstring>

namespace {

constexpr double kLowRatio = 0.1;
constexpr double kHighRatio = 0.87;

} // namespace

ImageData::~ImageData()
{
    Cleanup();
}

bool ImageData::Load(unsigned char *data, unsigned width, unsigned height, unsigned bytesPerPixel)
{
    if (data == nullptr)
        return false;
    Cleanup();
    m_pixels = data;
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
    return true;
}

bool ImageData::AllocDataSpace(unsigned width, unsigned height, unsigned bytesPerPixel)
{
    Cleanup();
    const std::size_t size = static_cast<std::size_t>(width) * bytesPerPixel * height;
    unsigned char *buffer = Deskew::allocateOrReport<unsigned char>(size, "Error allocating the buffer image.\n").release();
    if (buffer == nullptr)
        return false;
    std::memset(buffer, 0, size);
    m_pixels = buffer;
    m_owned = true;
    m_width = width;
    m_height = height;
    m_bytesPerPixel = bytesPerPixel;
    return true;
}

std::size_t ImageData::GetSize() const
{
    return static_cast<std::size_t>(m_width) * m_bytesPerPixel * m_height;
}

bool ImageData::Clone(ImageData &target) const
{
    if (&target == this || m_pixels == nullptr)
        return false;
    if (!target.AllocDataSpace(m_width, m_height, m_bytesPerPixel))
        return false;
    std::memcpy(target.m_pixels, m_pixels, GetSize());
    if (m_edges != nullptr)
        target.m_edges = target.m_pixels;
    return true;
}

unsigned char ImageData::getpixel(unsigned x, unsigned y) const
{
    return m_pixels[(static_cast<std::size_t>(y) * m_width + x) * m_bytesPerPixel];
}

void ImageData::putpixel(unsigned x, unsigned y, unsigned char value)
{
    m_pixels[(static_cast<std::size_t>(y) * m_width + x) * m_bytesPerPixel] = value;
}

void ImageData::Cleanup()
{
    if (m_owned)
        std::free(m_pixels);
    m_owned = false;
    m_pixels = nullptr;
    m_edges = nullptr;
}

bool ImageData::BlurToEdges(int mode)
{
    if (m_edges != nullptr)
        return true;
    if (m_pixels == nullptr || m_bytesPerPixel != 1 || mode != 0)
        return false;
    Deskew::Buffer<unsigned char> edges = Deskew::allocateOrReport<unsigned char>(
        static_cast<std::size_t>(m_width) * m_height, "Error allocating the edge image.\n");
    if (!edges || !Deskew::cannyEdges(m_pixels, m_width, m_height, kLowRatio, kHighRatio, 0, edges.get()))
        return false;
    const unsigned width = m_width;
    const unsigned height = m_height;
    Cleanup();
    m_pixels = edges.release();
    m_owned = true;
    m_edges = m_pixels;
    m_width = width;
    m_height = height;
    m_bytesPerPixel = 1;
    return true;
}
