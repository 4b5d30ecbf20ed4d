#pragma once

// The listener process: accepts scan command connections on 127.0.0.1:7003
// and forks one connection process per connection, at most
// kMaxConnectionProcesses alive at once; a connection beyond them is closed
// at once. The connection processes' data processes do not count.

#include <string>

inline constexpr int kMaxConnectionProcesses = 64;

class NetworkScanner;
class UsbScanner;

// Runs until SIGQUIT clears the run flag; 0 then. A failed bind or listen
// ends the program with status 1.
int mainProc(UsbScanner& usb, NetworkScanner& network, const std::string& scanDir);
