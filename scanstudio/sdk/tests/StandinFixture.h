#pragma once

#include "VuroScanSDK.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A temporary folder, a script for the stand-in backend in it and the
// stand-in's call log beside it.
class StandinFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the stand-in's script; the call log line is added.
    void script(const std::vector<std::string> &lines);
    std::vector<std::string> callLog() const;
    // The call log from its first line starting with `from` on.
    std::vector<std::string> callLogFrom(const std::string &from) const;

    std::string folder() const;
    std::string basePath() const;  // "<folder>/taliroscane"

    // A bound session on the stand-in with its first device open.
    std::unique_ptr<VuroScanSDK> openSession();

    // A4 colour pages at 150 dpi from the feeder.
    static tagSettingInfo feederRequest();

private:
    QTemporaryDir m_dir;
};
