// The scanner backend stand-in: the thirteen entry points of the backend object.
// One scanner with a flatbed and, unless the script says otherwise, a document
// feeder. A job delivers its pages one after the other; each read returns at
// most the rest of the current page, and the page-state option answers 9 after
// the read that began a page. The end of the job is status 5.

#include "ScanBackendOptions.h"
#include "StandinCallLog.h"
#include "StandinScript.h"
#include "SyntheticPage.h"

#include <sane/sane.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using standin::logCall;

using namespace scan_backend;

constexpr SANE_Byte kLeadByte = 0xEE;

const char *const kModes[] = {kModeBinary, kModeGray, kModeColor};
const char *const kSources[] = {kSourceFlatbed, kSourceFeeder, kSourceAuto};

struct Job {
    bool active = false;
    bool cancelled = false;
    int pages = 0;
    int width = 0;
    int height = 0;
    int pageIndex = 0;
    std::uint64_t offsetInPage = 0;
    std::uint64_t leadLeft = 0;
    int reads = 0;
    bool lastReadBeganPage = false;
    std::unique_ptr<standin::SyntheticPage> page;
};

struct Scanner {
    standin::StandinScript script;
    // The first page of the last prerendered job's size, kept for the jobs after it.
    std::vector<SANE_Byte> prerenderedPage;
    bool open = false;
    std::string mode = kModeColor;
    std::string source = kSourceFlatbed;
    SANE_Int resolution = 150;
    SANE_Int optionFive = 0;
    SANE_Int optionSix = 0;
    SANE_Int area[4] = {0, 0, 210, 297};  // left, top, right, bottom in mm
    Job job;
    // Device records of the last get_devices; rebuilt on every call.
    std::vector<std::unique_ptr<char[]>> strings;
    std::vector<SANE_Device> records;
    std::vector<const SANE_Device *> list;
};

Scanner g_scanner;

SANE_Handle handleOf(Scanner &scanner)
{
    return &scanner;
}

bool isOpenHandle(SANE_Handle handle)
{
    return handle == handleOf(g_scanner) && g_scanner.open;
}

std::string deviceName(int index)
{
    return index == 0 ? "taliro:usb:q804" : "taliro:usb:q804:" + std::to_string(index);
}

const char *ownedCopy(const std::string &text)
{
    auto copy = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(copy.get(), text.c_str(), text.size() + 1);
    g_scanner.strings.push_back(std::move(copy));
    return g_scanner.strings.back().get();
}

// Frees the previous records after spoiling them, as a real backend may.
void rebuildDeviceList()
{
    for (auto &text : g_scanner.strings)
        std::memset(text.get(), 'X', std::strlen(text.get()));
    g_scanner.strings.clear();
    g_scanner.records.clear();
    g_scanner.list.clear();
    for (int i = 0; i < g_scanner.script.devices; ++i)
        g_scanner.records.push_back(
            {ownedCopy(deviceName(i)), ownedCopy("Taliro"), ownedCopy("TX 560MDW"), ownedCopy("flatbed scanner")});
    for (const SANE_Device &record : g_scanner.records)
        g_scanner.list.push_back(&record);
    g_scanner.list.push_back(nullptr);
}

int millimetresToPixels(SANE_Int millimetres, SANE_Int dpi)
{
    const long long pixels = (static_cast<long long>(millimetres) * dpi * 10 + 127) / 254;
    return static_cast<int>(std::clamp<long long>(pixels, 0, 1 << 16));
}

int pageWidth()
{
    const auto &s = g_scanner;
    return s.script.width != standin::kUnset ? std::max(s.script.width, 0) : millimetresToPixels(s.area[2] - s.area[0], s.resolution);
}

int pageHeight()
{
    const auto &s = g_scanner;
    return s.script.height != standin::kUnset ? std::max(s.script.height, 0) : millimetresToPixels(s.area[3] - s.area[1], s.resolution);
}

SANE_Status setText(SANE_Int option, char *value, const char *const *accepted, std::size_t count,
                    std::string &stored)
{
    if (!value)
        return SANE_STATUS_INVAL;
    logCall("option " + std::to_string(option) + " set " + value);
    for (std::size_t i = 0; i < count; ++i) {
        if (std::strcmp(value, accepted[i]) == 0) {
            stored = accepted[i];
            std::strcpy(value, accepted[i]);  // the value as taken, written back
            return SANE_STATUS_GOOD;
        }
    }
    return SANE_STATUS_INVAL;
}

SANE_Status setNumber(SANE_Int option, SANE_Int *value, SANE_Int *info, SANE_Int &stored, SANE_Int low,
                      SANE_Int high)
{
    if (!value)
        return SANE_STATUS_INVAL;
    logCall("option " + std::to_string(option) + " set " + std::to_string(*value));
    stored = std::clamp(*value, low, high);
    if (stored != *value && info)
        *info |= SANE_INFO_INEXACT;
    *value = stored;
    return SANE_STATUS_GOOD;
}

SANE_Status getPrivate(SANE_Int option, SANE_Int *info)
{
    logCall("option " + std::to_string(option) + " get");
    if (!info)
        return SANE_STATUS_INVAL;
    if (option == kOptionPageState)
        *info = g_scanner.job.lastReadBeganPage ? kPageBegins : 0;
    else
        *info = g_scanner.script.feeder ? kHasFeeder : 0;
    return SANE_STATUS_GOOD;
}

SANE_Status setOption(SANE_Int option, void *value, SANE_Int *info)
{
    if (info)
        *info = 0;
    Scanner &s = g_scanner;
    const SANE_Int anyInt = std::numeric_limits<SANE_Int>::max();
    switch (option) {
    case kOptionMode:
        return setText(option, static_cast<char *>(value), kModes, 3, s.mode);
    case kOptionSource:
        return setText(option, static_cast<char *>(value), kSources, 3, s.source);
    case kOptionPrepare:
        logCall("option 1000 set");
        s.job = Job();
        return SANE_STATUS_GOOD;
    case kOptionResolution:
        return setNumber(option, static_cast<SANE_Int *>(value), info, s.resolution, 75, 1200);
    case kOptionFive:
        return setNumber(option, static_cast<SANE_Int *>(value), info, s.optionFive, -anyInt, anyInt);
    case kOptionSix:
        return setNumber(option, static_cast<SANE_Int *>(value), info, s.optionSix, -anyInt, anyInt);
    case kOptionAreaLeft:
    case kOptionAreaTop:
    case kOptionAreaRight:
    case kOptionAreaBottom:
        return setNumber(option, static_cast<SANE_Int *>(value), info, s.area[option - kOptionAreaLeft], 0, 1000);
    default:
        logCall("option " + std::to_string(option) + " set");
        return SANE_STATUS_INVAL;
    }
}

int pagesOfJob()
{
    const Scanner &s = g_scanner;
    const bool fromFeeder = s.source == kSourceFeeder || (s.source == kSourceAuto && s.script.feeder);
    return fromFeeder ? s.script.feederPages : s.script.flatbedPages;
}

// Renders the job's first page once for a prerendered job of a new size.
void prerenderFirstPage(const Job &job)
{
    std::vector<SANE_Byte> &page = g_scanner.prerenderedPage;
    if (page.size() == static_cast<std::uint64_t>(job.width) * static_cast<std::uint64_t>(job.height) * 3)
        return;
    const standin::SyntheticPage first(0, job.width, job.height);
    page.resize(first.byteCount());
    first.copyBytes(0, page.size(), page.data());
}

// Delivers the next piece of the current page, never past its end.
void deliverPagePiece(SANE_Byte *data, SANE_Int maxLength, SANE_Int *length)
{
    Job &job = g_scanner.job;
    const bool prerendered = g_scanner.script.prerendered;
    if (job.offsetInPage == 0) {
        if (!prerendered)
            job.page = std::make_unique<standin::SyntheticPage>(job.pageIndex, job.width, job.height);
        job.lastReadBeganPage = true;
    }
    const std::uint64_t pageBytes = prerendered ? g_scanner.prerenderedPage.size() : job.page->byteCount();
    const std::uint64_t left = pageBytes - job.offsetInPage;
    const auto piece = static_cast<SANE_Int>(std::min<std::uint64_t>(left, static_cast<std::uint64_t>(maxLength)));
    if (prerendered)
        std::memcpy(data, g_scanner.prerenderedPage.data() + job.offsetInPage, static_cast<std::size_t>(piece));
    else
        job.page->copyBytes(job.offsetInPage, static_cast<std::size_t>(piece), data);
    *length = piece;
    job.offsetInPage += static_cast<std::uint64_t>(piece);
    if (job.offsetInPage == pageBytes) {
        ++job.pageIndex;
        job.offsetInPage = 0;
    }
}

// Three bytes a pixel; a scripted width whose line does not fit an int reports INT_MAX.
SANE_Int bytesPerLine(SANE_Int pixelsPerLine)
{
    const long long bytes = static_cast<long long>(pixelsPerLine) * 3;
    return bytes >= std::numeric_limits<SANE_Int>::min() && bytes <= std::numeric_limits<SANE_Int>::max()
               ? static_cast<SANE_Int>(bytes)
               : std::numeric_limits<SANE_Int>::max();
}

}  // namespace

extern "C" {

SANE_Status sane_vuro_q804_init(SANE_Int *version_code, SANE_Auth_Callback)
{
    g_scanner = Scanner();
    g_scanner.script = standin::loadStandinScript();
    standin::setCallLogPath(g_scanner.script.callLogPath);
    logCall("init");
    if (version_code)
        *version_code = SANE_VERSION_CODE(SANE_CURRENT_MAJOR, SANE_CURRENT_MINOR, 0);
    return static_cast<SANE_Status>(g_scanner.script.initStatus);
}

SANE_Status sane_vuro_q804_get_devices(const SANE_Device ***device_list, SANE_Bool)
{
    logCall("get_devices");
    // Read again at every query, so a test can add and remove scanners
    // while the program runs.
    g_scanner.script.devices = standin::loadStandinScript().devices;
    if (g_scanner.script.getDevicesStatus != SANE_STATUS_GOOD)
        return static_cast<SANE_Status>(g_scanner.script.getDevicesStatus);
    rebuildDeviceList();
    *device_list = g_scanner.list.data();
    return SANE_STATUS_GOOD;
}

SANE_Status sane_vuro_q804_open(SANE_String_Const devicename, SANE_Handle *handle)
{
    logCall(std::string("open ") + (devicename ? devicename : ""));
    if (g_scanner.script.openStatus != SANE_STATUS_GOOD)
        return static_cast<SANE_Status>(g_scanner.script.openStatus);
    bool known = false;
    for (int i = 0; devicename && i < g_scanner.script.devices; ++i)
        known = known || deviceName(i) == devicename;
    if (!known || !handle)
        return SANE_STATUS_INVAL;
    g_scanner.open = true;
    *handle = handleOf(g_scanner);
    return SANE_STATUS_GOOD;
}

const SANE_Option_Descriptor *sane_vuro_q804_get_option_descriptor(SANE_Handle, SANE_Int option)
{
    logCall("get_option_descriptor " + std::to_string(option));
    return nullptr;
}

SANE_Status sane_vuro_q804_control_option(SANE_Handle handle, SANE_Int option, SANE_Action action, void *value,
                                          SANE_Int *info)
{
    if (!isOpenHandle(handle)) {
        logCall("option " + std::to_string(option) + " on a closed handle");
        return SANE_STATUS_INVAL;
    }
    if (option == g_scanner.script.failOption) {
        logCall("option " + std::to_string(option) + (action == SANE_ACTION_GET_VALUE ? " get" : " set") +
                " refused");
        return static_cast<SANE_Status>(g_scanner.script.failStatus);
    }
    if (action == SANE_ACTION_GET_VALUE && (option == kOptionPageState || option == kOptionFeederPresent))
        return getPrivate(option, info);
    if (action == SANE_ACTION_SET_VALUE)
        return setOption(option, value, info);
    logCall("option " + std::to_string(option) + " action " + std::to_string(action));
    return SANE_STATUS_UNSUPPORTED;
}

SANE_Status sane_vuro_q804_get_parameters(SANE_Handle handle, SANE_Parameters *params)
{
    logCall("get_parameters");
    if (!isOpenHandle(handle) || !params)
        return SANE_STATUS_INVAL;
    if (g_scanner.script.paramsStatus != SANE_STATUS_GOOD)
        return static_cast<SANE_Status>(g_scanner.script.paramsStatus);
    const Job &job = g_scanner.job;
    const int width = job.active ? job.width : pageWidth();
    const int height = job.active ? job.height : pageHeight();
    params->format = SANE_FRAME_RGB;
    params->last_frame = SANE_TRUE;
    params->pixels_per_line = g_scanner.script.reportWidth != standin::kUnset ? g_scanner.script.reportWidth : width;
    params->lines = g_scanner.script.reportHeight != standin::kUnset ? g_scanner.script.reportHeight : height;
    params->bytes_per_line = bytesPerLine(params->pixels_per_line);
    params->depth = 8;
    return SANE_STATUS_GOOD;
}

SANE_Status sane_vuro_q804_start(SANE_Handle handle)
{
    logCall("start");
    if (!isOpenHandle(handle))
        return SANE_STATUS_INVAL;
    if (g_scanner.script.startStatus != SANE_STATUS_GOOD)
        return static_cast<SANE_Status>(g_scanner.script.startStatus);
    if (g_scanner.source == kSourceFeeder && !g_scanner.script.feeder)
        return SANE_STATUS_NO_DOCS;
    Job &job = g_scanner.job;
    job = Job();
    job.active = true;
    job.pages = pagesOfJob();
    job.width = pageWidth();
    job.height = pageHeight();
    job.leadLeft = static_cast<std::uint64_t>(std::max(g_scanner.script.leadBytes, 0));
    if (g_scanner.script.prerendered)
        prerenderFirstPage(job);
    return SANE_STATUS_GOOD;
}

SANE_Status sane_vuro_q804_read(SANE_Handle handle, SANE_Byte *data, SANE_Int max_length, SANE_Int *length)
{
    logCall("read");
    if (g_scanner.script.readDelayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(g_scanner.script.readDelayMs));
    Job &job = g_scanner.job;
    if (!isOpenHandle(handle) || !data || !length || max_length <= 0)
        return SANE_STATUS_INVAL;
    *length = 0;
    if (!job.active)
        return SANE_STATUS_INVAL;
    job.lastReadBeganPage = false;
    ++job.reads;
    if (job.cancelled) {
        job.active = false;
        return SANE_STATUS_CANCELLED;
    }
    if (job.reads == g_scanner.script.readThrowAt)
        throw std::runtime_error("standin backend: read failed");
    if (job.reads == g_scanner.script.readOverlongAt) {
        std::memset(data, kLeadByte, static_cast<std::size_t>(max_length));
        *length = max_length + 1;
        return SANE_STATUS_GOOD;
    }
    if (g_scanner.script.readStatus != SANE_STATUS_GOOD && job.reads == g_scanner.script.readStatusAt)
        return static_cast<SANE_Status>(g_scanner.script.readStatus);
    if (job.leadLeft > 0) {
        const auto piece = static_cast<SANE_Int>(std::min<std::uint64_t>(job.leadLeft, max_length));
        std::memset(data, kLeadByte, static_cast<std::size_t>(piece));
        *length = piece;
        job.leadLeft -= static_cast<std::uint64_t>(piece);
        return SANE_STATUS_GOOD;
    }
    if (job.pageIndex >= job.pages) {
        job.active = false;
        return SANE_STATUS_EOF;
    }
    deliverPagePiece(data, max_length, length);
    return SANE_STATUS_GOOD;
}

SANE_Status sane_vuro_q804_set_io_mode(SANE_Handle, SANE_Bool non_blocking)
{
    logCall("set_io_mode " + std::to_string(non_blocking));
    return non_blocking ? SANE_STATUS_UNSUPPORTED : SANE_STATUS_GOOD;
}

SANE_Status sane_vuro_q804_get_select_fd(SANE_Handle, SANE_Int *)
{
    logCall("get_select_fd");
    return SANE_STATUS_UNSUPPORTED;
}

void sane_vuro_q804_cancel(SANE_Handle handle)
{
    logCall("cancel");
    if (isOpenHandle(handle) && g_scanner.job.active)
        g_scanner.job.cancelled = true;
}

void sane_vuro_q804_close(SANE_Handle handle)
{
    logCall("close");
    if (isOpenHandle(handle)) {
        g_scanner.open = false;
        g_scanner.job = Job();
    }
}

#ifndef STANDIN_WITHOUT_EXIT
void sane_vuro_q804_exit(void)
{
    logCall("exit");
    g_scanner = Scanner();
}
#endif

}  // extern "C"
