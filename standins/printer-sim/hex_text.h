#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace printer_sim {

// Bytes as upper-case hex pairs separated by blanks: "A5 00 0C".
std::string hexText(const std::uint8_t* data, std::size_t length);

}  // namespace printer_sim
