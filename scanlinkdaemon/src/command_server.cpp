#include "command_server.h"

#include "daemon_log.h"
#include "data_process.h"
#include "page_files.h"
#include "quit_signal.h"
#include "scan_job.h"
#include "scanner_transports.h"
#include "socket_io.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class UsbBlocks : public BlockSource {
public:
    UsbBlocks(UsbScanner& usb, int fd) : usb_(usb), fd_(fd) {}
    int readBlock(int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) override
    {
        return usb_.scanRecord(fd_, status, data, dataSize);
    }

private:
    UsbScanner& usb_;
    int fd_;
};

class NetworkBlocks : public BlockSource {
public:
    NetworkBlocks(NetworkScanner& network, const VuroSocket& scanner) : network_(network), scanner_(scanner) {}
    int readBlock(int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) override
    {
        return network_.scanRecord(scanner_, status, data, dataSize);
    }

private:
    NetworkScanner& network_;
    VuroSocket scanner_;
};

std::string withoutTrailingSlash(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// The scanner as a start or an abort hands it to the transport: the data
// connection the client named has been dealt with here (closed when this
// process opened it), so the transport gets none to close.
VuroSocket withoutDataConnection(VuroSocket scanner)
{
    scanner.tcpFromScanner = -1;
    return scanner;
}

void copyFileName(char (&target)[kFileNameSize], const std::string& name)
{
    std::snprintf(target, sizeof target, "%s", name.c_str());
}

// The first four bytes of the HTTP requests a browser or a proxy sends, compared as bytes.
bool beginsHttpRequest(const int32_t& command)
{
    static const char* const kHttpWords[] = {"GET ", "POST", "PUT ", "HEAD", "OPTI", "DELE", "PATC", "CONN"};
    for (const char* word : kHttpWords) {
        if (std::memcmp(&command, word, sizeof command) == 0)
            return true;
    }
    return false;
}

}  // namespace

CommandServer::CommandServer(int clientFd, UsbScanner& usb, NetworkScanner& network, DataProcessRunner& dataProcess,
                             std::string scanDir, int pid)
    : clientFd_(clientFd), usb_(usb), network_(network), dataProcess_(dataProcess), scanDir_(std::move(scanDir)),
      pid_(pid)
{
}

CommandServer::~CommandServer()
{
    for (int fd : ownedDataConnections_)
        close(fd);
}

void CommandServer::run()
{
    for (bool first = true;; first = false) {
        int32_t command = 0;
        // SIGQUIT interrupts the wait for the next command and ends the connection like a disconnect.
        const bool received = flag && waitForInput(clientFd_) == InputWait::Ready &&
                              receiveWhole(clientFd_, &command, sizeof command) == sizeof command;
        if (!received || !flag) {
            logQuitSignal();
            logInfo("[TaliroScanSDK] pid:%d DISCONNECT FROM SERVER\n", pid_);
            return;
        }
        if (first && beginsHttpRequest(command)) {
            logError("[TaliroScanSDK] pid:%d HTTP request, conn closed\n", pid_);
            return;
        }
        logInfo("[TaliroScanSDK] pid:%d recv scanCommandType %d\n", pid_, command);
        serve(command);
    }
}

void CommandServer::serve(int32_t command)
{
    switch (command) {
    case USB_FIND_DEV: findDevices(); break;
    case USB_OPEN_DEV: openDevice(); break;
    case USB_CLOSE_DEV: closeDevice(); break;
    case USB_CLEAR_DEV: clearEndpoint(); break;
    case USB_RESET_DEVEP: resetEndpoint(); break;
    case USB_SCAN_START: startUsbScan(); break;
    case USB_SCAN_ABORT: abortUsbScan(); break;
    case USB_SCAN_LOCK: lockScanner(); break;
    case USB_SCAN_UNLOCK:
        usbDeviceCommand(&UsbScanner::scanUnlock, "[TaliroScanSDK] recv ScanUnlockReq err\n",
                         "[TaliroScanSDK] send ScanUnlockReq result err\n");
        break;
    case USB_SCAN_POWERON:
        usbDeviceCommand(&UsbScanner::scanPowerOn, "[TaliroScanSDK] recv ScanPowerOnReq err\n",
                         "[TaliroScanSDK] send ScanPowerOnReq result err\n");
        break;
    case USB_SCAN_GETSIZES:
        usbDeviceCommand(&UsbScanner::scanGetSizes, "[TaliroScanSDK] recv ScanGetSizesReq err\n",
                         "[TaliroScanSDK] send ScanGetSizesReq result err\n");
        break;
    case USB_SCAN_ADFSTATUS: usbAdfStatus(); break;
    case USB_SCAN_DEVPROPERTIES: usbDeviceProperties(); break;
    case TCP_SEND_OSL: sendOsl(); break;
    case TCP_SCAN_START: startNetworkScan(); break;
    case TCP_SCAN_ABORT: abortNetworkScan(); break;
    case TCP_SCAN_ADFST: networkAdfStatus(); break;
    case TCP_SCAN_DEVPROPERTIES: networkDeviceProperties(); break;
    case USB_REOPEN_DEV: reopenDevice(); break;
    case CMD_DELETE_FILE: deleteFile(); break;
    default: logError("[TaliroScanSDK] undefined scanCommandType %d\n", command); break;
    }
}

template <class Request>
bool CommandServer::receiveRequest(Request& request, const char* shortText)
{
    zeroRecord(request);
    if (receiveWhole(clientFd_, &request, sizeof request) == sizeof request)
        return true;
    logError("%s", shortText);
    return false;
}

template <class Reply>
void CommandServer::sendReply(const Reply& reply, const char* failedText)
{
    if (serverTcpSendWithRetry(clientFd_, &reply, sizeof reply, 0) != sizeof reply && failedText)
        logError("%s", failedText);
}

void CommandServer::findDevices()
{
    USBFindDevReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv FindDevReq err\n"))
        return;
    VURO_USB_DEV devices[kMaxListedDevices];
    std::memset(devices, 0, sizeof devices);
    const int32_t count = std::min(
        usb_.findDevices(request.vid, request.pid, request.compareWithPID != 0, devices, kMaxListedDevices),
        kMaxListedDevices);
    for (int i = 0; i < count; ++i)
        ownedDevices_.insert(devices[i].fd);
    if (serverTcpSendWithRetry(clientFd_, &count, sizeof count, 0) != sizeof count) {
        logError("[TaliroScanSDK] send dev count err\n");
        return;
    }
    for (int i = 0; i < count; ++i) {
        const USBFindDevRes record = describeDevice(devices[i]);
        if (serverTcpSendWithRetry(clientFd_, &record, sizeof record, 0) != sizeof record) {
            logError("[TaliroScanSDK] send FindDevRes err\n");
            return;
        }
    }
}

USBFindDevRes CommandServer::describeDevice(const VURO_USB_DEV& device)
{
    USBFindDevRes record;
    zeroRecord(record);
    usb_.describeDevice(device, record);
    terminateWireString(record.Manufacturer);
    terminateWireString(record.Product);
    terminateWireString(record.SerialNumber);
    return record;
}

void CommandServer::openDevice()
{
    USBCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv OpenDevReq err\n"))
        return;
    const int32_t result = usb_.init(request.devfd);
    logInfo("[TaliroScanSDK] USB_OPEN_DEV result %d\n", result);
    sendReply(result, nullptr);
}

void CommandServer::closeDevice()
{
    USBCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv CloseDevReq err\n"))
        return;
    if (ownedDevices_.erase(request.devfd) > 0)
        usb_.closeDevice(request.devfd);
    const int32_t result = kSaneGood;
    logInfo("[TaliroScanSDK] USB_CLOSE_DEV result %d\n", result);
    sendReply(result, "[TaliroScanSDK] send CloseDevReq result err\n");
}

void CommandServer::clearEndpoint()
{
    USBClearDevEpReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ClearDevEpReq err\n"))
        return;
    const int32_t result = usb_.clearHalt(request.devfd, request.ep);
    logInfo("[TaliroScanSDK] USB_CLEAR_DEV result %d\n", result);
    sendReply(result, "[TaliroScanSDK] send ClearDevEpReq result err\n");
}

void CommandServer::resetEndpoint()
{
    USBResetDevEpReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ResetDevEpReq err\n"))
        return;
    const int32_t result = usb_.resetEndpoint(request.devfd, request.ep);
    logInfo("[TaliroScanSDK] USB_RESET_DEVEP result %d\n", result);
    sendReply(result, "[TaliroScanSDK] send ResetDevEpReq result err\n");
}

int CommandServer::nextJobNumber() { return filename_index++; }

int32_t CommandServer::createDataProcess(int32_t startResult, JobKind kind, std::shared_ptr<BlockSource> blocks,
                                         const std::string& base)
{
    // A refused start runs no job, so a job still running stays the one that an abort ends.
    if (startResult != kSaneGood)
        return startResult;
    const int clientFd = clientFd_;
    if (dataProcess_.start([=] { runScanJob(kind, *blocks, clientFd, base); }))
        return startResult;
    logError("[TaliroScanSDK] create data proc err\n");
    return kSaneNoMemory;
}

void CommandServer::startUsbScan()
{
    USBCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanStartReq err\n"))
        return;
    const int32_t started = usb_.scanStart(request.devfd);
    const std::string base = jobBaseName(scanDir_, pid_, nextJobNumber());
    const int32_t result =
        createDataProcess(started, JobKind::Usb, std::make_shared<UsbBlocks>(usb_, request.devfd), base);
    USBScanStartRes reply;
    zeroRecord(reply);
    reply.result = result;
    copyFileName(reply.fileName, base);
    sendReply(reply, "[TaliroScanSDK] send ScanStartReq result err\n");
    logInfo("[TaliroScanSDK] usb scanstart main process exit:%d pid:%d\n", result, pid_);
    dataProcess_.release();
}

void CommandServer::deleteJobPages(const char* base) { deleteFileList(withoutTrailingSlash(scanDir_), base); }

void CommandServer::abortUsbScan()
{
    USBScanAbortReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanAbortReq err\n"))
        return;
    terminateWireString(request.fileName);
    const int32_t result = usb_.scanAbort(request.devfd);
    dataProcess_.stop();
    deleteJobPages(request.fileName);
    sendReply(result, "[TaliroScanSDK] send ScanAbortReq result err\n");
}

void CommandServer::lockScanner()
{
    USBScanLockReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanLockReq err\n"))
        return;
    const int32_t result = usb_.scanLock(request.devfd, request.info);
    logInfo("[TaliroScanSDK] USB_SCAN_LOCK result %d\n", result);
    sendReply(result, "[TaliroScanSDK] send ScanLockReq result err\n");
}

void CommandServer::usbDeviceCommand(int (UsbScanner::*call)(int), const char* shortText, const char* failedText)
{
    USBCommonReq request;
    if (!receiveRequest(request, shortText))
        return;
    const int32_t result = (usb_.*call)(request.devfd);
    sendReply(result, failedText);
}

void CommandServer::usbAdfStatus()
{
    USBCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanAdfStatusReq err\n"))
        return;
    USBScanAdfStatusRes reply;
    zeroRecord(reply);
    int32_t status = 0;
    reply.result = usb_.scanAdfStatus(request.devfd, status);
    reply.st = status;
    sendReply(reply, "[TaliroScanSDK] send ScanAdfStatusRes err\n");
}

void CommandServer::usbDeviceProperties()
{
    USBCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanDevicePropertiesReq err\n"))
        return;
    USBScanDevicePropertiesRes reply;
    zeroRecord(reply);
    reply.result = usb_.scanDeviceProperties(request.devfd, reply.st);
    sendReply(reply, "[TaliroScanSDK] send ScanDevicePropertiesRes err\n");
}

void CommandServer::sendOsl()
{
    TCPOSLReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanDevicePropertiesReq err\n"))
        return;
    terminateWireString(request.socket.szScannerIP);
    std::string answer;
    TCPOSLRes reply;
    zeroRecord(reply);
    reply.result = network_.sendOsl(request.socket, request.type, answer);
    reply.bufferLen = static_cast<int32_t>(answer.size());
    const bool sent = serverTcpSendWithRetry(clientFd_, &reply, sizeof reply, 0) == sizeof reply &&
                      (answer.empty() || serverTcpSendWithRetry(clientFd_, answer.data(), answer.size(), 0) ==
                                             static_cast<ssize_t>(answer.size()));
    if (!sent)
        logError("[TaliroScanSDK] send ScanDevicePropertiesRes err\n");
}

void CommandServer::closeOwnedDataConnection(int fd)
{
    if (ownedDataConnections_.erase(fd) > 0)
        close(fd);
}

void CommandServer::startNetworkScan()
{
    TCPScanStartReq request;
    zeroRecord(request);
    const size_t received = receiveWhole(clientFd_, &request, sizeof request);
    if (received != sizeof request) {
        logError("[TaliroScanSDK] recv ScanStartReq err len:%d\n", static_cast<int>(received));
        return;
    }
    terminateWireString(request.socket.szScannerIP);
    closeOwnedDataConnection(request.socket.tcpFromScanner);
    int dataConnection = -1;
    const int32_t started =
        network_.scanStart(withoutDataConnection(request.socket), request.info, dataConnection);
    if (dataConnection >= 0)
        ownedDataConnections_.insert(dataConnection);
    const std::string base = jobBaseName(scanDir_, pid_, nextJobNumber());
    VuroSocket scanner = request.socket;
    scanner.tcpFromScanner = dataConnection;
    const int32_t result =
        createDataProcess(started, JobKind::Network, std::make_shared<NetworkBlocks>(network_, scanner), base);
    TCPScanStartRes reply;
    zeroRecord(reply);
    reply.result = result;
    reply.socketDataFd = dataConnection >= 0 ? dataConnection : request.socket.tcpFromScanner;
    copyFileName(reply.fileName, base);
    sendReply(reply, "[TaliroScanSDK] send ScanStartReq result err\n");
    logInfo("[TaliroScanSDK] tcp scanstart main process exit:%d pid:%d\n", result, pid_);
    dataProcess_.release();
}

void CommandServer::abortNetworkScan()
{
    TCPScanAbortReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv TCPScanAbortReq err\n"))
        return;
    terminateWireString(request.socket.szScannerIP);
    terminateWireString(request.fileName);
    closeOwnedDataConnection(request.socket.tcpFromScanner);
    const int32_t result = network_.scanAbort(withoutDataConnection(request.socket));
    dataProcess_.stop();
    deleteJobPages(request.fileName);
    sendReply(result, "[TaliroScanSDK] send TCPScanAbortReq err\n");
}

void CommandServer::networkAdfStatus()
{
    TCPCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanDevicePropertiesReq err\n"))
        return;
    terminateWireString(request.socket.szScannerIP);
    TCPADFStatusRes reply;
    zeroRecord(reply);
    int32_t status = 0;
    reply.result = network_.adfStatus(request.socket, status);
    reply.st = status;
    sendReply(reply, "[TaliroScanSDK] send ScanDevicePropertiesRes err\n");
}

void CommandServer::networkDeviceProperties()
{
    TCPCommonReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv ScanDevicePropertiesReq err\n"))
        return;
    terminateWireString(request.socket.szScannerIP);
    TCPDevPropertiesRes reply;
    zeroRecord(reply);
    reply.result = network_.deviceProperties(request.socket, reply.devPro);
    sendReply(reply, "[TaliroScanSDK] send ScanDevicePropertiesRes err\n");
}

void CommandServer::reopenDevice()
{
    USBReopenDevReq request;
    USBReopenDevRes reply;
    zeroRecord(reply);
    reply.ret = kSaneIoError;
    if (!receiveRequest(request, "[TaliroScanSDK] recv USBReopenDevReq err\n")) {
        sendReply(reply, nullptr);
        return;
    }
    terminateWireString(request.SerialNumber);
    VURO_USB_DEV devices[kMaxListedDevices];
    std::memset(devices, 0, sizeof devices);
    const int count =
        std::min(usb_.findDevices(request.vid, request.pid, true, devices, kMaxListedDevices), kMaxListedDevices);
    int match = -1;
    for (int i = 0; i < count && match < 0; ++i) {
        if (std::strcmp(describeDevice(devices[i]).SerialNumber, request.SerialNumber) == 0)
            match = i;
    }
    // The client only learns the matching descriptor; the others are closed again.
    for (int i = 0; i < count; ++i) {
        if (i != match)
            usb_.closeDevice(devices[i].fd);
    }
    if (match >= 0) {
        if (ownedDevices_.erase(request.devfd) > 0)
            usb_.closeDevice(request.devfd);
        const int fd = devices[match].fd;
        ownedDevices_.insert(fd);
        usb_.init(fd);
        reply.ret = kSaneGood;
        reply.fd = fd;
    }
    sendReply(reply, nullptr);
}

void CommandServer::deleteFile()
{
    CmdDeleteFileReq request;
    if (!receiveRequest(request, "[TaliroScanSDK] recv CmdDeleteFileReq err\n"))
        return;
    terminateWireString(request.fileName);
    struct stat info {};
    if (isPageFilePath(scanDir_, request.fileName) && access(request.fileName, F_OK) == 0 &&
        lstat(request.fileName, &info) == 0 && S_ISREG(info.st_mode))
        std::remove(request.fileName);
}
