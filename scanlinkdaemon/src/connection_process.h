#pragma once

// One connection process per accepted client connection.

#include <string>

class NetworkScanner;
class UsbScanner;

// Serves the connection until it ends, then ends the process with status 0.
[[noreturn]] void runConnectionProcess(int clientFd, UsbScanner& usb, NetworkScanner& network,
                                       const std::string& scanDir);
