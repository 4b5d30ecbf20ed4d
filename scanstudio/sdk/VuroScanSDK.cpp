#include "VuroScanSDK.h"

#include "BackendEntryPoints.h"
#include "ScanBackendOptions.h"

#include <taliro/install_root.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstring>

namespace {

using namespace scan_backend;

// Room for any text the backend writes back into a string option.
constexpr std::size_t kOptionTextSize = 256;

const char *modeText(std::uint8_t colorMode)
{
    switch (colorMode) {
    case 0:
        return kModeBinary;
    case 1:
        return kModeGray;
    default:
        return kModeColor;
    }
}

const char *sourceText(std::uint8_t feederEnabled)
{
    switch (feederEnabled) {
    case 0:
        return kSourceFlatbed;
    case 1:
        return kSourceFeeder;
    default:
        return kSourceAuto;
    }
}

void printOperation(const char *name)
{
    std::printf("[ScanSDK] -----%s-----\n", name);
}

}  // namespace

VuroScanSDK::VuroScanSDK(QObject *parent) : QThread(parent)
{
    printOperation(__func__);
}

VuroScanSDK::~VuroScanSDK()
{
    printOperation(__func__);
    wait();  // a job still running would use the backend below
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (m_bound) {
            g_backend.exit();
            unbindBackendEntryPoints();
        }
    }
    if (m_library)
        dlclose(m_library);
}

std::string VuroScanSDK::defaultBackendPath()
{
    return std::string(taliro::kInstallRoot) + "scan/sane-taliro-q804.so";
}

int VuroScanSDK::InitContext(const std::string &backendPath)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    m_library = dlopen(backendPath.c_str(), RTLD_NOW);
    if (!m_library) {
        std::fprintf(stderr, "dlopen err\n");
        return SANE_STATUS_IO_ERROR;
    }
    if (!bindBackendEntryPoints(m_library))
        return SANE_STATUS_IO_ERROR;
    m_bound = true;
    printOperation(__func__);
    SANE_Int versionCode = 0;
    return g_backend.init(&versionCode, nullptr);
}

int VuroScanSDK::GetAllDevice(std::vector<SANE_Device> &out)
{
    printOperation(__func__);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!m_bound)
        return SANE_STATUS_IO_ERROR;
    const SANE_Status status = g_backend.get_devices(&m_deviceList, SANE_FALSE);
    if (status != SANE_STATUS_GOOD)
        return status;
    for (std::size_t i = 0; m_deviceList && m_deviceList[i]; ++i)
        out.push_back(m_deviceRecords.keep(*m_deviceList[i]));
    return SANE_STATUS_GOOD;
}

int VuroScanSDK::OpenDev(SANE_Device device)
{
    printOperation(__func__);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!device.name) {
        std::printf("[ScanSDK] devname inval\n");
        return SANE_STATUS_INVAL;
    }
    if (!m_bound)
        return SANE_STATUS_IO_ERROR;
    std::printf("[ScanSDK] open dev:%s\n", device.name);
    SANE_Handle handle = nullptr;
    const SANE_Status status = g_backend.open(device.name, &handle);
    if (status == SANE_STATUS_GOOD)
        m_handle = handle;
    std::printf("[ScanSDK] open result:%s\n", sane_strstatus(status));
    return status;
}

bool VuroScanSDK::IsDevHasADF()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!m_handle)
        return false;
    SANE_Int info = 0;
    g_backend.control_option(m_handle, kOptionFeederPresent, SANE_ACTION_GET_VALUE, nullptr, &info);
    return info == kHasFeeder;
}

void VuroScanSDK::CloseDev()
{
    printOperation(__func__);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (m_handle) {
        g_backend.close(m_handle);
        m_handle = nullptr;
    }
}

int VuroScanSDK::StartScan(tagSettingInfo info, std::string basePath)
{
    printOperation(__func__);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!m_handle)
        return SANE_STATUS_INVAL;
    m_basePath = std::move(basePath);

    // The backend may write an option's value back, so every value is a buffer of ours.
    char mode[kOptionTextSize] = {};
    char source[kOptionTextSize] = {};
    std::strncpy(mode, modeText(info.colorMode), sizeof mode - 1);
    std::strncpy(source, sourceText(info.feederEnabled), sizeof source - 1);
    const struct {
        SANE_Int option;
        void *value;
    } steps[] = {
        {kOptionMode, mode},
        {kOptionPrepare, nullptr},
        {kOptionSource, source},
        {kOptionResolution, &info.resolution},
        {kOptionFive, &info.option5Value},
        {kOptionSix, &info.option6Value},
        {kOptionAreaLeft, &info.xStart},
        {kOptionAreaTop, &info.yStart},
        {kOptionAreaRight, &info.xEnd},
        {kOptionAreaBottom, &info.yEnd},
    };
    SANE_Int optionInfo = 0;
    for (const auto &step : steps) {
        const SANE_Status status =
            g_backend.control_option(m_handle, step.option, SANE_ACTION_SET_VALUE, step.value, &optionInfo);
        if (status != SANE_STATUS_GOOD)
            return status;
    }
    return g_backend.start(m_handle);
}

void VuroScanSDK::CancelScan()
{
    printOperation(__func__);
    std::lock_guard<std::mutex> lock(g_mutex);
    if (m_handle)
        g_backend.cancel(m_handle);
}
