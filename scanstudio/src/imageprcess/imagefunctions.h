#pragma once

namespace ImageFunctions {

// Tells a text page from a picture: data is one gray byte per pixel, rows
// packed (stride = width). Samples every tenth row.
bool IsTextImage(const unsigned char *data, int width, int height);

} // namespace ImageFunctions
