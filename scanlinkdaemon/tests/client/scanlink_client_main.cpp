// scanlink-client: speaks the scan command protocol to a running daemon and
// prints its replies, for trying the daemon by hand.

#include "scan_client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: scanlink-client <command> [arguments]\n"
    "  find <vid> <pid> [comparePid]        list USB devices (0)\n"
    "  open|close|unlock|poweron|sizes <devfd>   (1, 2, 8, 10, 11)\n"
    "  clear|reset <devfd> <ep>             (3, 4)\n"
    "  usb-scan <devfd>                     start a USB scan, print its records (5)\n"
    "  usb-abort <devfd> <base>             (6)\n"
    "  lock <devfd> <bitDepth> <compType> <width> <height> <dpi> <feeder>   (7)\n"
    "  adf|props <devfd>                    (9, 12)\n"
    "  osl <ip> <type>                      (13)\n"
    "  tcp-scan <ip> <fd> <bitDepth> <compType> <width> <height> <dpi> <feeder>   (14)\n"
    "  tcp-abort <ip> <fd> <base>           (15)\n"
    "  tcp-adf|tcp-props <ip>               (16, 17)\n"
    "  reopen <devfd> <vid> <pid> <serial>  (18)\n"
    "  delete <path>                        (19, no reply)\n"
    "  raw <hex bytes>                      send bytes, print what comes back until the daemon closes\n";

long number(const char* text) { return std::strtol(text, nullptr, 0); }

SettingInfo settings(char** arg)
{
    SettingInfo info;
    zeroRecord(info);
    info.bitDepth = static_cast<uint8_t>(number(arg[0]));
    info.compType = static_cast<int32_t>(number(arg[1]));
    info.width = static_cast<uint32_t>(number(arg[2]));
    info.height = static_cast<uint32_t>(number(arg[3]));
    info.xResolution = info.yResolution = static_cast<uint16_t>(number(arg[4]));
    info.feederEnabled = number(arg[5]) != 0;
    return info;
}

VuroSocket scanner(const char* ip, long fd)
{
    VuroSocket socket;
    zeroRecord(socket);
    socket.tcpFromScanner = static_cast<int32_t>(fd);
    copyText(socket.szScannerIP, ip);
    return socket;
}

bool printResult(ScanClient& client)
{
    int32_t result = 0;
    if (!client.receiveReply(result))
        return false;
    std::printf("result %d\n", result);
    return true;
}

int32_t recordSize(const USBScanRecordRes& record) { return record.dataSize; }
int32_t recordSize(const TCPRecordRes& record) { return record.bufferLen; }

template <class Record>
bool printRecords(ScanClient& client)
{
    for (;;) {
        Record record;
        if (!client.receiveReply(record, 60000))
            return false;
        std::printf("record st %d fileIndex %d size %d result %d\n", record.st, record.fileIndex,
                    recordSize(record), record.result);
        if (record.result != 0)
            return true;
    }
}

bool run(ScanClient& client, const std::string& command, int argc, char** arg)
{
    auto plain = [&](int32_t number) {
        USBCommonReq request{static_cast<int32_t>(std::strtol(arg[0], nullptr, 0))};
        return client.sendRequest(number, request) && printResult(client);
    };
    if (command == "find" && argc >= 2) {
        int32_t count = 0;
        std::vector<USBFindDevRes> devices;
        const bool received = client.findDevices(static_cast<int32_t>(number(arg[0])),
                                                 static_cast<int32_t>(number(arg[1])), argc > 2 && number(arg[2]) != 0,
                                                 count, devices);
        std::printf("count %d\n", count);
        for (USBFindDevRes& device : devices) {
            terminateWireString(device.Manufacturer);
            terminateWireString(device.Product);
            terminateWireString(device.SerialNumber);
            std::printf("fd %d vid 0x%04x pid 0x%04x \"%s\" \"%s\" \"%s\"\n", device.fd, device.vid, device.pid,
                        device.Manufacturer, device.Product, device.SerialNumber);
        }
        return received;
    }
    if (command == "open" && argc == 1)
        return plain(USB_OPEN_DEV);
    if (command == "close" && argc == 1)
        return plain(USB_CLOSE_DEV);
    if (command == "unlock" && argc == 1)
        return plain(USB_SCAN_UNLOCK);
    if (command == "poweron" && argc == 1)
        return plain(USB_SCAN_POWERON);
    if (command == "sizes" && argc == 1)
        return plain(USB_SCAN_GETSIZES);
    if ((command == "clear" || command == "reset") && argc == 2) {
        USBClearDevEpReq request{static_cast<int32_t>(number(arg[0])), static_cast<uint32_t>(number(arg[1]))};
        return client.sendRequest(command == "clear" ? USB_CLEAR_DEV : USB_RESET_DEVEP, request) &&
               printResult(client);
    }
    if (command == "usb-scan" && argc == 1) {
        USBCommonReq request{static_cast<int32_t>(number(arg[0]))};
        USBScanStartRes reply;
        if (!client.sendRequest(USB_SCAN_START, request) || !client.receiveReply(reply))
            return false;
        terminateWireString(reply.fileName);
        std::printf("start result %d base %s\n", reply.result, reply.fileName);
        return reply.result != 0 || printRecords<USBScanRecordRes>(client);
    }
    if (command == "usb-abort" && argc == 2) {
        int32_t result = 0;
        if (!client.abortUsbScan(static_cast<int32_t>(number(arg[0])), arg[1], result))
            return false;
        std::printf("result %d\n", result);
        return true;
    }
    if (command == "lock" && argc == 7) {
        USBScanLockReq request;
        zeroRecord(request);
        request.devfd = static_cast<int32_t>(number(arg[0]));
        request.info = settings(arg + 1);
        return client.sendRequest(USB_SCAN_LOCK, request) && printResult(client);
    }
    if (command == "adf" && argc == 1) {
        USBCommonReq request{static_cast<int32_t>(number(arg[0]))};
        USBScanAdfStatusRes reply;
        if (!client.sendRequest(USB_SCAN_ADFSTATUS, request) || !client.receiveReply(reply))
            return false;
        std::printf("result %d st %d\n", reply.result, reply.st);
        return true;
    }
    if (command == "props" && argc == 1) {
        USBCommonReq request{static_cast<int32_t>(number(arg[0]))};
        USBScanDevicePropertiesRes reply;
        if (!client.sendRequest(USB_SCAN_DEVPROPERTIES, request) || !client.receiveReply(reply))
            return false;
        std::printf("result %d properties %s\n", reply.result,
                    toHex(std::vector<uint8_t>(reply.st.bytes, reply.st.bytes + sizeof reply.st.bytes)).c_str());
        return true;
    }
    if (command == "osl" && argc == 2) {
        TCPOSLReq request;
        zeroRecord(request);
        request.socket = scanner(arg[0], 0);
        request.type = static_cast<int32_t>(number(arg[1]));
        TCPOSLRes reply;
        if (!client.sendRequest(TCP_SEND_OSL, request) || !client.receiveReply(reply))
            return false;
        std::string text(reply.bufferLen > 0 ? static_cast<size_t>(reply.bufferLen) : 0, '\0');
        if (!text.empty() && !client.receiveBytes(&text[0], text.size()))
            return false;
        std::printf("result %d length %d\n%s\n", reply.result, reply.bufferLen, text.c_str());
        return true;
    }
    if (command == "tcp-scan" && argc == 8) {
        TCPScanStartReq request;
        zeroRecord(request);
        request.socket = scanner(arg[0], number(arg[1]));
        request.info = settings(arg + 2);
        TCPScanStartRes reply;
        if (!client.sendRequest(TCP_SCAN_START, request) || !client.receiveReply(reply))
            return false;
        terminateWireString(reply.fileName);
        std::printf("start result %d data fd %d base %s\n", reply.result, reply.socketDataFd, reply.fileName);
        return reply.result != 0 || printRecords<TCPRecordRes>(client);
    }
    if (command == "tcp-abort" && argc == 3) {
        TCPScanAbortReq request;
        zeroRecord(request);
        request.socket = scanner(arg[0], number(arg[1]));
        copyText(request.fileName, arg[2]);
        return client.sendRequest(TCP_SCAN_ABORT, request) && printResult(client);
    }
    if (command == "tcp-adf" && argc == 1) {
        TCPCommonReq request{scanner(arg[0], 0)};
        TCPADFStatusRes reply;
        if (!client.sendRequest(TCP_SCAN_ADFST, request) || !client.receiveReply(reply))
            return false;
        std::printf("result %d st %d\n", reply.result, reply.st);
        return true;
    }
    if (command == "tcp-props" && argc == 1) {
        TCPCommonReq request{scanner(arg[0], 0)};
        TCPDevPropertiesRes reply;
        if (!client.sendRequest(TCP_SCAN_DEVPROPERTIES, request) || !client.receiveReply(reply))
            return false;
        const ScannerCapabilities& caps = reply.devPro;
        std::printf("result %d duplex %d color %d minres %u maxres %u width_format %u family %u permprofiles %d "
                    "profile %d maxWidth %u maxHeight %u basicres %u\n",
                    reply.result, caps.duplex, caps.color, caps.minres, caps.maxres, caps.width_format, caps.family,
                    caps.permprofiles, caps.profile, caps.maxWidth, caps.maxHeight, caps.basicres);
        return true;
    }
    if (command == "reopen" && argc == 4) {
        USBReopenDevReq request;
        zeroRecord(request);
        request.devfd = static_cast<int32_t>(number(arg[0]));
        request.vid = static_cast<int32_t>(number(arg[1]));
        request.pid = static_cast<int32_t>(number(arg[2]));
        copyText(request.SerialNumber, arg[3]);
        USBReopenDevRes reply;
        if (!client.sendRequest(USB_REOPEN_DEV, request) || !client.receiveReply(reply))
            return false;
        std::printf("ret %d fd %d\n", reply.ret, reply.fd);
        return true;
    }
    if (command == "delete" && argc == 1) {
        CmdDeleteFileReq request;
        zeroRecord(request);
        copyText(request.fileName, arg[0]);
        return client.sendRequest(CMD_DELETE_FILE, request);
    }
    if (command == "raw" && argc >= 1) {
        std::vector<uint8_t> bytes;
        for (int i = 0; i < argc; ++i) {
            for (const char* digit = arg[i]; digit[0] && digit[1]; digit += 2)
                bytes.push_back(static_cast<uint8_t>(std::strtol(std::string(digit, 2).c_str(), nullptr, 16)));
        }
        if (!client.sendBytes(bytes.data(), bytes.size()))
            return false;
        bool closed = false;
        std::printf("%s\n", toHex(client.restUntilClosed(closed, 60000)).c_str());
        return closed;
    }
    std::fputs(kUsage, stderr);
    std::exit(2);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    ScanClient client;
    if (!client.connectTo("127.0.0.1", kScanCommandPort, 2000)) {
        std::fprintf(stderr, "cannot connect to 127.0.0.1:%d\n", kScanCommandPort);
        return 1;
    }
    if (!run(client, argv[1], argc - 2, argv + 2)) {
        std::fprintf(stderr, "no complete reply\n");
        return 1;
    }
    return 0;
}
