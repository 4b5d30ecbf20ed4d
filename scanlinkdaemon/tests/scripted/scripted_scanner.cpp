#include "scripted_scanner.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace {

const char* const kOperations[] = {"open",  "clear",   "reset", "start", "abort", "lock",
                                   "unlock", "adf",    "poweron", "sizes", "props", "osl",
                                   "netstart", "netabort", "netadf", "netprops"};

bool parseLong(const std::string& text, long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtol(text.c_str(), &end, 0);
    return errno == 0 && *end == '\0';
}

bool parseHex(const std::string& text, std::vector<uint8_t>& bytes)
{
    if (text.size() % 2 != 0)
        return false;
    bytes.clear();
    for (size_t i = 0; i < text.size(); i += 2) {
        long value = 0;
        if (!parseLong("0x" + text.substr(i, 2), value))
            return false;
        bytes.push_back(static_cast<uint8_t>(value));
    }
    return true;
}

bool isOperation(const std::string& name)
{
    for (const char* operation : kOperations) {
        if (name == operation)
            return true;
    }
    return false;
}

}  // namespace

ScriptedScanner::~ScriptedScanner()
{
    for (const auto& device : openDevices_)
        close(device.first);
}

bool ScriptedScanner::loadFile(const std::string& path, std::string& error)
{
    std::ifstream file(path);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream text;
    text << file.rdbuf();
    return load(text.str(), error);
}

bool ScriptedScanner::load(const std::string& script, std::string& error)
{
    std::istringstream lines(script);
    std::string line;
    int lineNumber = 0;
    while (std::getline(lines, line)) {
        ++lineNumber;
        const size_t comment = line.find('#');
        if (comment != std::string::npos)
            line.erase(comment);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;)
            w.push_back(word);
        if (w.empty())
            continue;
        const std::string& directive = w[0];
        std::vector<long> numbers;
        bool numeric = true;
        for (size_t i = 1; i < w.size(); ++i) {
            long value = 0;
            numeric = numeric && parseLong(w[i], value);
            numbers.push_back(value);
        }
        bool good = true;
        if (directive == "device" && w.size() == 6) {
            long vid = 0, pid = 0;
            good = parseLong(w[1], vid) && parseLong(w[2], pid);
            devices_.push_back(Device{static_cast<int>(vid), static_cast<int>(pid), w[3], w[4], w[5]});
        } else if (directive == "nobus" && w.size() == 1) {
            noBus_ = true;
        } else if (directive == "result" && w.size() >= 3 && isOperation(w[1])) {
            Results& results = results_[w[1]];
            for (size_t i = 2; i < w.size() && good; ++i) {
                long value = 0;
                good = parseLong(w[i], value);
                results.values.push_back(static_cast<int>(value));
            }
        } else if (directive == "adfstatus" && w.size() == 2 && numeric) {
            adfStatus_ = static_cast<int32_t>(numbers[0]);
        } else if (directive == "netadfstatus" && w.size() == 2 && numeric) {
            networkAdfStatus_ = static_cast<int32_t>(numbers[0]);
        } else if (directive == "props" && w.size() == 2) {
            std::vector<uint8_t> bytes;
            good = parseHex(w[1], bytes) && bytes.size() == sizeof properties_.bytes;
            if (good)
                std::memcpy(properties_.bytes, bytes.data(), bytes.size());
        } else if (directive == "caps" && w.size() == 12 && numeric) {
            capabilities_.duplex = numbers[0] != 0;
            capabilities_.color = numbers[1] != 0;
            capabilities_.minres = static_cast<uint32_t>(numbers[2]);
            capabilities_.maxres = static_cast<uint32_t>(numbers[3]);
            capabilities_.width_format = static_cast<uint32_t>(numbers[4]);
            capabilities_.family = static_cast<uint32_t>(numbers[5]);
            capabilities_.permprofiles = numbers[6] != 0;
            capabilities_.profile = numbers[7] != 0;
            capabilities_.maxWidth = static_cast<uint32_t>(numbers[8]);
            capabilities_.maxHeight = static_cast<uint32_t>(numbers[9]);
            capabilities_.basicres = static_cast<uint32_t>(numbers[10]);
        } else if (directive == "osl" && w.size() >= 2) {
            oslAnswer_ = line.substr(line.find("osl") + 4);
            while (!oslAnswer_.empty() && (oslAnswer_.back() == ' ' || oslAnswer_.back() == '\r'))
                oslAnswer_.pop_back();
        } else if (directive == "job" && w.size() == 1) {
            jobs_.emplace_back();
        } else if ((directive == "block" || directive == "blockhex" || directive == "hang") && !jobs_.empty()) {
            Block block;
            std::vector<std::string> args(w.begin() + 1, w.end());
            if (directive == "block" && !args.empty() && args.back()[0] == 'x') {
                good = parseLong(args.back().substr(1), block.count) && block.count > 0;
                args.pop_back();
            }
            long status = 0, result = 0, size = 0, fill = 0;
            if (directive == "hang") {
                block.hang = true;
                good = args.empty();
            } else if (directive == "blockhex") {
                good = args.size() == 3 && parseLong(args[0], status) && parseLong(args[1], result) &&
                       parseHex(args[2], block.payload);
            } else {
                good = good && (args.size() == 2 || args.size() == 4) && parseLong(args[0], status) &&
                       parseLong(args[1], result) &&
                       (args.size() == 2 || (parseLong(args[2], size) && parseLong(args[3], fill) && size >= 0));
                block.fillSize = static_cast<size_t>(size);
                block.fill = static_cast<uint8_t>(fill);
            }
            block.status = static_cast<int32_t>(status);
            block.result = static_cast<int32_t>(result);
            jobs_.back().push_back(block);
        } else {
            good = false;
        }
        if (!good) {
            error = "script line " + std::to_string(lineNumber) + " not understood: " + line;
            return false;
        }
    }
    return true;
}

int ScriptedScanner::nextResult(const std::string& operation)
{
    Results& results = results_[operation];
    ++results.calls;
    if (results.values.empty())
        return kSaneGood;
    const int value = results.values[std::min(results.next, results.values.size() - 1)];
    ++results.next;
    return value;
}

int ScriptedScanner::calls(const std::string& operation) const
{
    const auto found = results_.find(operation);
    return found == results_.end() ? 0 : found->second.calls;
}

int ScriptedScanner::deviceResult(int fd, const std::string& operation)
{
    return openDevices_.count(fd) ? nextResult(operation) : kSaneIoError;
}

int ScriptedScanner::findDevices(int vid, int pid, bool compareWithPID, VURO_USB_DEV* devices, int capacity)
{
    if (noBus_)
        return -1;
    int count = 0;
    for (size_t i = 0; i < devices_.size() && count < capacity; ++i) {
        const Device& device = devices_[i];
        if (device.vid != vid || (compareWithPID && device.pid != pid))
            continue;
        const int fd = open("/dev/null", O_RDWR | O_CLOEXEC);
        if (fd < 0)
            continue;
        openDevices_[fd] = i;
        VURO_USB_DEV& entry = devices[count++];
        entry.fd = fd;
        entry.dev_des.bLength = sizeof entry.dev_des;
        entry.dev_des.bDescriptorType = 1;
        entry.dev_des.idVendor = static_cast<uint16_t>(device.vid);
        entry.dev_des.idProduct = static_cast<uint16_t>(device.pid);
    }
    return count;
}

void ScriptedScanner::describeDevice(const VURO_USB_DEV& device, USBFindDevRes& record)
{
    record.fd = device.fd;
    record.vid = device.dev_des.idVendor;
    record.pid = device.dev_des.idProduct;
    const auto found = openDevices_.find(device.fd);
    if (found == openDevices_.end())
        return;
    const Device& scripted = devices_[found->second];
    std::snprintf(record.Manufacturer, sizeof record.Manufacturer, "%s", scripted.manufacturer.c_str());
    std::snprintf(record.Product, sizeof record.Product, "%s", scripted.product.c_str());
    std::snprintf(record.SerialNumber, sizeof record.SerialNumber, "%s", scripted.serial.c_str());
}

int ScriptedScanner::init(int) { return kSaneGood; }

void ScriptedScanner::closeDevice(int fd)
{
    if (openDevices_.erase(fd) > 0)
        close(fd);
}

int ScriptedScanner::clearHalt(int fd, uint32_t) { return deviceResult(fd, "clear"); }
int ScriptedScanner::resetEndpoint(int fd, uint32_t) { return deviceResult(fd, "reset"); }

void ScriptedScanner::beginJob()
{
    job_ = jobs_.empty() ? nullptr : &jobs_[std::min(jobsStarted_, jobs_.size() - 1)];
    ++jobsStarted_;
    blockIndex_ = 0;
    blockRepeat_ = 0;
}

int ScriptedScanner::scanStart(int fd)
{
    const int result = deviceResult(fd, "start");
    beginJob();
    return result;
}

int ScriptedScanner::scanAbort(int fd) { return openDevices_.count(fd) ? nextResult("abort") : -1; }
int ScriptedScanner::scanLock(int fd, const SettingInfo&) { return deviceResult(fd, "lock"); }
int ScriptedScanner::scanUnlock(int fd) { return deviceResult(fd, "unlock"); }

int ScriptedScanner::scanAdfStatus(int fd, int32_t& status)
{
    const int result = deviceResult(fd, "adf");
    if (result == kSaneGood)
        status = adfStatus_;
    return result;
}

int ScriptedScanner::scanPowerOn(int fd) { return deviceResult(fd, "poweron"); }
int ScriptedScanner::scanGetSizes(int fd) { return deviceResult(fd, "sizes"); }

int ScriptedScanner::scanDeviceProperties(int fd, ResScanDeviceProperties& properties)
{
    const int result = deviceResult(fd, "props");
    if (result == kSaneGood)
        properties = properties_;
    return result;
}

int ScriptedScanner::nextBlock(int32_t& status, std::vector<uint8_t>& data, size_t& dataSize)
{
    if (!job_ || blockIndex_ >= job_->size()) {
        status = SCAN_STATUS_END_OF_DATA;
        return kSaneEndOfFile;
    }
    const Block& block = (*job_)[blockIndex_];
    if (++blockRepeat_ >= block.count) {
        ++blockIndex_;
        blockRepeat_ = 0;
    }
    if (block.hang) {
        for (;;)
            pause();
    }
    status = block.status;
    if (block.fillSize > 0) {
        if (data.size() < block.fillSize)
            data.resize(block.fillSize);
        std::memset(data.data(), block.fill, block.fillSize);
        dataSize = block.fillSize;
    } else {
        if (data.size() < block.payload.size())
            data.resize(block.payload.size());
        std::copy(block.payload.begin(), block.payload.end(), data.begin());
        dataSize = block.payload.size();
    }
    return block.result;
}

int ScriptedScanner::scanRecord(int fd, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize)
{
    if (!openDevices_.count(fd))
        return kSaneIoError;
    return nextBlock(status, data, dataSize);
}

int ScriptedScanner::sendOsl(const VuroSocket&, int32_t, std::string& answer)
{
    const int result = nextResult("osl");
    if (result == kSaneGood)
        answer = oslAnswer_;
    return result;
}

// As the network protocol does, a start and an abort first close the data
// connection that the scanner's record names.
void ScriptedScanner::closeNamedDataConnection(const VuroSocket& scanner)
{
    if (scanner.tcpFromScanner < 0)
        return;
    close(scanner.tcpFromScanner);
}

int ScriptedScanner::scanStart(const VuroSocket& scanner, const SettingInfo&, int& dataConnection)
{
    closeNamedDataConnection(scanner);
    const int result = nextResult("netstart");
    // The command server owns the data connection from here on.
    dataConnection = result == kSaneGood ? open("/dev/null", O_RDONLY | O_CLOEXEC) : -1;
    beginJob();
    return result;
}

int ScriptedScanner::scanAbort(const VuroSocket& scanner)
{
    closeNamedDataConnection(scanner);
    return nextResult("netabort");
}

int ScriptedScanner::adfStatus(const VuroSocket&, int32_t& status)
{
    const int result = nextResult("netadf");
    if (result == kSaneGood)
        status = networkAdfStatus_;
    return result;
}

int ScriptedScanner::deviceProperties(const VuroSocket&, ScannerCapabilities& capabilities)
{
    const int result = nextResult("netprops");
    if (result == kSaneGood)
        capabilities = capabilities_;
    return result;
}

int ScriptedScanner::scanRecord(const VuroSocket&, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize)
{
    return nextBlock(status, data, dataSize);
}
