#pragma once

// The network settings of a printer as the settings page edits them, and
// their command frames: the write frame built from the settings, and the
// printer's replies parsed into them.

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

#include "configurator_frames.h"

// No tag family known yet: no successful read has told it.
inline constexpr int kIfaceUnknown = -1;

struct stIPInfo {
    int iface = kIfaceUnknown;  // 0: tags 0x4010 to 0x401F; any other value: 0x4000 to 0x400F
    int mode = 0;               // 0 DHCP, 1 static
    QString ip;
    QString mask;
    QString gateway;
    QString dns1;
    QString dns2;
    QString wins1;
    QString wins2;
};

// The address of row `row` (0 IP ... 6 secondary WINS), in tag order.
QString& AddressOf(stIPInfo& info, int row);
const QString& AddressOf(const stIPInfo& info, int row);

// The texts of the mode item.
inline constexpr char kModeDhcp[] = "DHCP";
inline constexpr char kModeStatic[] = "Static";

// A reply's text values are at most this long.
inline constexpr int kMaxReplyValueLength = 400;

// Stores the four decimal parts of a valid address at frame[offset] ...
// frame[offset + 3]; false (nothing stored) for an invalid address.
bool FormatIPData(const QString& address, unsigned char* frame, std::size_t offset);

// The settings write frame. False when an address was invalid; its four
// bytes stay 0 and the rest of the frame is built all the same.
using SettingsWriteFrame = std::array<std::uint8_t, configurator_frames::kSettingsWriteSize>;
bool WriteSendData(const stIPInfo& info, SettingsWriteFrame& frame);

// A reply without its packet headers: false unless it is longer than 6 bytes
// and begins with 0xA5; else every byte but the 5 from each position that is
// a multiple of 64 and holds 0xA5.
bool FormatRecvData(const unsigned char* reply, int length, QByteArray& body);

// Parses the items of a reply into `info`, from body offset 6 to the end:
// mode, addresses and connection type. False for a reply FormatRecvData
// refuses, an unknown tag, a mode other than "DHCP" or "Static", an address
// that is not valid, or an item that runs past the reply or holds a value
// longer than kMaxReplyValueLength; the fields set before stay set.
bool ParseRecvData(const unsigned char* reply, int length, stIPInfo& info);
