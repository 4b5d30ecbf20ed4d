#pragma once

// The connection process's side of the scan command protocol: reads one
// command number and its request record after another and answers each.

#include "scan_job.h"
#include "scan_protocol.h"
#include "scanner_transports.h"

#include <memory>
#include <set>
#include <string>

class DataProcessRunner;

class CommandServer {
public:
    // scanDir is the folder of the page files and logs, ending with "/";
    // pid names this connection's jobs.
    CommandServer(int clientFd, UsbScanner& usb, NetworkScanner& network, DataProcessRunner& dataProcess,
                  std::string scanDir, int pid);
    // Closes the data connections of this process's network scans.
    ~CommandServer();
    CommandServer(const CommandServer&) = delete;
    CommandServer& operator=(const CommandServer&) = delete;

    // Serves requests until the client closes, a receive fails or SIGQUIT came.
    // A connection whose first four bytes begin an HTTP request is closed at
    // once (no client sends them: commands are 0 to 19).
    void run();

private:
    void serve(int32_t command);

    template <class Request>
    bool receiveRequest(Request& request, const char* shortText);
    template <class Reply>
    void sendReply(const Reply& reply, const char* failedText);

    void findDevices();
    // The listed device's record, its strings NUL-terminated.
    USBFindDevRes describeDevice(const VURO_USB_DEV& device);
    void openDevice();
    void closeDevice();
    void clearEndpoint();
    void resetEndpoint();
    void startUsbScan();
    void abortUsbScan();
    void lockScanner();
    void usbAdfStatus();
    void usbDeviceProperties();
    // The commands that name a device and answer one result.
    void usbDeviceCommand(int (UsbScanner::*call)(int), const char* shortText, const char* failedText);
    void sendOsl();
    void startNetworkScan();
    void abortNetworkScan();
    void networkAdfStatus();
    void networkDeviceProperties();
    void reopenDevice();
    void deleteFile();

    int nextJobNumber();
    // Creates the job's data process when the device start gave 0. The start
    // reply's result: the start's, or 10 when the process could not be created.
    int32_t createDataProcess(int32_t startResult, JobKind kind, std::shared_ptr<BlockSource> blocks,
                              const std::string& base);
    void deleteJobPages(const char* base);
    void closeOwnedDataConnection(int fd);

    int clientFd_;
    UsbScanner& usb_;
    NetworkScanner& network_;
    DataProcessRunner& dataProcess_;
    std::string scanDir_;
    int pid_;
    int filename_index = 0;
    // Descriptors this process opened and a request may close.
    std::set<int> ownedDevices_;
    std::set<int> ownedDataConnections_;
};
