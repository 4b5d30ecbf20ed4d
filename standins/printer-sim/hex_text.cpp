#include "hex_text.h"

namespace printer_sim {

std::string hexText(const std::uint8_t* data, std::size_t length)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(length * 3);
    for (std::size_t i = 0; i < length; ++i) {
        if (i > 0)
            text += ' ';
        text += kDigits[data[i] >> 4];
        text += kDigits[data[i] & 0x0F];
    }
    return text;
}

}  // namespace printer_sim
