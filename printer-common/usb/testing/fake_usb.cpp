#include "fake_usb.h"

#include <algorithm>
#include <cstring>

namespace usb_testing {

struct FakeUsb::Device {
    FakeDevice script;
    int number = 0;
    int references = 0;
};

struct FakeUsb::Context {
    int unused = 0;
};

struct FakeUsb::DeviceList {
    std::vector<libusb_device*> entries;  // ends with a null entry
};

struct FakeUsb::Handle {
    Device* device = nullptr;
    std::set<int> claimed;
};

// A configuration descriptor with the arrays it points into.
struct FakeUsb::OwnedConfig {
    libusb_config_descriptor descriptor{};
    std::vector<libusb_interface> interfaces;
    std::vector<std::vector<libusb_interface_descriptor>> settings;
    std::vector<std::vector<std::vector<libusb_endpoint_descriptor>>> endpoints;
};

const char* usbCallName(UsbCall call)
{
    switch (call) {
    case UsbCall::Init:
        return "init";
    case UsbCall::Exit:
        return "exit";
    case UsbCall::GetDeviceList:
        return "get_device_list";
    case UsbCall::FreeDeviceList:
        return "free_device_list";
    case UsbCall::GetDeviceDescriptor:
        return "get_device_descriptor";
    case UsbCall::GetConfigDescriptor:
        return "get_config_descriptor";
    case UsbCall::FreeConfigDescriptor:
        return "free_config_descriptor";
    case UsbCall::Open:
        return "open";
    case UsbCall::Close:
        return "close";
    case UsbCall::GetStringDescriptorAscii:
        return "get_string_descriptor_ascii";
    case UsbCall::KernelDriverActive:
        return "kernel_driver_active";
    case UsbCall::DetachKernelDriver:
        return "detach_kernel_driver";
    case UsbCall::ClaimInterface:
        return "claim_interface";
    case UsbCall::ReleaseInterface:
        return "release_interface";
    case UsbCall::ControlTransfer:
        return "control_transfer";
    case UsbCall::BulkTransfer:
        return "bulk_transfer";
    }
    return "?";
}

FakeUsb::FakeUsb() = default;
FakeUsb::~FakeUsb() = default;

int FakeUsb::addDevice(const FakeDevice& script)
{
    auto device = std::make_unique<Device>();
    device->script = script;
    device->number = static_cast<int>(devices_.size());
    devices_.push_back(std::move(device));
    return devices_.back()->number;
}

FakeDevice& FakeUsb::device(int number)
{
    return devices_.at(static_cast<std::size_t>(number))->script;
}

void FakeUsb::failCall(UsbCall call, int error, int occurrence)
{
    failures_[{call, occurrence}] = error;
}

std::vector<std::string> FakeUsb::callNames() const
{
    std::vector<std::string> names;
    for (const UsbCallRecord& record : calls_)
        names.push_back(usbCallName(record.call));
    return names;
}

int FakeUsb::callCount(UsbCall call) const
{
    const auto found = callCounts_.find(call);
    return found == callCounts_.end() ? 0 : found->second;
}

std::vector<std::uint8_t> FakeUsb::bulkOutData(int device, std::uint8_t endpoint) const
{
    std::vector<std::uint8_t> data;
    for (const BulkRecord& record : bulks_)
        if (record.device == device && record.endpoint == endpoint && !(endpoint & LIBUSB_ENDPOINT_IN))
            data.insert(data.end(), record.data.begin(), record.data.end());
    return data;
}

std::vector<std::string> FakeUsb::leaks() const
{
    std::vector<std::string> leaks;
    if (defaultContextUsers_ > 0)
        leaks.push_back("default context initialised " + std::to_string(defaultContextUsers_) + " more time(s)");
    for (std::size_t i = 0; i < contexts_.size(); ++i)
        leaks.push_back("context not left");
    for (std::size_t i = 0; i < lists_.size(); ++i)
        leaks.push_back("device list not freed");
    if (devicesLeftReferenced_ > 0)
        leaks.push_back("device list freed without unreferencing its devices");
    for (std::size_t i = 0; i < configs_.size(); ++i)
        leaks.push_back("config descriptor not freed");
    for (const auto& entry : handles_) {
        const Handle& handle = *entry.second;
        const std::string device = "device " + std::to_string(handle.device->number);
        leaks.push_back("handle of " + device + " not closed");
        for (int interfaceNumber : handle.claimed)
            leaks.push_back("interface " + std::to_string(interfaceNumber) + " of " + device + " still claimed");
    }
    return leaks;
}

bool FakeUsb::injectedFailure(UsbCall call, int* error)
{
    const int count = ++callCounts_[call];
    const auto found = failures_.find({call, count});
    if (found == failures_.end())
        return false;
    *error = found->second;
    return true;
}

int FakeUsb::record(UsbCall call, int device, int result)
{
    calls_.push_back({call, device, result});
    return result;
}

void FakeUsb::misuse(const std::string& what)
{
    misuses_.push_back(what);
}

// The end of a transfer the device leaves unanswered.
int FakeUsb::timedOut(UsbCall call, unsigned int timeoutMs)
{
    if (timeoutMs == 0)
        misuse(std::string(usbCallName(call)) + " without a time-out never ends");
    return LIBUSB_ERROR_TIMEOUT;
}

FakeUsb::Device* FakeUsb::findDevice(libusb_device* device)
{
    for (const auto& candidate : devices_)
        if (reinterpret_cast<libusb_device*>(candidate.get()) == device) {
            if (candidate->references <= 0)
                misuse("device " + std::to_string(candidate->number) + " used without a reference");
            return candidate.get();
        }
    misuse("unknown device");
    return nullptr;
}

FakeUsb::Handle* FakeUsb::findHandle(libusb_device_handle* handle)
{
    const auto found = handles_.find(handle);
    if (found == handles_.end()) {
        misuse("unknown or closed device handle");
        return nullptr;
    }
    return found->second.get();
}

bool FakeUsb::contextUsable(libusb_context* context)
{
    if (context == nullptr ? defaultContextUsers_ > 0 : contexts_.count(context) > 0)
        return true;
    misuse("context not initialised");
    return false;
}

const FakeInterface* FakeUsb::interfaceOf(const Device& device, int interfaceNumber) const
{
    if (device.script.configs.empty() || interfaceNumber < 0 ||
        static_cast<std::size_t>(interfaceNumber) >= device.script.configs[0].interfaces.size())
        return nullptr;
    return &device.script.configs[0].interfaces[static_cast<std::size_t>(interfaceNumber)];
}

bool FakeUsb::claimedByOther(const Handle& handle, int interfaceNumber) const
{
    for (const auto& other : handles_)
        if (other.second.get() != &handle && other.second->device == handle.device &&
            other.second->claimed.count(interfaceNumber))
            return true;
    return false;
}

// Linux claims an interface on first use unless a kernel driver or another
// handle holds it.
bool FakeUsb::mayUseInterface(const Handle& handle, int interfaceNumber) const
{
    return handle.claimed.count(interfaceNumber) > 0 ||
           (handle.device->script.kernelDriverOn.count(interfaceNumber) == 0 && !claimedByOther(handle, interfaceNumber));
}

int FakeUsb::init(libusb_context** context)
{
    int error = 0;
    if (injectedFailure(UsbCall::Init, &error))
        return record(UsbCall::Init, -1, error);
    if (context == nullptr) {
        ++defaultContextUsers_;
    } else {
        auto owned = std::make_unique<Context>();
        *context = reinterpret_cast<libusb_context*>(owned.get());
        contexts_[owned.get()] = std::move(owned);
    }
    return record(UsbCall::Init, -1, 0);
}

void FakeUsb::exit(libusb_context* context)
{
    record(UsbCall::Exit, -1, 0);
    if (!contextUsable(context))
        return;
    if (context == nullptr)
        --defaultContextUsers_;
    else
        contexts_.erase(context);
    if (contexts_.empty() && defaultContextUsers_ == 0 && (!handles_.empty() || !lists_.empty()))
        misuse("library left with open handles or device lists");
}

ssize_t FakeUsb::getDeviceList(libusb_context* context, libusb_device*** list)
{
    int error = 0;
    if (injectedFailure(UsbCall::GetDeviceList, &error))
        return record(UsbCall::GetDeviceList, -1, error);
    if (!contextUsable(context) || list == nullptr)
        return record(UsbCall::GetDeviceList, -1, LIBUSB_ERROR_INVALID_PARAM);
    auto owned = std::make_unique<DeviceList>();
    for (const auto& device : devices_) {
        ++device->references;
        owned->entries.push_back(reinterpret_cast<libusb_device*>(device.get()));
    }
    owned->entries.push_back(nullptr);
    *list = owned->entries.data();
    lists_[owned->entries.data()] = std::move(owned);
    return record(UsbCall::GetDeviceList, -1, static_cast<int>(devices_.size()));
}

void FakeUsb::freeDeviceList(libusb_device** list, int unrefDevices)
{
    record(UsbCall::FreeDeviceList, -1, 0);
    if (list == nullptr)
        return;
    const auto found = lists_.find(list);
    if (found == lists_.end()) {
        misuse("unknown or freed device list");
        return;
    }
    for (libusb_device* entry : found->second->entries) {
        if (entry == nullptr)
            continue;
        if (unrefDevices != 0)
            --reinterpret_cast<Device*>(entry)->references;
        else
            ++devicesLeftReferenced_;
    }
    lists_.erase(found);
}

int FakeUsb::getDeviceDescriptor(libusb_device* device, libusb_device_descriptor* descriptor)
{
    Device* found = findDevice(device);
    const int number = found ? found->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::GetDeviceDescriptor, &error))
        return record(UsbCall::GetDeviceDescriptor, number, error);
    if (found == nullptr || descriptor == nullptr)
        return record(UsbCall::GetDeviceDescriptor, number, LIBUSB_ERROR_INVALID_PARAM);
    *descriptor = deviceDescriptor(found->script);
    return record(UsbCall::GetDeviceDescriptor, number, 0);
}

int FakeUsb::getConfigDescriptor(libusb_device* device, std::uint8_t index, libusb_config_descriptor** config)
{
    Device* found = findDevice(device);
    const int number = found ? found->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::GetConfigDescriptor, &error))
        return record(UsbCall::GetConfigDescriptor, number, error);
    if (found == nullptr || config == nullptr)
        return record(UsbCall::GetConfigDescriptor, number, LIBUSB_ERROR_INVALID_PARAM);
    if (index >= found->script.configs.size())
        return record(UsbCall::GetConfigDescriptor, number, LIBUSB_ERROR_NOT_FOUND);

    const FakeConfig& source = found->script.configs[index];
    auto owned = std::make_unique<OwnedConfig>();
    const std::size_t interfaceCount = source.interfaces.size();
    owned->interfaces.resize(interfaceCount);
    owned->settings.resize(interfaceCount);
    owned->endpoints.resize(interfaceCount);
    for (std::size_t i = 0; i < interfaceCount; ++i) {
        const auto& settings = source.interfaces[i].altSettings;
        owned->settings[i].resize(settings.size());
        owned->endpoints[i].resize(settings.size());
        for (std::size_t a = 0; a < settings.size(); ++a) {
            auto& endpoints = owned->endpoints[i][a];
            for (const FakeEndpoint& endpoint : settings[a].endpoints) {
                libusb_endpoint_descriptor out{};
                out.bLength = LIBUSB_DT_ENDPOINT_SIZE;
                out.bDescriptorType = LIBUSB_DT_ENDPOINT;
                out.bEndpointAddress = endpoint.address;
                out.bmAttributes = endpoint.attributes;
                out.wMaxPacketSize = endpoint.maxPacketSize;
                endpoints.push_back(out);
            }
            libusb_interface_descriptor& setting = owned->settings[i][a];
            setting.bLength = LIBUSB_DT_INTERFACE_SIZE;
            setting.bDescriptorType = LIBUSB_DT_INTERFACE;
            setting.bInterfaceNumber = static_cast<std::uint8_t>(i);
            setting.bAlternateSetting = static_cast<std::uint8_t>(a);
            setting.bNumEndpoints = static_cast<std::uint8_t>(endpoints.size());
            setting.bInterfaceClass = settings[a].interfaceClass;
            setting.endpoint = endpoints.empty() ? nullptr : endpoints.data();
        }
        owned->interfaces[i].altsetting = owned->settings[i].empty() ? nullptr : owned->settings[i].data();
        owned->interfaces[i].num_altsetting = static_cast<int>(owned->settings[i].size());
    }
    libusb_config_descriptor& descriptor = owned->descriptor;
    descriptor.bLength = LIBUSB_DT_CONFIG_SIZE;
    descriptor.bDescriptorType = LIBUSB_DT_CONFIG;
    descriptor.bNumInterfaces = static_cast<std::uint8_t>(interfaceCount);
    descriptor.bConfigurationValue = static_cast<std::uint8_t>(index + 1);
    descriptor.bmAttributes = 0xC0;
    descriptor.MaxPower = 50;
    descriptor.interface = owned->interfaces.empty() ? nullptr : owned->interfaces.data();
    *config = &owned->descriptor;
    configs_[&owned->descriptor] = std::move(owned);
    return record(UsbCall::GetConfigDescriptor, number, 0);
}

void FakeUsb::freeConfigDescriptor(libusb_config_descriptor* config)
{
    record(UsbCall::FreeConfigDescriptor, -1, 0);
    if (config != nullptr && configs_.erase(config) == 0)
        misuse("unknown or freed config descriptor");
}

int FakeUsb::open(libusb_device* device, libusb_device_handle** handle)
{
    Device* found = findDevice(device);
    const int number = found ? found->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::Open, &error))
        return record(UsbCall::Open, number, error);
    if (found == nullptr || handle == nullptr)
        return record(UsbCall::Open, number, LIBUSB_ERROR_INVALID_PARAM);
    auto owned = std::make_unique<Handle>();
    owned->device = found;
    ++found->references;
    *handle = reinterpret_cast<libusb_device_handle*>(owned.get());
    handles_[owned.get()] = std::move(owned);
    return record(UsbCall::Open, number, 0);
}

void FakeUsb::close(libusb_device_handle* handle)
{
    if (handle == nullptr) {
        record(UsbCall::Close, -1, 0);
        return;
    }
    Handle* found = findHandle(handle);
    record(UsbCall::Close, found ? found->device->number : -1, 0);
    if (found == nullptr)
        return;
    --found->device->references;
    handles_.erase(handle);
}

int FakeUsb::getStringDescriptorAscii(libusb_device_handle* handle, std::uint8_t index, unsigned char* data,
                                      int length)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::GetStringDescriptorAscii, &error))
        return record(UsbCall::GetStringDescriptorAscii, number, error);
    if (found == nullptr || data == nullptr || length < 1 || index == 0)
        return record(UsbCall::GetStringDescriptorAscii, number, LIBUSB_ERROR_INVALID_PARAM);
    const FakeDevice& script = found->device->script;
    const std::string* text = stringText(script, index);
    if (text == nullptr)
        return record(UsbCall::GetStringDescriptorAscii, number, LIBUSB_ERROR_PIPE);
    // libusb writes at most length - 1 characters and a NUL, '?' for each
    // character outside ASCII.
    const std::size_t count =
        std::min({text->size(), kMaxStringCharacters, static_cast<std::size_t>(length - 1)});
    for (std::size_t i = 0; i < count; ++i)
        data[i] = static_cast<unsigned char>((*text)[i]) < 0x80 ? static_cast<unsigned char>((*text)[i]) : '?';
    data[count] = 0;
    return record(UsbCall::GetStringDescriptorAscii, number, static_cast<int>(count));
}

int FakeUsb::kernelDriverActive(libusb_device_handle* handle, int interfaceNumber)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::KernelDriverActive, &error))
        return record(UsbCall::KernelDriverActive, number, error);
    if (found == nullptr)
        return record(UsbCall::KernelDriverActive, number, LIBUSB_ERROR_INVALID_PARAM);
    // usbfs answers "no driver" for an interface the device lacks as well.
    return record(UsbCall::KernelDriverActive, number, found->device->script.kernelDriverOn.count(interfaceNumber) ? 1 : 0);
}

int FakeUsb::detachKernelDriver(libusb_device_handle* handle, int interfaceNumber)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::DetachKernelDriver, &error))
        return record(UsbCall::DetachKernelDriver, number, error);
    if (found == nullptr)
        return record(UsbCall::DetachKernelDriver, number, LIBUSB_ERROR_INVALID_PARAM);
    if (interfaceOf(*found->device, interfaceNumber) == nullptr)
        return record(UsbCall::DetachKernelDriver, number, LIBUSB_ERROR_INVALID_PARAM);
    if (found->device->script.kernelDriverOn.erase(interfaceNumber) == 0)
        return record(UsbCall::DetachKernelDriver, number, LIBUSB_ERROR_NOT_FOUND);
    return record(UsbCall::DetachKernelDriver, number, 0);
}

int FakeUsb::claimInterface(libusb_device_handle* handle, int interfaceNumber)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::ClaimInterface, &error))
        return record(UsbCall::ClaimInterface, number, error);
    if (found == nullptr)
        return record(UsbCall::ClaimInterface, number, LIBUSB_ERROR_INVALID_PARAM);
    if (interfaceOf(*found->device, interfaceNumber) == nullptr)
        return record(UsbCall::ClaimInterface, number, LIBUSB_ERROR_NOT_FOUND);
    if (found->device->script.kernelDriverOn.count(interfaceNumber))
        return record(UsbCall::ClaimInterface, number, LIBUSB_ERROR_BUSY);
    if (claimedByOther(*found, interfaceNumber))
        return record(UsbCall::ClaimInterface, number, LIBUSB_ERROR_BUSY);
    found->claimed.insert(interfaceNumber);
    return record(UsbCall::ClaimInterface, number, 0);
}

int FakeUsb::releaseInterface(libusb_device_handle* handle, int interfaceNumber)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    int error = 0;
    if (injectedFailure(UsbCall::ReleaseInterface, &error))
        return record(UsbCall::ReleaseInterface, number, error);
    if (found == nullptr)
        return record(UsbCall::ReleaseInterface, number, LIBUSB_ERROR_INVALID_PARAM);
    if (found->claimed.erase(interfaceNumber) == 0) {
        misuse("release of unclaimed interface " + std::to_string(interfaceNumber));
        return record(UsbCall::ReleaseInterface, number, LIBUSB_ERROR_NOT_FOUND);
    }
    return record(UsbCall::ReleaseInterface, number, 0);
}

int FakeUsb::controlTransfer(libusb_device_handle* handle, std::uint8_t requestType, std::uint8_t request,
                             std::uint16_t value, std::uint16_t index, unsigned char* data, std::uint16_t length,
                             unsigned int timeoutMs)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    const bool in = (requestType & LIBUSB_ENDPOINT_IN) != 0;
    ControlRecord sent{number, requestType, request, value, index, length, timeoutMs, {}};
    if (!in && data != nullptr)
        sent.data.assign(data, data + length);
    controls_.push_back(sent);
    int error = 0;
    if (injectedFailure(UsbCall::ControlTransfer, &error))
        return record(UsbCall::ControlTransfer, number, error);
    if (found == nullptr || (length > 0 && data == nullptr))
        return record(UsbCall::ControlTransfer, number, LIBUSB_ERROR_INVALID_PARAM);
    const bool toInterface = (requestType & 0x1F) == LIBUSB_RECIPIENT_INTERFACE;
    // usbfs refuses a request to an interface a kernel driver holds; libusb
    // reports an I/O error.
    if (toInterface && !mayUseInterface(*found, index & 0xFF))
        return record(UsbCall::ControlTransfer, number, LIBUSB_ERROR_IO);
    const auto answer = found->device->script.controlAnswers.find({requestType, request});
    if (answer == found->device->script.controlAnswers.end())
        return record(UsbCall::ControlTransfer, number, LIBUSB_ERROR_PIPE);
    if (answer->second.result == LIBUSB_ERROR_TIMEOUT)
        return record(UsbCall::ControlTransfer, number, timedOut(UsbCall::ControlTransfer, timeoutMs));
    if (answer->second.result < 0)
        return record(UsbCall::ControlTransfer, number, answer->second.result);
    if (!in)
        return record(UsbCall::ControlTransfer, number, length);
    const std::size_t count = std::min(answer->second.data.size(), static_cast<std::size_t>(length));
    std::copy_n(answer->second.data.begin(), count, data);
    return record(UsbCall::ControlTransfer, number, static_cast<int>(count));
}

int FakeUsb::bulkTransfer(libusb_device_handle* handle, unsigned char endpoint, unsigned char* data, int length,
                          int* transferred, unsigned int timeoutMs)
{
    Handle* found = findHandle(handle);
    const int number = found ? found->device->number : -1;
    bulks_.push_back({number, endpoint, length, timeoutMs, {}, 0});
    BulkRecord& log = bulks_.back();
    // A transfer libusb refuses to start leaves `transferred` as it was.
    const auto refuse = [&](int result) {
        log.result = result;
        return record(UsbCall::BulkTransfer, number, result);
    };
    const auto finish = [&](int result) {
        log.result = result;
        if (transferred != nullptr)
            *transferred = static_cast<int>(log.data.size());
        return record(UsbCall::BulkTransfer, number, result);
    };
    int error = 0;
    if (injectedFailure(UsbCall::BulkTransfer, &error)) {
        // These only a transfer that ran can end with; libusb then gives its
        // count, here none.
        const bool ran = error == LIBUSB_ERROR_TIMEOUT || error == LIBUSB_ERROR_PIPE ||
                         error == LIBUSB_ERROR_OVERFLOW;
        return ran ? finish(error) : refuse(error);
    }
    if (found == nullptr || length < 0 || (length > 0 && data == nullptr))
        return refuse(LIBUSB_ERROR_INVALID_PARAM);

    const FakeDevice& script = found->device->script;
    const auto mayUse = [&](int interfaceNumber) { return mayUseInterface(*found, interfaceNumber); };
    // usbfs refuses the URB; libusb reports an I/O error.
    if (!bulkEndpointReachable(script, mayUse, endpoint))
        return refuse(LIBUSB_ERROR_IO);

    if (!(endpoint & LIBUSB_ENDPOINT_IN)) {
        const int accepted = script.bulkOutAccepts < 0 ? length : std::min(length, script.bulkOutAccepts);
        log.data.assign(data, data + accepted);
        return finish(0);
    }
    auto& queue = found->device->script.bulkInAnswers[endpoint];
    if (queue.empty())
        return finish(timedOut(UsbCall::BulkTransfer, timeoutMs));
    const FakeAnswer answer = queue.front();
    queue.pop_front();
    const std::size_t count = std::min(answer.data.size(), static_cast<std::size_t>(length));
    std::copy_n(answer.data.begin(), count, data);
    log.data.assign(answer.data.begin(), answer.data.begin() + static_cast<std::ptrdiff_t>(count));
    if (answer.result == LIBUSB_ERROR_TIMEOUT)
        return finish(timedOut(UsbCall::BulkTransfer, timeoutMs));
    if (answer.result < 0)
        return finish(answer.result);
    return finish(answer.data.size() > count ? LIBUSB_ERROR_OVERFLOW : 0);
}

}  // namespace usb_testing
