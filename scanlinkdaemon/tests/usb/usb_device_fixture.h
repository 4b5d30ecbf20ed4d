#pragma once

// A umockdev bed in the test process with devices whose files the test opens
// itself, and the daemon's logs in the test's folder. The program runs under
// umockdev-wrapper; no test here lists the bus folders.

#include "daemon_log.h"
#include "simulated_scanner.h"
#include "temp_folder.h"
#include "umockdev_printer.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

inline constexpr uint16_t kScannerVendor = 0x2F7A;
inline constexpr uint16_t kScannerProduct = 0x5A01;

class UsbDeviceFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(bed.active()) << "run under umockdev-wrapper";
        VuroInitDbg(logs.dir());
    }

    void TearDown() override
    {
        for (int fd : opened)
            close(fd);
    }

    // Plugs in a device and opens its file; the descriptor, -1 on failure.
    int plug(const usb_testing::FakeDevice& script, std::shared_ptr<usb_testing::BulkProgram> program = nullptr)
    {
        const int number = bed.addDevice(script, std::move(program));
        if (number < 0)
            return -1;
        const int fd = open(usb_testing::UmockdevPrinter::nodePath(number).c_str(), O_RDWR | O_CLOEXEC);
        if (fd >= 0)
            opened.push_back(fd);
        return fd;
    }

    // Plugs in a simulated scanner; its descriptor.
    int plugScanner()
    {
        scanner = std::make_shared<SimulatedScanner>();
        return plug(SimulatedScanner::device(kScannerVendor, kScannerProduct, "SN0001"), scanner);
    }

    std::string infoLog() const { return logs.read("taliro_scan_info.log"); }
    std::string errorLog() const { return logs.read("taliro_scan_err.log"); }

    testsupport::TempFolder logs;
    usb_testing::UmockdevPrinter bed;
    std::shared_ptr<SimulatedScanner> scanner;
    std::vector<int> opened;
};
