#pragma once

// The network side of the printer tools: the address check and one exchange
// of a command frame with a printer's UDP port 9300.

#include <QString>

// Results of an exchange.
enum UdpExchangeResult {
    UDP_OK = 0,                 // datagram sent and the receive call made
    UDP_BAD_ADDRESS = -1,       // not a dotted IPv4 address
    UDP_NO_SOCKET = -2,
    UDP_SEND_FAILED = -3,       // the datagram did not go out whole
    UDP_TIMEOUT_NOT_SET = -4,   // the receive time-out could not be set
};

inline constexpr int kUdpReceiveTimeoutSeconds = 2;

// Whether the whole text is a dotted IPv4 address of four parts 0 to 255,
// each of at most three digits.
bool IsIPValid(const QString& address);

// Sends `frame` in one datagram to port 9300 of `address` and receives one
// datagram into `reply` (up to `capacity` bytes) within 2 s. `received` is
// the receive call's result: the byte count, or -1 when nothing came. An
// address that passes IsIPValid but that the system's parser refuses (a part
// written with a leading zero) gives UDP_BAD_ADDRESS and sends nothing.
int UDPSendRecvData(const QString& address, const unsigned char* frame, int frameLength, unsigned char* reply,
                    int capacity, int& received);
