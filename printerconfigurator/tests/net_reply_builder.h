#pragma once

// Replies to the network settings frames as a printer sends them, built from
// the one layout definition (configurator_frames.h): items, the body, and
// the body cut into 64-byte USB packets that each begin with a header.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace net_reply {

using Bytes = std::vector<std::uint8_t>;

// One item: the tag, the unused bytes up to the length (filled with `filler`),
// the length and the value.
Bytes ModeItem(std::uint16_t tag, const std::string& value, std::uint8_t filler = 0);
Bytes AddressItem(std::uint16_t tag, const std::string& value, std::uint8_t filler = 0);
Bytes ConnectTypeItem(const std::string& value);

// The body: function 0xB2, operation 0x02, four more bytes, then the items.
Bytes Body(const std::vector<Bytes>& items);

// The body as the printer sends it: 59 body bytes after each 5-byte packet
// header, the first header's length field counting the whole reply.
Bytes Packets(const Bytes& body);

// A whole reply of the items.
Bytes Reply(const std::vector<Bytes>& items);

// The settings reply of a printer in tag family `iface` (1: 0x400x, 0: 0x401x).
struct Settings {
    std::string mode = "Static";
    std::vector<std::string> addresses = {"10.0.0.5", "255.255.255.0", "10.0.0.1", "10.0.0.53",
                                          "10.0.0.54", "0.0.0.0", "0.0.0.0"};
};
Bytes SettingsReply(int iface, const Settings& settings = Settings());

// The frames one after another, as a device's OUT endpoint takes them.
Bytes Join(std::initializer_list<Bytes> frames);

// Bytes from hex text: "A5 00 0B" (blanks ignored).
Bytes Hex(const char* text);

}  // namespace net_reply
