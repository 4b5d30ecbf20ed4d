#include "umockdev_printer.h"

#include <umockdev.h>

#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

namespace usb_testing {

struct UmockdevPrinter::Device {
    int number = 0;
    FakeDevice script;
    std::shared_ptr<BulkProgram> program;
    bool unplugged = false;
    std::set<std::uint8_t> halted;
    UMockdevIoctlBase* handler = nullptr;
    void* context = nullptr;  // the handler's HandlerContext
    // One per open device file, as the kernel keeps them; gone with the file.
    struct Opening {
        std::set<int> claimed;
        // URBs by their address in the client: completed ones wait to be
        // reaped, unanswered ones until libusb discards them at its time-out.
        std::deque<gulong> completed;
        std::set<gulong> unanswered;
    };
    std::map<const UMockdevIoctlClient*, Opening> openings;

    bool claimedByOther(const Opening& mine, int number) const
    {
        for (const auto& entry : openings)
            if (&entry.second != &mine && entry.second.claimed.count(number))
                return true;
        return false;
    }
};

namespace {

constexpr int kFirstDeviceNumber = 2;

// The URB status usbfs reports for a scripted libusb error.
int urbStatus(int libusbError)
{
    switch (libusbError) {
    case LIBUSB_ERROR_PIPE:
        return -EPIPE;
    case LIBUSB_ERROR_NO_DEVICE:
        return -ENODEV;
    case LIBUSB_ERROR_OVERFLOW:
        return -EOVERFLOW;
    default:
        return -EIO;
    }
}

// The libusb error a failed transfer is recorded with.
int libusbError(int status)
{
    switch (status) {
    case -ETIMEDOUT:
        return LIBUSB_ERROR_TIMEOUT;
    case -EPIPE:
        return LIBUSB_ERROR_PIPE;
    case -ENODEV:
        return LIBUSB_ERROR_NO_DEVICE;
    case -EOVERFLOW:
        return LIBUSB_ERROR_OVERFLOW;
    default:
        return status < 0 ? LIBUSB_ERROR_IO : 0;
    }
}

// A string descriptor: UTF-16LE of the ASCII text; index 0 lists US English.
std::vector<std::uint8_t> stringDescriptor(const FakeDevice& script, int index, bool* found)
{
    *found = true;
    if (index == 0)
        return {4, LIBUSB_DT_STRING, 0x09, 0x04};
    const std::string* text = stringText(script, index);
    if (text == nullptr) {
        *found = false;
        return {};
    }
    const std::size_t count = std::min(text->size(), kMaxStringCharacters);
    std::vector<std::uint8_t> bytes = {static_cast<std::uint8_t>(2 + 2 * count), LIBUSB_DT_STRING};
    for (std::size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<std::uint8_t>((*text)[i]));
        bytes.push_back(0);
    }
    return bytes;
}

void complete(UMockdevIoctlClient* client, long result, int error)
{
    umockdev_ioctl_client_complete(client, result, error);
}

// How the device answers one transfer.
struct Outcome {
    int actual = 0;         // bytes transferred
    int status = 0;         // 0 or -errno
    bool answered = true;   // false: no answer before the caller's time-out
    bool interfaceBusy = false;
    int scriptedResult = 0;  // the libusb error a script gave, recorded as it is
};

}  // namespace

// Serves one usbfs request of the client; called on umockdev's thread.
class UsbfsHandler {
public:
    UsbfsHandler(UmockdevPrinter& bed, UmockdevPrinter::Device& device, UMockdevIoctlClient* client)
        : bed_(bed), device_(device), lock_(bed.mutex_), mine_(device.openings[client])
    {
    }

    void handle(UMockdevIoctlClient* client)
    {
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        if (device_.unplugged)
            return complete(client, -1, ENODEV);
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* data = resolve(arg, sizeof(std::uint32_t));
            if (data == nullptr)
                return complete(client, -1, EFAULT);
            const std::uint32_t caps = USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
            std::memcpy(data->data, &caps, sizeof caps);
            return complete(client, 0, 0);
        }
        case USBDEVFS_GETDRIVER: {
            UMockdevIoctlData* data = resolve(arg, sizeof(usbdevfs_getdriver));
            if (data == nullptr)
                return complete(client, -1, EFAULT);
            auto* driver = reinterpret_cast<usbdevfs_getdriver*>(data->data);
            if (device_.script.kernelDriverOn.count(static_cast<int>(driver->interface)) == 0)
                return complete(client, -1, ENODATA);
            std::snprintf(driver->driver, sizeof driver->driver, "usblp");
            return complete(client, 0, 0);
        }
        case USBDEVFS_IOCTL: {
            UMockdevIoctlData* data = resolve(arg, sizeof(usbdevfs_ioctl));
            if (data == nullptr)
                return complete(client, -1, EFAULT);
            const auto* command = reinterpret_cast<const usbdevfs_ioctl*>(data->data);
            if (command->ioctl_code != static_cast<int>(USBDEVFS_DISCONNECT))
                return complete(client, -1, ENOTTY);
            if (!interfaceExists(command->ifno))
                return complete(client, -1, EINVAL);
            if (device_.script.kernelDriverOn.erase(command->ifno) == 0)
                return complete(client, -1, ENODATA);
            return complete(client, 0, 0);
        }
        case USBDEVFS_CLAIMINTERFACE: {
            const UMockdevIoctlData* data = resolve(arg, sizeof(unsigned int));
            if (data == nullptr)
                return complete(client, -1, EFAULT);
            const int number = static_cast<int>(*reinterpret_cast<const unsigned int*>(data->data));
            if (!interfaceExists(number))
                return complete(client, -1, ENOENT);
            if (device_.script.kernelDriverOn.count(number) || device_.claimedByOther(mine_, number))
                return complete(client, -1, EBUSY);
            mine_.claimed.insert(number);
            return complete(client, 0, 0);
        }
        case USBDEVFS_RELEASEINTERFACE: {
            const UMockdevIoctlData* data = resolve(arg, sizeof(unsigned int));
            if (data == nullptr)
                return complete(client, -1, EFAULT);
            const int number = static_cast<int>(*reinterpret_cast<const unsigned int*>(data->data));
            if (mine_.claimed.erase(number) == 0)
                return complete(client, -1, EINVAL);
            return complete(client, 0, 0);
        }
        case USBDEVFS_SUBMITURB:
            return submit(client, arg);
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY: {
            if (mine_.completed.empty())
                return complete(client, -1, EAGAIN);
            UMockdevIoctlData* data = resolve(arg, sizeof(void*));
            if (data == nullptr)
                return complete(client, -1, EFAULT);
            const gulong address = mine_.completed.front();
            mine_.completed.pop_front();
            std::memcpy(data->data, &address, sizeof(void*));
            return complete(client, 0, 0);
        }
        case USBDEVFS_DISCARDURB: {
            gulong address = 0;
            std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, static_cast<std::size_t>(arg->data_len)));
            if (mine_.unanswered.erase(address) == 0)
                return complete(client, -1, EINVAL);
            mine_.completed.push_back(address);
            return complete(client, 0, 0);
        }
        case USBDEVFS_CONTROL:
            return synchronousControl(client, arg);
        case USBDEVFS_BULK:
            return synchronousBulk(client, arg);
        case USBDEVFS_RESETEP:
        case USBDEVFS_CLEAR_HALT:
            return endpointRequest(client, arg, request == USBDEVFS_CLEAR_HALT ? EndpointRequest::ClearHalt
                                                                                : EndpointRequest::ResetEndpoint);
        case USBDEVFS_RESET:
            device_.halted.clear();
            if (device_.program)
                device_.program->reset();
            bed_.endpointRequests_.push_back({device_.number, EndpointRequest::ResetDevice, 0, 0});
            return complete(client, 0, 0);
        default:
            return complete(client, -1, ENOTTY);
        }
    }

private:
    // The client's memory at the pointer stored at `offset` of `data`; null
    // for a null pointer or memory umockdev cannot reach (a client that is
    // ending), which every request answers with EFAULT.
    static UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t length, std::size_t offset = 0)
    {
        return umockdev_ioctl_data_resolve(data, offset, length, nullptr);
    }

    static UMockdevIoctlData* resolveBuffer(UMockdevIoctlData* data, std::size_t offset, std::size_t length)
    {
        void* pointer = nullptr;
        std::memcpy(&pointer, data->data + offset, sizeof pointer);
        return pointer != nullptr && length > 0 ? resolve(data, length, offset) : nullptr;
    }

    bool interfaceExists(int number) const
    {
        return !device_.script.configs.empty() && number >= 0 &&
               static_cast<std::size_t>(number) < device_.script.configs[0].interfaces.size();
    }

    bool mayUse(int number) const
    {
        // usbfs claims a free interface on first use.
        return mine_.claimed.count(number) > 0 ||
               (device_.script.kernelDriverOn.count(number) == 0 && !device_.claimedByOther(mine_, number));
    }

    bool endpointReachable(std::uint8_t endpoint) const
    {
        return bulkEndpointReachable(device_.script, [this](int number) { return mayUse(number); }, endpoint);
    }

    // The interface whose current setting has the endpoint; -1 for none.
    int interfaceOf(unsigned int endpoint) const
    {
        if (device_.script.configs.empty())
            return -1;
        const auto& interfaces = device_.script.configs[0].interfaces;
        for (std::size_t i = 0; i < interfaces.size(); ++i) {
            if (interfaces[i].altSettings.empty())
                continue;
            for (const FakeEndpoint& candidate : interfaces[i].altSettings[0].endpoints)
                if (candidate.address == endpoint)
                    return static_cast<int>(i);
        }
        return -1;
    }

    // The errno usbfs gives a synchronous request on the endpoint, 0 when it
    // may run. The reopened copy of a file is the same file, so these claim
    // nothing; a kernel driver still keeps them out.
    int synchronousAccess(unsigned int endpoint) const
    {
        const int number = interfaceOf(endpoint);
        if (number < 0)
            return ENOENT;
        return device_.script.kernelDriverOn.count(number) ? EBUSY : 0;
    }

    // Answers the URB at once, or leaves it for libusb to discard at its time-out.
    void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
    {
        UMockdevIoctlData* urbData = resolve(arg, sizeof(usbdevfs_urb));
        if (urbData == nullptr)
            return complete(client, -1, EFAULT);
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
        const std::size_t length = urb->buffer_length > 0 ? static_cast<std::size_t>(urb->buffer_length) : 0;
        UMockdevIoctlData* buffer = length > 0 ? resolve(urbData, length, offsetof(usbdevfs_urb, buffer)) : nullptr;
        if (length > 0 && buffer == nullptr)
            return complete(client, -1, EFAULT);
        urb->actual_length = 0;
        urb->status = 0;
        Outcome outcome;
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            if (buffer == nullptr || length < sizeof(usb_ctrlrequest))
                return complete(client, -1, EINVAL);
            usb_ctrlrequest setup;
            std::memcpy(&setup, buffer->data, sizeof setup);
            setup.wLength = static_cast<std::uint16_t>(std::min<std::size_t>(setup.wLength, length - sizeof setup));
            outcome = control(setup, buffer->data + sizeof setup, 0, false);
            if (outcome.interfaceBusy)
                return complete(client, -1, EBUSY);
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK) {
            if (!endpointReachable(urb->endpoint))
                return complete(client, -1, ENOENT);
            outcome = bulk(urb->endpoint, buffer ? buffer->data : nullptr, length, 0, false);
        } else {
            return complete(client, -1, EINVAL);
        }
        urb->actual_length = outcome.actual;
        urb->status = outcome.status;
        if (outcome.answered) {
            mine_.completed.push_back(urbData->client_addr);
        } else {
            // Reported once libusb gives up and discards it.
            urb->status = -ENOENT;
            mine_.unanswered.insert(urbData->client_addr);
        }
        complete(client, 0, 0);
    }

    // A request the device leaves unanswered times out at once.
    static void completeTransfer(UMockdevIoctlClient* client, const Outcome& outcome)
    {
        if (!outcome.answered)
            return complete(client, -1, ETIMEDOUT);
        if (outcome.status < 0)
            return complete(client, -1, -outcome.status);
        complete(client, outcome.actual, 0);
    }

    void synchronousControl(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
    {
        UMockdevIoctlData* transferData = resolve(arg, sizeof(usbdevfs_ctrltransfer));
        if (transferData == nullptr)
            return complete(client, -1, EFAULT);
        const auto* transfer = reinterpret_cast<const usbdevfs_ctrltransfer*>(transferData->data);
        const usb_ctrlrequest setup{transfer->bRequestType, transfer->bRequest, transfer->wValue, transfer->wIndex,
                                    transfer->wLength};
        UMockdevIoctlData* buffer =
            resolveBuffer(transferData, offsetof(usbdevfs_ctrltransfer, data), transfer->wLength);
        if (transfer->wLength > 0 && buffer == nullptr)
            return complete(client, -1, EFAULT);
        const Outcome outcome = control(setup, buffer ? buffer->data : nullptr, transfer->timeout, true);
        if (outcome.interfaceBusy)
            return complete(client, -1, EBUSY);
        completeTransfer(client, outcome);
    }

    void synchronousBulk(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
    {
        UMockdevIoctlData* transferData = resolve(arg, sizeof(usbdevfs_bulktransfer));
        if (transferData == nullptr)
            return complete(client, -1, EFAULT);
        const auto* transfer = reinterpret_cast<const usbdevfs_bulktransfer*>(transferData->data);
        const std::uint8_t endpoint = static_cast<std::uint8_t>(transfer->ep);
        if (const int refused = synchronousAccess(transfer->ep))
            return complete(client, -1, refused);
        UMockdevIoctlData* buffer = resolveBuffer(transferData, offsetof(usbdevfs_bulktransfer, data), transfer->len);
        if (transfer->len > 0 && buffer == nullptr)
            return complete(client, -1, EFAULT);
        bool held = false;
        const Outcome outcome =
            bulk(endpoint, buffer ? buffer->data : nullptr, transfer->len, transfer->timeout, true, &held);
        if (!held)
            completeTransfer(client, outcome);
    }

    void endpointRequest(UMockdevIoctlClient* client, UMockdevIoctlData* arg, EndpointRequest::Kind kind)
    {
        UMockdevIoctlData* data = resolve(arg, sizeof(unsigned int));
        if (data == nullptr)
            return complete(client, -1, EFAULT);
        const unsigned int endpoint = *reinterpret_cast<const unsigned int*>(data->data);
        const int result = interfaceOf(endpoint) >= 0 ? 0 : -ENOENT;
        if (result == 0 && kind == EndpointRequest::ClearHalt)
            device_.halted.erase(static_cast<std::uint8_t>(endpoint));
        bed_.endpointRequests_.push_back({device_.number, kind, static_cast<std::uint8_t>(endpoint), result});
        complete(client, result < 0 ? -1 : 0, -result);
    }

    // Answers a control request; `data` holds its wLength bytes, sent ones
    // for a request to the device, room for the answer for one from it.
    Outcome control(const usb_ctrlrequest& setup, std::uint8_t* data, unsigned int timeoutMs, bool synchronous)
    {
        Outcome outcome;
        const std::uint16_t wLength = setup.wLength;
        const bool in = (setup.bRequestType & USB_DIR_IN) != 0;

        if (setup.bRequestType == 0x80 && setup.bRequest == USB_REQ_GET_DESCRIPTOR && (setup.wValue >> 8) == USB_DT_STRING) {
            bool found = false;
            const auto bytes = stringDescriptor(device_.script, setup.wValue & 0xFF, &found);
            if (!found) {
                outcome.status = -EPIPE;
                return outcome;
            }
            const std::size_t count = std::min<std::size_t>(bytes.size(), wLength);
            std::copy_n(bytes.begin(), count, data);
            outcome.actual = static_cast<int>(count);
            return outcome;
        }

        ControlRecord sent{device_.number, setup.bRequestType, setup.bRequest, setup.wValue, setup.wIndex,
                           setup.wLength, timeoutMs, {}};
        if (!in && data != nullptr)
            sent.data.assign(data, data + wLength);
        bed_.controls_.push_back(sent);
        if ((setup.bRequestType & 0x1F) == USB_RECIP_INTERFACE) {
            const int number = setup.wIndex & 0xFF;
            const bool usable = synchronous ? device_.script.kernelDriverOn.count(number) == 0 : mayUse(number);
            if (!usable) {
                outcome.interfaceBusy = true;
                return outcome;
            }
        }
        const auto answer = device_.script.controlAnswers.find({setup.bRequestType, setup.bRequest});
        if (answer == device_.script.controlAnswers.end()) {
            outcome.status = -EPIPE;
            return outcome;
        }
        if (answer->second.result == LIBUSB_ERROR_TIMEOUT) {
            outcome.answered = false;
            return outcome;
        }
        if (answer->second.result < 0) {
            outcome.status = urbStatus(answer->second.result);
            return outcome;
        }
        if (!in) {
            outcome.actual = wLength;
            return outcome;
        }
        const std::size_t count = std::min<std::size_t>(answer->second.data.size(), wLength);
        std::copy_n(answer->second.data.begin(), count, data);
        outcome.actual = static_cast<int>(count);
        return outcome;
    }

    Outcome bulk(std::uint8_t endpoint, std::uint8_t* data, std::size_t length, unsigned int timeoutMs,
                 bool synchronous, bool* held = nullptr)
    {
        BulkRecord log{device_.number, endpoint, static_cast<int>(length), timeoutMs, {}, 0};
        const Outcome outcome = bulkAnswer(endpoint, data, length, synchronous, held);
        if (!bed_.recording_)
            return outcome;
        if (!outcome.answered)
            log.result = LIBUSB_ERROR_TIMEOUT;
        else if (outcome.status < 0)
            log.result = outcome.scriptedResult < 0 ? outcome.scriptedResult : libusbError(outcome.status);
        if (data != nullptr)
            log.data.assign(data, data + outcome.actual);
        bed_.bulks_.push_back(std::move(log));
        return outcome;
    }

    Outcome bulkAnswer(std::uint8_t endpoint, std::uint8_t* data, std::size_t length, bool synchronous, bool* held)
    {
        Outcome outcome;
        if (device_.halted.count(endpoint)) {
            outcome.status = -EPIPE;
            return outcome;
        }
        if (device_.program)
            return programAnswer(endpoint, data, length, synchronous, held);
        if (!(endpoint & USB_DIR_IN)) {
            const std::size_t accepted = device_.script.bulkOutAccepts < 0
                                             ? length
                                             : std::min(length, static_cast<std::size_t>(device_.script.bulkOutAccepts));
            outcome.actual = static_cast<int>(accepted);
            return outcome;
        }
        auto& queue = device_.script.bulkInAnswers[endpoint];
        if (queue.empty() || queue.front().result == LIBUSB_ERROR_TIMEOUT) {
            if (!queue.empty())
                queue.pop_front();
            outcome.answered = false;
            return outcome;
        }
        const FakeAnswer answer = queue.front();
        queue.pop_front();
        const std::size_t count = std::min(answer.data.size(), length);
        if (count > 0)
            std::copy_n(answer.data.begin(), count, data);
        outcome.actual = static_cast<int>(count);
        if (answer.result < 0) {
            outcome.status = urbStatus(answer.result);
            outcome.scriptedResult = answer.result;
        } else if (answer.data.size() > count) {
            outcome.status = -EOVERFLOW;
        }
        return outcome;
    }

    Outcome programAnswer(std::uint8_t endpoint, std::uint8_t* data, std::size_t length, bool synchronous,
                          bool* held)
    {
        Outcome outcome;
        const int result = endpoint & USB_DIR_IN ? device_.program->bulkIn(endpoint, data, length)
                                                 : device_.program->bulkOut(endpoint, data, length);
        if (result == BulkProgram::kHalt) {
            device_.halted.insert(endpoint);
            outcome.status = -EPIPE;
        } else if (result == BulkProgram::kUnplug) {
            device_.unplugged = true;
            outcome.status = -ENODEV;
        } else if (result == BulkProgram::kHold && synchronous && held != nullptr) {
            *held = true;
            outcome.answered = false;
        } else if (result == BulkProgram::kHold || result == -ETIMEDOUT) {
            outcome.answered = false;
        } else if (result < 0) {
            outcome.status = result;
        } else {
            outcome.actual = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(result), length));
        }
        return outcome;
    }

    UmockdevPrinter& bed_;
    UmockdevPrinter::Device& device_;
    std::lock_guard<std::mutex> lock_;
    UmockdevPrinter::Device::Opening& mine_;
};

namespace {

struct HandlerContext {
    UmockdevPrinter* bed;
    UmockdevPrinter::Device* device;
    std::mutex* mutex;
};

// umockdev drops its client object when the device file is closed (or its
// process ends); the file's claims and URBs go with it.
void onClientGone(gpointer userData, GObject* client)
{
    auto* context = static_cast<HandlerContext*>(userData);
    std::lock_guard<std::mutex> lock(*context->mutex);
    context->device->openings.erase(reinterpret_cast<UMockdevIoctlClient*>(client));
}

gboolean onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer userData)
{
    auto* context = static_cast<HandlerContext*>(userData);
    bool first = false;
    {
        std::lock_guard<std::mutex> lock(*context->mutex);
        first = context->device->openings.count(client) == 0;
    }
    if (first)
        g_object_weak_ref(G_OBJECT(client), onClientGone, context);
    UsbfsHandler(*context->bed, *context->device, client).handle(client);
    return TRUE;
}

void freeContext(gpointer userData, GClosure*)
{
    delete static_cast<HandlerContext*>(userData);
}

// A process killed while the bed holds its request leaves umockdev a client
// whose stream is still open, which it reports when it drops the client;
// that is the expected end of such a request, so the report is left out.
void passUmockdevReports(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if (message != nullptr && std::strstr(message, "Destroying IoctlClient with open stream") != nullptr)
        return;
    g_log_default_handler(domain, level, message, nullptr);
}

std::string hexText(const std::vector<std::uint8_t>& bytes)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0x0F];
    }
    return text;
}

}  // namespace

UmockdevPrinter::UmockdevPrinter() : testbed_(umockdev_testbed_new())
{
    static std::once_flag filterInstalled;
    std::call_once(filterInstalled, [] { g_log_set_handler(nullptr, G_LOG_LEVEL_CRITICAL, passUmockdevReports, nullptr); });
}

UmockdevPrinter::~UmockdevPrinter()
{
    for (const auto& device : devices_) {
        umockdev_testbed_detach_ioctl(testbed_, nodePath(device->number).c_str(), nullptr);
        std::lock_guard<std::mutex> lock(mutex_);
        for (const auto& opening : device->openings)
            g_object_weak_unref(G_OBJECT(const_cast<UMockdevIoctlClient*>(opening.first)), onClientGone,
                                device->context);
        device->openings.clear();
    }
    for (const auto& device : devices_)
        g_object_unref(device->handler);
    g_object_unref(testbed_);
}

bool UmockdevPrinter::active() const
{
    // Known only once a test bed exists.
    return umockdev_in_mock_environment();
}

std::string UmockdevPrinter::nodePath(int device)
{
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", device + kFirstDeviceNumber);
    return node;
}

void UmockdevPrinter::preloadPerProcessFiles()
{
    const char* current = std::getenv("LD_PRELOAD");
    const std::string preload = USBFS_PER_PROCESS_PRELOAD;
    if (current != nullptr && std::string(current).find(preload) != std::string::npos)
        return;
    setenv("LD_PRELOAD", (current != nullptr && *current ? preload + ":" + current : preload).c_str(), 1);
}

int UmockdevPrinter::addDevice(const FakeDevice& script, std::shared_ptr<BulkProgram> program)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int number = static_cast<int>(devices_.size());
    const int devnum = number + kFirstDeviceNumber;
    if (devnum > 127)
        return -1;
    // The record format of umockdev-record: P sysfs path, N device node (with
    // its content in hex: usbfs reads the descriptors from the node), E udev
    // property, A attribute, H binary attribute in hex.
    const std::string descriptors = hexText(descriptorBytes(script));
    char head[512];
    std::snprintf(head, sizeof head,
                  "P: /devices/pci0000:00/0000:00:14.0/usb1/1-%d\n"
                  "N: bus/usb/001/%03d=",
                  devnum, devnum);
    char tail[512];
    std::snprintf(tail, sizeof tail,
                  "E: SUBSYSTEM=usb\n"
                  "E: DEVTYPE=usb_device\n"
                  "E: BUSNUM=001\n"
                  "E: DEVNUM=%03d\n"
                  "E: DEVNAME=/dev/bus/usb/001/%03d\n"
                  "A: busnum=1\n"
                  "A: devnum=%d\n"
                  "A: speed=480\n"
                  "H: descriptors=",
                  devnum, devnum, devnum);
    const std::string record = std::string(head) + descriptors + "\n" + tail + descriptors + "\n";
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        std::fprintf(stderr, "umockdev: %s\n", error != nullptr ? error->message : "add failed");
        g_clear_error(&error);
        return -1;
    }

    auto device = std::make_unique<Device>();
    device->number = number;
    device->script = script;
    device->program = std::move(program);
    device->handler = umockdev_ioctl_base_new();
    auto* context = new HandlerContext{this, device.get(), &mutex_};
    g_signal_connect_data(device->handler, "handle-ioctl", G_CALLBACK(onIoctl), context, freeContext,
                          GConnectFlags(0));
    device->context = context;
    if (!umockdev_testbed_attach_ioctl(testbed_, nodePath(number).c_str(), device->handler, &error)) {
        std::fprintf(stderr, "umockdev: %s\n", error != nullptr ? error->message : "attach failed");
        g_clear_error(&error);
        g_object_unref(device->handler);
        return -1;
    }
    devices_.push_back(std::move(device));
    return number;
}

void UmockdevPrinter::unplug(int device)
{
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.at(static_cast<std::size_t>(device))->unplugged = true;
}

void UmockdevPrinter::haltEndpoint(int device, std::uint8_t endpoint)
{
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.at(static_cast<std::size_t>(device))->halted.insert(endpoint);
}

void UmockdevPrinter::recordTransfers(bool on)
{
    std::lock_guard<std::mutex> lock(mutex_);
    recording_ = on;
}

void UmockdevPrinter::queueBulkIn(int device, std::uint8_t endpoint, const FakeAnswer& answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.at(static_cast<std::size_t>(device))->script.bulkInAnswers[endpoint].push_back(answer);
}

void UmockdevPrinter::setControlAnswer(int device, std::uint8_t requestType, std::uint8_t request,
                                       const FakeAnswer& answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    devices_.at(static_cast<std::size_t>(device))->script.controlAnswers[{requestType, request}] = answer;
}

std::vector<ControlRecord> UmockdevPrinter::controlRequests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return controls_;
}

std::vector<BulkRecord> UmockdevPrinter::bulkTransfers() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return bulks_;
}

std::vector<std::uint8_t> UmockdevPrinter::bulkOutData(int device, std::uint8_t endpoint) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::uint8_t> data;
    for (const BulkRecord& record : bulks_)
        if (record.device == device && record.endpoint == endpoint && !(endpoint & LIBUSB_ENDPOINT_IN))
            data.insert(data.end(), record.data.begin(), record.data.end());
    return data;
}

std::vector<EndpointRequest> UmockdevPrinter::endpointRequests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return endpointRequests_;
}

std::set<int> UmockdevPrinter::claimedInterfaces(int device) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::set<int> claimed;
    for (const auto& entry : devices_.at(static_cast<std::size_t>(device))->openings)
        claimed.insert(entry.second.claimed.begin(), entry.second.claimed.end());
    return claimed;
}

bool UmockdevPrinter::kernelDriverOn(int device, int interfaceNumber) const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return devices_.at(static_cast<std::size_t>(device))->script.kernelDriverOn.count(interfaceNumber) > 0;
}

}  // namespace usb_testing
