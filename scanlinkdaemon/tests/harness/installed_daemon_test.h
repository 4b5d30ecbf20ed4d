#pragma once

// The fixture of the daemon's black-box tests, at the real install root
// inside the test's private namespaces: each case starts from an empty scan
// folder, and ends with every daemon process gone and no sanitizer report
// from any of them.

#include "daemon_process.h"

#include <taliro/install_root.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <string>

class InstalledDaemonTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string scanDir = std::string(taliro::kInstallRoot) + "scan/";
        std::filesystem::remove_all(scanDir);
        std::filesystem::create_directories(scanDir);
    }

    void TearDown() override
    {
        daemon.killAll();
        EXPECT_EQ(daemon.sanitizerReports(), "");
        std::filesystem::remove_all(std::string(taliro::kInstallRoot) + "sanitizer-reports");
    }

    DaemonProcess daemon;
};
