#pragma once

#include <cstddef>

// A gray page buffer for the skew estimator, with its Canny edge map.
class ImageData
{
public:
    ImageData() = default;
    virtual ~ImageData();
    ImageData(const ImageData &) = delete;
    ImageData &operator=(const ImageData &) = delete;

    // Attaches a caller's buffer without taking ownership.
    bool Load(unsigned char *data, unsigned width, unsigned height, unsigned bytesPerPixel);
    // An owned, zeroed buffer; false when memory is out.
    bool AllocDataSpace(unsigned width, unsigned height, unsigned bytesPerPixel);
    std::size_t GetSize() const;
    // Deep copy into `target`, which then owns its buffer.
    bool Clone(ImageData &target) const;
    unsigned char getpixel(unsigned x, unsigned y) const;
    void putpixel(unsigned x, unsigned y, unsigned char value);
    void Cleanup();

    // Replaces the buffer with its Canny edge map (0 edge, 255 elsewhere).
    // True at once when the edges exist; false without pixel data, for a
    // buffer that is not one byte per pixel, an unknown mode, or when memory
    // runs out.
    bool BlurToEdges(int mode);

    const unsigned char *pixels() const { return m_pixels; }
    const unsigned char *edges() const { return m_edges; }
    unsigned width() const { return m_width; }
    unsigned height() const { return m_height; }
    unsigned bytesPerPixel() const { return m_bytesPerPixel; }

private:
    unsigned char *m_pixels = nullptr;
    unsigned m_width = 0;
    unsigned m_height = 0;
    unsigned char *m_edges = nullptr;
    bool m_owned = false;
    unsigned m_bytesPerPixel = 0;
};
