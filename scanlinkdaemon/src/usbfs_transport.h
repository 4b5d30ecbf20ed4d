#pragma once

// The USB transport over the kernel's usbfs device files: control and chunked
// bulk transfers, endpoint reset, clear halt and device reset on a device
// named by the descriptor of its opened device file. Results are ints: byte
// counts, 0 or 9 for the endpoint requests, or negative values for transfers
// that failed outright.

#include <cstddef>
#include <cstdint>

// Everything written to the scanner goes to the bulk OUT endpoint, everything
// read comes from the bulk IN endpoint, in requests of at most 512 bytes.
inline constexpr unsigned int kBulkOutEndpoint = 0x02;
inline constexpr unsigned int kBulkInEndpoint = 0x82;
inline constexpr int kBulkChunkSize = 512;

// Results of vuro_get_string_simple besides the transfer's own.
inline constexpr int kMalformedStringDescriptor = -5;
inline constexpr int kShortStringDescriptor = -27;

// One control transfer with these setup fields (wLength = size); the bytes
// transferred, or a negative value.
int vuro_control_msg(int fd, int requestType, int request, int value, int index, uint8_t* bytes, int size,
                     int timeout);
// String descriptor `index` in language `langid`.
int vuro_get_string(int fd, int index, int langid, uint8_t* buffer, int length);
// String descriptor `index` in the device's first language as NUL-terminated
// ASCII in `buffer`; the number of characters, or a negative value.
int vuro_get_string_simple(int fd, int index, char* buffer, size_t bufferLength);
// Turns the `received` bytes of a string descriptor into NUL-terminated ASCII
// (characters outside it become '?'); the number of characters, or
// kMalformedStringDescriptor / kShortStringDescriptor.
int asciiFromStringDescriptor(const uint8_t* descriptor, int received, char* buffer, size_t bufferLength);

// The chunked bulk transfer: the bytes transferred (a short packet ends a
// read), 0 when the first request failed on a device that still answers, or
// the negative result of the probe when it is gone. A request that fails
// after earlier ones transferred bytes gives those bytes.
int usb_bulk(int fd, unsigned int endpoint, uint8_t* data, int size, int timeout);
int vuro_bulk_write(int fd, const uint8_t* data, int size, int timeout);
int vuro_bulk_read(int fd, uint8_t* buffer, int size, int timeout);

// 0 when the request succeeds, else 9.
int vuro_resetep(int fd, unsigned int endpoint);
int vuro_clear_halt(int fd, unsigned int endpoint);
// USBDEVFS_RESET; the request's own result.
int vuro_reset_device(int fd);

// The open step of the client's protocol: discovery opened the file already. 0.
int vuro_init(int fd);
// Closes the device file unless fd is 0.
void vuro_close_device(int fd);
