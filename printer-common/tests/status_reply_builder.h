#pragma once

// Builds status replies for tests and simulators by walking the one layout
// definition in status_reply.h.

#include <cstdint>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

struct SupplyRecord {
    unsigned type;
    Bytes data;
};

struct StatusReplyContent {
    Bytes header = Bytes(7, 0);  // the first seven bytes, not interpreted
    std::string vendor;
    std::string product;
    std::string serial;
    unsigned char status = 0;
    std::string firmware;
    std::string text;  // the unnamed text
    std::vector<unsigned> errors;
    std::vector<unsigned> warnings;
    std::vector<SupplyRecord> supplies;
};

// Every length and count is written as the content's own size.
Bytes BuildStatusReply(const StatusReplyContent& content);

// A supply record holding `value` big-endian in `width` bytes.
SupplyRecord NumberSupply(unsigned type, std::uint64_t value, std::size_t width);
// A supply record holding the bytes of `text`.
SupplyRecord TextSupply(unsigned type, const std::string& text);

// The reply of a "Taliro TX 560MDW" with serial "ABC123", status 0x10,
// firmware "1.0.3", errors 0x1106 and 0x11A0, warning 0x110D, remaining
// toner 9950 and supply serial "S001".
StatusReplyContent SampleStatusReply();
