#pragma once

// A main window on a temporary install root with the stand-in backend at
// scan/sane-taliro-q804.so, scripted through TALIRO_STANDIN_BACKEND_SCRIPT.

#include "mainwindow.h"

#include <temp_folder.h>

#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces the stand-in's script; its call log line is added.
    void script(const std::vector<std::string> &lines);
    std::vector<std::string> callLog() const;
    int countCalls(const std::string &call) const;
    void clearCallLog() const;
    // The last value the log shows set for each option ("option N set V").
    std::map<int, std::string> optionsSet() const;

    std::unique_ptr<MainWindow> makeWindow();
    // A shown window whose first refresh has listed the stand-in's scanners
    // and opened the first; cfg/printerlist.ini is written for it.
    std::unique_ptr<MainWindow> makeReadyWindow();
    // Gives cfg/printerlist.ini the modification time `when` (whole seconds).
    void touchPrinterList(std::time_t when) const;
    // Waits until no refresh is under way and the scanner list is rebuilt.
    static bool waitForRefresh(MainWindow &window);
    // Presses Scan and waits until the job has ended and the session's
    // thread has returned.
    static bool scanAndWait(MainWindow &window);
    static bool waitForJobEnd(MainWindow &window);

    std::string path(const std::string &relative) const { return m_dir.file(relative); }
    std::string logText() const { return testsupport::readText(path("scan/scanAppLog.log")); }

    // A few pages in the window's page list, shown on the result page.
    static void addPages(MainWindow &window, int count);
    // Opens the stand-in's scanner and starts a feeder job on the session's
    // thread, as the Scan button does; returns once the job reads.
    void startScan(MainWindow &window);

    testsupport::TempFolder m_dir;
};
