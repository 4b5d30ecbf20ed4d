#include "umockdev_printer.h"

#include <umockdev.h>

#include <linux/usb/ch9.h>
#include <linux/usbdevice_fs.h>
#include <sys/ioctl.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

namespace usb_testing {

struct UmockdevPrinter::Device {
    int number = 0;
    FakeDevice script;
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

}  // namespace

// Serves one usbfs request of the client; called on umockdev's thread.
class UsbfsHandler {
public:
    UsbfsHandler(UmockdevPrinter::Device& device, UMockdevIoctlClient* client, std::mutex& mutex,
                 std::vector<ControlRecord>& controls, std::vector<BulkRecord>& bulks)
        : device_(device), lock_(mutex), mine_(device.openings[client]), controls_(controls), bulks_(bulks)
    {
    }

    void handle(UMockdevIoctlClient* client)
    {
        const gulong request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* data = resolve(arg, sizeof(std::uint32_t));
            const std::uint32_t caps = USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_NO_PACKET_SIZE_LIM;
            std::memcpy(data->data, &caps, sizeof caps);
            return complete(client, 0, 0);
        }
        case USBDEVFS_GETDRIVER: {
            UMockdevIoctlData* data = resolve(arg, sizeof(usbdevfs_getdriver));
            auto* driver = reinterpret_cast<usbdevfs_getdriver*>(data->data);
            if (device_.script.kernelDriverOn.count(static_cast<int>(driver->interface)) == 0)
                return complete(client, -1, ENODATA);
            std::snprintf(driver->driver, sizeof driver->driver, "usblp");
            return complete(client, 0, 0);
        }
        case USBDEVFS_IOCTL: {
            UMockdevIoctlData* data = resolve(arg, sizeof(usbdevfs_ioctl));
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
            const int number = static_cast<int>(*reinterpret_cast<const unsigned int*>(
                resolve(arg, sizeof(unsigned int))->data));
            if (!interfaceExists(number))
                return complete(client, -1, ENOENT);
            if (device_.script.kernelDriverOn.count(number) || device_.claimedByOther(mine_, number))
                return complete(client, -1, EBUSY);
            mine_.claimed.insert(number);
            return complete(client, 0, 0);
        }
        case USBDEVFS_RELEASEINTERFACE: {
            const int number = static_cast<int>(*reinterpret_cast<const unsigned int*>(
                resolve(arg, sizeof(unsigned int))->data));
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
            const gulong address = mine_.completed.front();
            mine_.completed.pop_front();
            std::memcpy(resolve(arg, sizeof(void*))->data, &address, sizeof(void*));
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
        default:
            return complete(client, -1, ENOTTY);
        }
    }

private:
    static UMockdevIoctlData* resolve(UMockdevIoctlData* data, std::size_t length, std::size_t offset = 0)
    {
        return umockdev_ioctl_data_resolve(data, offset, length, nullptr);
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

    // Answers the URB at once, or leaves it for libusb to discard at its time-out.
    void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg)
    {
        UMockdevIoctlData* urbData = resolve(arg, sizeof(usbdevfs_urb));
        auto* urb = reinterpret_cast<usbdevfs_urb*>(urbData->data);
        const std::size_t length = urb->buffer_length > 0 ? static_cast<std::size_t>(urb->buffer_length) : 0;
        UMockdevIoctlData* buffer = length > 0 ? resolve(urbData, length, offsetof(usbdevfs_urb, buffer)) : nullptr;
        urb->actual_length = 0;
        urb->status = 0;
        bool answered = true;
        if (urb->type == USBDEVFS_URB_TYPE_CONTROL) {
            if (buffer == nullptr || length < sizeof(usb_ctrlrequest))
                return complete(client, -1, EINVAL);
            if (!control(*urb, buffer->data, length, &answered))
                return complete(client, -1, EBUSY);
        } else if (urb->type == USBDEVFS_URB_TYPE_BULK) {
            if (!endpointReachable(urb->endpoint))
                return complete(client, -1, ENOENT);
            bulk(*urb, buffer ? buffer->data : nullptr, length, &answered);
        } else {
            return complete(client, -1, EINVAL);
        }
        if (answered) {
            mine_.completed.push_back(urbData->client_addr);
        } else {
            // Reported once libusb gives up and discards it.
            urb->status = -ENOENT;
            mine_.unanswered.insert(urbData->client_addr);
        }
        complete(client, 0, 0);
    }

    bool control(usbdevfs_urb& urb, std::uint8_t* buffer, std::size_t length, bool* answered)
    {
        usb_ctrlrequest setup;
        std::memcpy(&setup, buffer, sizeof setup);
        const std::uint16_t wLength = static_cast<std::uint16_t>(std::min<std::size_t>(setup.wLength, length - sizeof setup));
        std::uint8_t* data = buffer + sizeof setup;
        const bool in = (setup.bRequestType & USB_DIR_IN) != 0;

        if (setup.bRequestType == 0x80 && setup.bRequest == USB_REQ_GET_DESCRIPTOR && (setup.wValue >> 8) == USB_DT_STRING) {
            bool found = false;
            const auto bytes = stringDescriptor(device_.script, setup.wValue & 0xFF, &found);
            if (!found) {
                urb.status = -EPIPE;
                return true;
            }
            const std::size_t count = std::min<std::size_t>(bytes.size(), wLength);
            std::copy_n(bytes.begin(), count, data);
            urb.actual_length = static_cast<int>(count);
            return true;
        }

        ControlRecord sent{device_.number, setup.bRequestType, setup.bRequest, setup.wValue, setup.wIndex,
                           setup.wLength, 0, {}};
        if (!in)
            sent.data.assign(data, data + wLength);
        controls_.push_back(sent);
        if ((setup.bRequestType & 0x1F) == USB_RECIP_INTERFACE && !mayUse(setup.wIndex & 0xFF))
            return false;
        const auto answer = device_.script.controlAnswers.find({setup.bRequestType, setup.bRequest});
        if (answer == device_.script.controlAnswers.end()) {
            urb.status = -EPIPE;
            return true;
        }
        if (answer->second.result == LIBUSB_ERROR_TIMEOUT) {
            *answered = false;
            return true;
        }
        if (answer->second.result < 0) {
            urb.status = urbStatus(answer->second.result);
            return true;
        }
        if (!in) {
            urb.actual_length = wLength;
            return true;
        }
        const std::size_t count = std::min<std::size_t>(answer->second.data.size(), wLength);
        std::copy_n(answer->second.data.begin(), count, data);
        urb.actual_length = static_cast<int>(count);
        return true;
    }

    void bulk(usbdevfs_urb& urb, std::uint8_t* data, std::size_t length, bool* answered)
    {
        bulks_.push_back({device_.number, urb.endpoint, static_cast<int>(length), 0, {}, 0});
        BulkRecord& log = bulks_.back();
        if (!(urb.endpoint & USB_DIR_IN)) {
            const std::size_t accepted = device_.script.bulkOutAccepts < 0
                                             ? length
                                             : std::min(length, static_cast<std::size_t>(device_.script.bulkOutAccepts));
            if (data != nullptr)
                log.data.assign(data, data + accepted);
            urb.actual_length = static_cast<int>(accepted);
            return;
        }
        auto& queue = device_.script.bulkInAnswers[urb.endpoint];
        if (queue.empty() || queue.front().result == LIBUSB_ERROR_TIMEOUT) {
            if (!queue.empty())
                queue.pop_front();
            log.result = LIBUSB_ERROR_TIMEOUT;
            *answered = false;
            return;
        }
        const FakeAnswer answer = queue.front();
        queue.pop_front();
        const std::size_t count = std::min(answer.data.size(), length);
        if (count > 0)
            std::copy_n(answer.data.begin(), count, data);
        log.data.assign(answer.data.begin(), answer.data.begin() + static_cast<std::ptrdiff_t>(count));
        urb.actual_length = static_cast<int>(count);
        if (answer.result < 0) {
            urb.status = urbStatus(answer.result);
            log.result = answer.result;
        } else if (answer.data.size() > count) {
            urb.status = -EOVERFLOW;
            log.result = LIBUSB_ERROR_OVERFLOW;
        }
    }

    UmockdevPrinter::Device& device_;
    std::lock_guard<std::mutex> lock_;
    UmockdevPrinter::Device::Opening& mine_;
    std::vector<ControlRecord>& controls_;
    std::vector<BulkRecord>& bulks_;
};

namespace {

struct HandlerContext {
    UmockdevPrinter::Device* device;
    std::mutex* mutex;
    std::vector<ControlRecord>* controls;
    std::vector<BulkRecord>* bulks;
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
    UsbfsHandler(*context->device, client, *context->mutex, *context->controls, *context->bulks).handle(client);
    return TRUE;
}

void freeContext(gpointer userData, GClosure*)
{
    delete static_cast<HandlerContext*>(userData);
}

}  // namespace

UmockdevPrinter::UmockdevPrinter() : testbed_(umockdev_testbed_new()) {}

UmockdevPrinter::~UmockdevPrinter()
{
    for (const auto& device : devices_) {
        char node[32];
        std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", device->number + kFirstDeviceNumber);
        umockdev_testbed_detach_ioctl(testbed_, node, nullptr);
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

int UmockdevPrinter::addDevice(const FakeDevice& script)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int number = static_cast<int>(devices_.size());
    const int devnum = number + kFirstDeviceNumber;
    if (devnum > 127)
        return -1;
    // The record format of umockdev-record: P sysfs path, N device node,
    // E udev property, A attribute, H binary attribute in hex.
    char head[512];
    std::snprintf(head, sizeof head,
                  "P: /devices/pci0000:00/0000:00:14.0/usb1/1-%d\n"
                  "N: bus/usb/001/%03d\n"
                  "E: SUBSYSTEM=usb\n"
                  "E: DEVTYPE=usb_device\n"
                  "E: BUSNUM=001\n"
                  "E: DEVNUM=%03d\n"
                  "E: DEVNAME=/dev/bus/usb/001/%03d\n"
                  "A: busnum=1\n"
                  "A: devnum=%d\n"
                  "A: speed=480\n"
                  "H: descriptors=",
                  devnum, devnum, devnum, devnum, devnum);
    std::string record = head;
    static const char kDigits[] = "0123456789ABCDEF";
    for (std::uint8_t byte : descriptorBytes(script)) {
        record += kDigits[byte >> 4];
        record += kDigits[byte & 0x0F];
    }
    record += '\n';
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed_, record.c_str(), &error)) {
        std::fprintf(stderr, "umockdev: %s\n", error != nullptr ? error->message : "add failed");
        g_clear_error(&error);
        return -1;
    }

    auto device = std::make_unique<Device>();
    device->number = number;
    device->script = script;
    device->handler = umockdev_ioctl_base_new();
    auto* context = new HandlerContext{device.get(), &mutex_, &controls_, &bulks_};
    g_signal_connect_data(device->handler, "handle-ioctl", G_CALLBACK(onIoctl), context, freeContext,
                          GConnectFlags(0));
    device->context = context;
    char node[32];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", devnum);
    if (!umockdev_testbed_attach_ioctl(testbed_, node, device->handler, &error)) {
        std::fprintf(stderr, "umockdev: %s\n", error != nullptr ? error->message : "attach failed");
        g_clear_error(&error);
        g_object_unref(device->handler);
        return -1;
    }
    devices_.push_back(std::move(device));
    return number;
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
