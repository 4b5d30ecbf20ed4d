#pragma once

// The status query of a network printer: one command frame to UDP port 9300
// of the printer's IPv4 address, one reply within 2 s.

#include <QString>

#include <cstddef>

inline constexpr int kUdpReplyTimeoutMs = 2000;
inline constexpr std::size_t kUdpReplyCapacity = 2048;

// Sends the status query to `address` (dotted IPv4) and waits for a reply
// from that address (any source port); datagrams from anyone else are
// dropped and the wait goes on. Results: 0 with the reply in `reply` (more
// than 7 bytes, at most kUdpReplyCapacity); -1 the address is empty or not
// dotted IPv4 (nothing is sent); -2 no socket; -3 the query was not sent
// whole; -5 no reply of more than 7 bytes within the time.
int QueryStatusUdp(const QString& address, unsigned char (&reply)[kUdpReplyCapacity], std::size_t* received);
