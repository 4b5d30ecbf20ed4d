#include "WindowFixture.h"

#include "ui_mainwindow.h"

#include "StandinScriptFile.h"
#include "VuroScanSDK.h"
#include "a4_colour_request.h"

#include <QSignalSpy>
#include <QTest>

#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

void WindowFixture::SetUp()
{
    fs::create_directories(path("scan/tmp"));
    fs::create_symlink(STANDIN_BACKEND, path("scan/sane-taliro-q804.so"));
    script({});
}

void WindowFixture::TearDown()
{
    standin::dropScript();
}

void WindowFixture::script(const std::vector<std::string> &lines)
{
    standin::useScript(path("standin.script"), lines, path("calls.log"));
}

std::vector<std::string> WindowFixture::callLog() const
{
    return testsupport::readLines(path("calls.log"));
}

int WindowFixture::countCalls(const std::string &call) const
{
    int count = 0;
    for (const std::string &line : callLog())
        count += line == call ? 1 : 0;
    return count;
}

void WindowFixture::clearCallLog() const
{
    testsupport::writeText(path("calls.log"), "");
}

std::map<int, std::string> WindowFixture::optionsSet() const
{
    std::map<int, std::string> options;
    for (const std::string &line : callLog()) {
        std::istringstream in(line);
        std::string word;
        std::string verb;
        int option = 0;
        if (in >> word >> option >> verb && word == "option" && verb == "set") {
            std::string value;
            std::getline(in >> std::ws, value);
            options[option] = value;
        }
    }
    return options;
}

void WindowFixture::touchPrinterList(std::time_t when) const
{
    fs::create_directories(path("cfg"));
    const std::string file = path("cfg/printerlist.ini");
    if (!fs::exists(file))
        testsupport::writeText(file, "[printers]\n");
    const utimbuf times{when, when};
    utime(file.c_str(), &times);
}

std::unique_ptr<MainWindow> WindowFixture::makeReadyWindow()
{
    touchPrinterList(std::time(nullptr));
    auto window = makeWindow();
    window->show();
    EXPECT_TRUE(waitForRefresh(*window));
    return window;
}

bool WindowFixture::waitForRefresh(MainWindow &window)
{
    return QTest::qWaitFor(
        [&] { return window.busyState == MainWindow::Idle && window.ui->cbx_scanners->count() > 0; }, 10000);
}

bool WindowFixture::scanAndWait(MainWindow &window)
{
    QSignalSpy ended(&window, &MainWindow::scanFinished);
    window.ui->pb_scan->click();
    return (ended.count() > 0 || ended.wait(20000)) && waitForJobEnd(window);
}

bool WindowFixture::waitForJobEnd(MainWindow &window)
{
    return QTest::qWaitFor([&] { return window.busyState == MainWindow::Idle && !window.pScanSDK->isRunning(); },
                           20000);
}

std::unique_ptr<MainWindow> WindowFixture::makeWindow()
{
    return std::make_unique<MainWindow>(nullptr, QString::fromStdString(m_dir.dir()));
}

void WindowFixture::addPages(MainWindow &window, int count)
{
    const int width = 40;
    const int height = 60;
    std::vector<unsigned char> page(static_cast<std::size_t>(width * height * 3), 200);
    for (int i = 0; i < count; ++i)
        window.imageprocess.appendRGBDataImage(page.data(), width, height);
    window.ui->widget_mainFrame->hide();
    window.ui->widget_imageProcess->show();
}

void WindowFixture::startScan(MainWindow &window)
{
    std::vector<SANE_Device> devices;
    ASSERT_EQ(window.pScanSDK->GetAllDevice(devices), 0);
    ASSERT_FALSE(devices.empty());
    ASSERT_EQ(window.pScanSDK->OpenDev(devices[0]), 0);
    ASSERT_EQ(window.pScanSDK->StartScan(a4ColourRequest(75, true),
                                         window.installPath("scan/tmp/taliroscane").toStdString()),
              0);
    window.busyState = MainWindow::Scanning;
    window.pScanSDK->start();
    ASSERT_TRUE(QTest::qWaitFor([this] { return countCalls("read") >= 2; }, 10000));
}
