#pragma once

// The daemon's TCP connections to a network scanner, and its own address.

#include <cstddef>
#include <string>

// How long one connect, send or receive call may wait.
inline constexpr int kScannerTimeoutMs = 5000;

// A TCP connection to ip:port whose sends (and connect) and receives wait at
// most 5 seconds each; -1 when it cannot be made.
int vuro_init_tcp(const char* ip, int port);
void vuro_close_tcp(int fd);

// Receives exactly length bytes with up to 4 calls that each wait for all the
// bytes still missing; 0 when all arrived, else -1.
int vuro_tcp_recv_with_retry(int fd, void* buffer, size_t length);

// Sends all of text, a short or failed send counting as one of 11 tries;
// false when not all went out. A scanner that closed early raises no signal.
bool sendToScanner(int fd, const std::string& text);

// Receives an HTTP answer of at most 8192 bytes: until its Content-Length is
// complete, the scanner closes, the buffer is full, or timeoutMs passed.
// False when the receive failed before any byte came.
bool receiveHttpAnswer(int fd, std::string& answer, int timeoutMs = kScannerTimeoutMs);

// The first IPv4 address other than 127.0.0.1 on an interface that is up,
// running and capable of broadcast and multicast, copied into the zeroed
// buffer when it fits with room for the terminator: 0; -1 when the
// interfaces cannot be listed or the address does not fit.
int GetHostIPAddress(char* buffer, size_t size);
