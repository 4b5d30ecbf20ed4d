// Any bytes: the header check reads only what it was given, accepts exactly
// the frames whose length field matches, and agrees with the builder.

#include "command_frame.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::vector<std::uint8_t> copy(data, data + size);  // exact bounds for the sanitizer
    const auto check = command_frame::checkHeader(copy.data(), copy.size());
    if (check == command_frame::HeaderCheck::Ok) {
        if (command_frame::lengthField(copy.data()) != size - command_frame::kLengthFieldEnd)
            std::abort();
        const std::vector<std::uint8_t> rebuilt = command_frame::buildFrame(
            copy[command_frame::kFunctionOffset], copy[command_frame::kOperationOffset],
            copy.data() + command_frame::kBodyOffset, size - command_frame::kBodyOffset);
        if (rebuilt != copy)
            std::abort();
    }
    if (size >= 2) {
        const std::vector<std::uint8_t> built =
            command_frame::buildFrame(copy[0], copy[1], copy.data() + 2, size - 2);
        if (command_frame::checkHeader(built.data(), built.size()) != command_frame::HeaderCheck::Ok)
            std::abort();
    }
    return 0;
}
