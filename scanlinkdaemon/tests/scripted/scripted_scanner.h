#pragma once

// A scanner that plays a script instead of talking to hardware: the USB and
// network transports of the test daemon, the unit tests and the fuzz target.
//
// Script lines (one directive each, "#" starts a comment):
//   device <vid> <pid> <manufacturer> <product> <serial>   a USB device, listed in this order
//   nobus                                   listing finds no USB bus folder (-1)
//   result <operation> <r1> [<r2> ...]      results of successive calls, the last repeats
//       operations: open clear reset start abort lock unlock adf poweron sizes props
//                   osl netstart netabort netadf netprops (all 0 unless given)
//   adfstatus <st>  /  netadfstatus <st>    the ADF status the feeder requests report
//   props <48 hex digits>                    the device properties reply
//   caps <duplex> <color> <minres> <maxres> <width_format> <family> <permprofiles>
//        <profile> <maxWidth> <maxHeight> <basicres>
//   osl <text>                              the attribute query's answer
//   job                                     begins the blocks of the next scan job;
//                                           successive starts take successive jobs, the last repeats
//   block <status> <result> [<size> <fill byte>] [x<count>]
//   blockhex <status> <result> <hex payload>
//   hang                                    the next block read never returns
// Device descriptors are real open descriptors (of /dev/null). A job's blocks
// run out with {status 1, result 5}.

#include "scanner_transports.h"

#include <map>
#include <string>
#include <vector>

class ScriptedScanner : public UsbScanner, public NetworkScanner {
public:
    // Parses the script; false with a message in `error` when a line is wrong.
    bool load(const std::string& script, std::string& error);
    bool loadFile(const std::string& path, std::string& error);

    int findDevices(int vid, int pid, bool compareWithPID, VURO_USB_DEV* devices, int capacity) override;
    void describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record) override;
    int init(int fd) override;
    void closeDevice(int fd) override;
    int clearHalt(int fd, uint32_t endpoint) override;
    int resetEndpoint(int fd, uint32_t endpoint) override;
    int scanStart(int fd) override;
    int scanAbort(int fd) override;
    int scanLock(int fd, const SettingInfo& info) override;
    int scanUnlock(int fd) override;
    int scanAdfStatus(int fd, int32_t& status) override;
    int scanPowerOn(int fd) override;
    int scanGetSizes(int fd) override;
    int scanDeviceProperties(int fd, ResScanDeviceProperties& properties) override;
    int scanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) override;

    int sendOsl(const VuroSocket& scanner, int32_t type, std::string& answer) override;
    int scanStart(const VuroSocket& scanner, const SettingInfo& info, int& dataConnection) override;
    int scanAbort(const VuroSocket& scanner) override;
    int adfStatus(const VuroSocket& scanner, int32_t& status) override;
    int deviceProperties(const VuroSocket& scanner, ScannerCapabilities& capabilities) override;
    int scanRecord(const VuroSocket& scanner, int32_t& status, std::vector<uint8_t>& data,
                   size_t& dataSize) override;

    // How often the operation (a name of the "result" directive) was asked for its result.
    int calls(const std::string& operation) const;

    ~ScriptedScanner() override;

private:
    struct Device {
        int vid;
        int pid;
        std::string manufacturer;
        std::string product;
        std::string serial;
    };
    struct Block {
        int32_t status = 0;
        int32_t result = 0;
        std::vector<uint8_t> payload;  // used when fillSize is 0
        size_t fillSize = 0;
        uint8_t fill = 0;
        long count = 1;
        bool hang = false;
    };
    struct Results {
        std::vector<int> values;
        size_t next = 0;
        int calls = 0;
    };

    int nextResult(const std::string& operation);
    int deviceResult(int fd, const std::string& operation);
    void beginJob();
    int nextBlock(int32_t& status, std::vector<uint8_t>& data, size_t& dataSize);
    void closeNamedDataConnection(const VuroSocket& scanner);

    std::vector<Device> devices_;
    bool noBus_ = false;
    std::map<std::string, Results> results_;
    int32_t adfStatus_ = 0;
    int32_t networkAdfStatus_ = 0;
    ResScanDeviceProperties properties_{};
    ScannerCapabilities capabilities_{};
    std::string oslAnswer_;
    std::vector<std::vector<Block>> jobs_;

    std::map<int, size_t> openDevices_;  // descriptor -> device
    size_t jobsStarted_ = 0;
    const std::vector<Block>* job_ = nullptr;
    size_t blockIndex_ = 0;
    long blockRepeat_ = 0;
};
