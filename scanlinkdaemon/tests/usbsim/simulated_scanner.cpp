#include "simulated_scanner.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

constexpr size_t kMaxBlockPayload = 0xFFFF - kScanRecordBodySize;

}  // namespace

SimulatedScanner::Step SimulatedScanner::block(uint8_t status, Bytes payload, long repeat)
{
    Step step;
    step.kind = Step::Block;
    step.status = status;
    if (payload.size() > kMaxBlockPayload)
        payload.resize(kMaxBlockPayload);
    step.payload = std::move(payload);
    step.repeat = repeat;
    return step;
}

SimulatedScanner::Step SimulatedScanner::message(Bytes bytes)
{
    Step step;
    step.kind = Step::Message;
    step.payload = std::move(bytes);
    return step;
}

SimulatedScanner::Step SimulatedScanner::event(Step::Kind kind)
{
    Step step;
    step.kind = kind;
    return step;
}

usb_testing::FakeDevice SimulatedScanner::device(uint16_t vendorId, uint16_t productId, const std::string& serialNumber)
{
    usb_testing::FakeDevice script;
    script.vendorId = vendorId;
    script.productId = productId;
    script.manufacturer = "Taliro";
    script.product = "Taliro Scanner";
    script.serialNumber = serialNumber;
    usb_testing::FakeAltSetting setting;
    setting.interfaceClass = 0xFF;
    setting.endpoints = {{0x02, LIBUSB_TRANSFER_TYPE_BULK, 512}, {0x82, LIBUSB_TRANSFER_TYPE_BULK, 512}};
    script.configs = {usb_testing::FakeConfig{{usb_testing::FakeInterface{{setting}}}}};
    return script;
}

SimulatedScanner::Bytes SimulatedScanner::header(uint8_t cmdClass, uint8_t cmdCode, uint16_t dataSize, uint8_t flags,
                                                 uint8_t reserved)
{
    ResCommon response{kFrameStart, cmdClass, cmdCode, 0, dataSize, flags, reserved};
    const uint8_t* bytes = reinterpret_cast<const uint8_t*>(&response);
    return Bytes(bytes, bytes + sizeof response);
}

SimulatedScanner::Bytes SimulatedScanner::scanRecord(uint8_t status, uint16_t dataSize)
{
    Bytes record = header(kScanClass, kScanRecordCode, dataSize, kCommandFlags);
    record.resize(kScanRecordSize, 0);
    record[kScanStatusOffset] = status;
    return record;
}

void SimulatedScanner::queueJob(std::vector<Step> steps)
{
    std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(steps));
}

void SimulatedScanner::queueMessage(Bytes bytes)
{
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({Step::Message, std::move(bytes)});
}

void SimulatedScanner::scriptResponse(uint8_t cmdClass, uint8_t cmdCode, std::vector<Bytes> transfers)
{
    std::lock_guard<std::mutex> lock(mutex_);
    scripted_[{cmdClass, cmdCode}].push_back(std::move(transfers));
}

void SimulatedScanner::setFlag(uint8_t cmdClass, uint8_t cmdCode, uint8_t flag)
{
    std::lock_guard<std::mutex> lock(mutex_);
    flags_[{cmdClass, cmdCode}] = flag;
}

void SimulatedScanner::setAdfStatus(uint8_t status)
{
    std::lock_guard<std::mutex> lock(mutex_);
    adfStatus_ = status;
}

void SimulatedScanner::setProperties(const Bytes& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    properties_ = body;
    properties_.resize(kDevicePropertiesSize - sizeof(ResCommon), 0);
}

void SimulatedScanner::setTimeToScan(uint8_t seconds)
{
    std::lock_guard<std::mutex> lock(mutex_);
    timeToScan_ = seconds;
}

void SimulatedScanner::failNextWrite(int error)
{
    std::lock_guard<std::mutex> lock(mutex_);
    failNextWrite_ = error;
}

void SimulatedScanner::unplugAfter(uint8_t cmdClass, uint8_t cmdCode)
{
    std::lock_guard<std::mutex> lock(mutex_);
    unplugAfter_ = {cmdClass, cmdCode};
}

void SimulatedScanner::echoAborts(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    echoAborts_ = on;
}

std::vector<SimulatedScanner::Bytes> SimulatedScanner::received() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
}

bool SimulatedScanner::locked() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return locked_;
}

int SimulatedScanner::heldReads() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return heldReads_;
}

int SimulatedScanner::bulkOut(uint8_t, const uint8_t* data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (failNextWrite_ != 0) {
        const int error = failNextWrite_;
        failNextWrite_ = 0;
        return -error;
    }
    Bytes frame(data, data + length);
    received_.push_back(frame);
    command(frame);
    return static_cast<int>(length);
}

int SimulatedScanner::bulkIn(uint8_t, uint8_t* data, size_t length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (;;) {
        if (queue_.empty() && !expandJob())
            return -ETIMEDOUT;
        if (queue_.empty())
            continue;
        Pending& front = queue_.front();
        switch (front.kind) {
        case Step::TimeOut:
            queue_.pop_front();
            return -ETIMEDOUT;
        case Step::Hold:
            ++heldReads_;
            return kHold;
        case Step::Halt:
            queue_.pop_front();
            return kHalt;
        case Step::Unplug:
            return kUnplug;
        default: {
            const size_t count = std::min(length, front.bytes.size() - front.offset);
            if (count > 0)
                std::memcpy(data, front.bytes.data() + front.offset, count);
            front.offset += count;
            if (front.offset == front.bytes.size())
                queue_.pop_front();
            return static_cast<int>(count);
        }
        }
    }
}

void SimulatedScanner::reset()
{
    std::lock_guard<std::mutex> lock(mutex_);
    locked_ = false;
    endJob();
}

void SimulatedScanner::answer(uint8_t cmdClass, uint8_t cmdCode, Bytes response)
{
    auto scripted = scripted_.find({cmdClass, cmdCode});
    if (scripted != scripted_.end() && !scripted->second.empty()) {
        for (Bytes& transfer : scripted->second.front())
            queue_.push_back({Step::Message, std::move(transfer)});
        scripted->second.pop_front();
        return;
    }
    queue_.push_back({Step::Message, std::move(response)});
}

void SimulatedScanner::command(const Bytes& frame)
{
    if (frame.size() < sizeof(ReqCommon) || frame[0] != kFrameStart)
        return;
    const uint8_t cmdClass = frame[1];
    const uint8_t cmdCode = frame[2];
    if (unplugAfter_ == std::make_pair<int, int>(cmdClass, cmdCode)) {
        queue_.clear();
        queue_.push_back({Step::Unplug, {}});
        return;
    }
    const auto set = flags_.find({cmdClass, cmdCode});
    uint8_t flag = set != flags_.end() ? set->second : kCommandFlags;
    const bool scripted = scripted_.count({cmdClass, cmdCode}) && !scripted_[{cmdClass, cmdCode}].empty();

    if (cmdClass == kPowerClass && cmdCode == kPowerOnCode) {
        Bytes response = header(cmdClass, cmdCode, 1, flag);
        response.push_back(timeToScan_);
        return answer(cmdClass, cmdCode, response);
    }
    if (cmdClass != kScanClass)
        return answer(cmdClass, cmdCode, header(cmdClass, cmdCode, 0, 0x81));
    switch (cmdCode) {
    case kScanLockCode:
        if (locked_ && set == flags_.end())
            flag = 0x88;
        if (flag == kCommandFlags && !scripted)
            locked_ = true;
        return answer(cmdClass, cmdCode, header(cmdClass, cmdCode, 0, flag));
    case kScanUnlockCode:
        if (!scripted)
            locked_ = false;
        return answer(cmdClass, cmdCode, header(cmdClass, cmdCode, 0, flag));
    case kScanStartCode:
        if (!locked_ && set == flags_.end())
            flag = 0x83;
        answer(cmdClass, cmdCode, header(cmdClass, cmdCode, 0, flag));
        if (flag == kCommandFlags && !scripted) {
            endJob();
            scanning_ = true;
            if (!jobs_.empty()) {
                job_ = std::move(jobs_.front());
                jobs_.pop_front();
            }
        }
        return;
    case kScanAbortCode:
        endJob();
        queue_.clear();
        if (echoAborts_)
            queue_.push_back({Step::Message, header(kScanClass, kScanAbortCode, 0, kCommandFlags)});
        return;
    case kAdfStatusCode:
        return answer(cmdClass, cmdCode, header(cmdClass, cmdCode, 0, flag, adfStatus_));
    case kDevicePropertiesCode: {
        Bytes response = header(cmdClass, cmdCode, static_cast<uint16_t>(properties_.size()), flag);
        response.insert(response.end(), properties_.begin(), properties_.end());
        return answer(cmdClass, cmdCode, response);
    }
    case kGetScanSizesCode: {
        Bytes response = header(cmdClass, cmdCode, 1, flag);
        response.push_back(1);
        return answer(cmdClass, cmdCode, response);
    }
    default:
        return answer(cmdClass, cmdCode, header(cmdClass, cmdCode, 0, 0x81));
    }
}

void SimulatedScanner::endJob()
{
    scanning_ = false;
    job_.clear();
    step_ = 0;
    repeated_ = 0;
}

bool SimulatedScanner::expandJob()
{
    if (!scanning_ || step_ >= job_.size())
        return false;
    const Step& step = job_[step_];
    switch (step.kind) {
    case Step::Block: {
        const bool data = step.status == SCAN_STATUS_OPERATION_CONTINUOUS;
        const size_t size = kScanRecordBodySize + (data ? step.payload.size() : 0);
        queue_.push_back({Step::Message, scanRecord(step.status, static_cast<uint16_t>(size))});
        if (data) {
            size_t begin = 0;
            for (size_t cut : step.cuts) {
                cut = std::min(cut, step.payload.size());
                if (cut > begin)
                    queue_.push_back({Step::Message, Bytes(step.payload.begin() + begin, step.payload.begin() + cut)});
                begin = std::max(begin, cut);
            }
            if (begin < step.payload.size())
                queue_.push_back({Step::Message, Bytes(step.payload.begin() + begin, step.payload.end())});
        }
        break;
    }
    case Step::Message:
        queue_.push_back({Step::Message, step.payload});
        break;
    case Step::DeviceAbort:
        queue_.push_back({Step::Message, header(kScanClass, kScanAbortCode, 0, kCommandFlags)});
        endJob();
        return true;
    default:
        queue_.push_back({step.kind, {}});
        break;
    }
    if (++repeated_ >= step.repeat) {
        ++step_;
        repeated_ = 0;
    }
    return true;
}
