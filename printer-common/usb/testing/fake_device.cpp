#include "fake_device.h"

namespace usb_testing {

FakeDevice printerDevice(std::uint16_t vendorId, std::uint16_t productId, const std::string& serialNumber)
{
    FakeDevice script;
    script.vendorId = vendorId;
    script.productId = productId;
    script.manufacturer = "Taliro";
    script.product = "Taliro Printer";
    script.serialNumber = serialNumber;
    FakeAltSetting setting;
    setting.interfaceClass = LIBUSB_CLASS_PRINTER;
    setting.endpoints = {{0x01, LIBUSB_TRANSFER_TYPE_BULK, 64}, {0x82, LIBUSB_TRANSFER_TYPE_BULK, 64}};
    script.configs = {FakeConfig{{FakeInterface{{setting}}}}};
    script.kernelDriverOn = {0};
    return script;
}

libusb_device_descriptor deviceDescriptor(const FakeDevice& script)
{
    libusb_device_descriptor descriptor{};
    descriptor.bLength = LIBUSB_DT_DEVICE_SIZE;
    descriptor.bDescriptorType = LIBUSB_DT_DEVICE;
    descriptor.bcdUSB = 0x0200;
    descriptor.bMaxPacketSize0 = 64;
    descriptor.idVendor = script.vendorId;
    descriptor.idProduct = script.productId;
    descriptor.bcdDevice = 0x0100;
    descriptor.iManufacturer = script.manufacturer.empty() ? 0 : 1;
    descriptor.iProduct = script.product.empty() ? 0 : 2;
    descriptor.iSerialNumber = script.serialNumber.empty() ? 0 : 3;
    descriptor.bNumConfigurations = static_cast<std::uint8_t>(script.configs.size());
    return descriptor;
}

const std::string* stringText(const FakeDevice& script, int index)
{
    const std::string* text = index == 1 ? &script.manufacturer
                              : index == 2 ? &script.product
                              : index == 3 ? &script.serialNumber
                                           : nullptr;
    return text == nullptr || text->empty() ? nullptr : text;
}

bool bulkEndpointReachable(const FakeDevice& script, const std::function<bool(int)>& mayUseInterface,
                           std::uint8_t endpoint)
{
    if (script.configs.empty())
        return false;
    // Nothing selects another alternate setting, so each interface runs its first.
    const auto& interfaces = script.configs[0].interfaces;
    for (std::size_t i = 0; i < interfaces.size(); ++i) {
        if (interfaces[i].altSettings.empty() || !mayUseInterface(static_cast<int>(i)))
            continue;
        for (const FakeEndpoint& candidate : interfaces[i].altSettings[0].endpoints)
            if (candidate.address == endpoint)
                return (candidate.attributes & 0x03) != LIBUSB_TRANSFER_TYPE_ISOCHRONOUS;
    }
    return false;
}

std::vector<std::uint8_t> descriptorBytes(const FakeDevice& script)
{
    const auto word = [](std::vector<std::uint8_t>& out, std::uint16_t value) {
        out.push_back(static_cast<std::uint8_t>(value & 0xFF));
        out.push_back(static_cast<std::uint8_t>(value >> 8));
    };
    const libusb_device_descriptor device = deviceDescriptor(script);
    std::vector<std::uint8_t> bytes = {device.bLength, device.bDescriptorType};
    word(bytes, device.bcdUSB);
    bytes.insert(bytes.end(), {device.bDeviceClass, device.bDeviceSubClass, device.bDeviceProtocol,
                               device.bMaxPacketSize0});
    word(bytes, device.idVendor);
    word(bytes, device.idProduct);
    word(bytes, device.bcdDevice);
    bytes.insert(bytes.end(), {device.iManufacturer, device.iProduct, device.iSerialNumber,
                               device.bNumConfigurations});

    for (std::size_t c = 0; c < script.configs.size(); ++c) {
        std::vector<std::uint8_t> body;
        const FakeConfig& config = script.configs[c];
        for (std::size_t i = 0; i < config.interfaces.size(); ++i) {
            const auto& settings = config.interfaces[i].altSettings;
            for (std::size_t a = 0; a < settings.size(); ++a) {
                body.insert(body.end(), {LIBUSB_DT_INTERFACE_SIZE, LIBUSB_DT_INTERFACE, static_cast<std::uint8_t>(i),
                                         static_cast<std::uint8_t>(a),
                                         static_cast<std::uint8_t>(settings[a].endpoints.size()),
                                         settings[a].interfaceClass, 0x01, 0x02, 0x00});
                for (const FakeEndpoint& endpoint : settings[a].endpoints) {
                    body.insert(body.end(),
                                {LIBUSB_DT_ENDPOINT_SIZE, LIBUSB_DT_ENDPOINT, endpoint.address, endpoint.attributes});
                    word(body, endpoint.maxPacketSize);
                    body.push_back(0x00);
                }
            }
        }
        bytes.insert(bytes.end(), {LIBUSB_DT_CONFIG_SIZE, LIBUSB_DT_CONFIG});
        word(bytes, static_cast<std::uint16_t>(LIBUSB_DT_CONFIG_SIZE + body.size()));
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(config.interfaces.size()),
                                   static_cast<std::uint8_t>(c + 1), 0x00, 0xC0, 0x32});
        bytes.insert(bytes.end(), body.begin(), body.end());
    }
    return bytes;
}

}  // namespace usb_testing
