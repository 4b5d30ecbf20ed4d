// The read loop of one job, on the session's own thread.

#include "BackendEntryPoints.h"
#include "PageFile.h"
#include "ScanBackendOptions.h"
#include "VuroScanSDK.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr SANE_Int kReadSize = 524288;
constexpr std::size_t kPageNameSize = 1024;  // with its terminating NUL

// "<base>_<n>.rgb"; false when it does not fit the page name buffer.
bool formPageName(const std::string &basePath, int pageNumber, std::string &name)
{
    name = basePath + "_" + std::to_string(pageNumber) + ".rgb";
    return name.size() < kPageNameSize;
}

// Share of the page written, 0..100. A page of unknown or zero size counts
// as complete as soon as any of it is written.
int progressPercent(std::uint64_t written, std::uint64_t pageBytes)
{
    if (pageBytes == 0)
        return 100;
    return static_cast<int>(std::min<std::uint64_t>(written * 100 / pageBytes, 100));
}

std::uint64_t pageSize(const SANE_Parameters &params)
{
    const auto pixels = static_cast<std::uint64_t>(std::max(params.pixels_per_line, 0));
    const auto lines = static_cast<std::uint64_t>(std::max(params.lines, 0));
    return pixels * lines * 3;
}

}  // namespace

SANE_Status VuroScanSDK::readParameters(SANE_Parameters *params)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!m_handle)
        return SANE_STATUS_INVAL;
    return g_backend.get_parameters(m_handle, params);
}

SANE_Status VuroScanSDK::readPiece(SANE_Byte *data, SANE_Int *length)
{
    *length = 0;
    try {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (!m_handle)
            return SANE_STATUS_INVAL;
        const SANE_Status status = g_backend.read(m_handle, data, kReadSize, length);
        // A length beyond the buffer would write memory that is not the scan.
        if (status == SANE_STATUS_GOOD && (*length < 0 || *length > kReadSize)) {
            *length = 0;
            return SANE_STATUS_IO_ERROR;
        }
        return status;
    } catch (...) {
        *length = 0;
        return SANE_STATUS_CANCELLED;
    }
}

SANE_Status VuroScanSDK::readPageState(SANE_Int *state)
{
    *state = 0;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (!m_handle)
        return SANE_STATUS_INVAL;
    return g_backend.control_option(m_handle, scan_backend::kOptionPageState, SANE_ACTION_GET_VALUE, nullptr, state);
}

void VuroScanSDK::endWithWriteError(PageFile &pageFile, const std::string &pageName)
{
    std::fprintf(stderr, "[ScanSDK] fwrite err:%s\n", pageName.c_str());
    pageFile.close();
    std::fprintf(stderr, "[ScanSDK] result:%s %s\n", sane_strstatus(SANE_STATUS_IO_ERROR), pageName.c_str());
    emit sigErrCallBack(SANE_STATUS_IO_ERROR);
    emit sigJobCompleteBack();
}

void VuroScanSDK::run()
{
    std::printf("[ScanSDK] -----%s-----\n", __func__);
    SANE_Parameters params{};
    SANE_Status status = readParameters(&params);
    if (status != SANE_STATUS_GOOD) {
        std::fprintf(stderr, "[ScanSDK] sane_start err:%s %d\n", sane_strstatus(status), 0);
        emit sigErrCallBack(status);
        emit sigJobCompleteBack();
        return;
    }
    const int width = params.pixels_per_line;
    const int height = params.lines;
    std::printf("[ScanSDK] parameters width:%d,height:%d\n", width, height);
    const std::uint64_t pageBytes = pageSize(params);
    emit sigPageProgressBack(0);

    std::vector<SANE_Byte> buffer(kReadSize);
    PageFile pageFile;
    std::string pageName;
    int pageCounter = 0;
    std::uint64_t pageWritten = 0;
    for (;;) {
        SANE_Int length = 0;
        status = readPiece(buffer.data(), &length);
        if (status != SANE_STATUS_GOOD)
            break;
        SANE_Int pageState = 0;
        status = readPageState(&pageState);
        if (status != SANE_STATUS_GOOD)
            break;

        if (pageState == scan_backend::kPageBegins) {
            if (!pageFile.close()) {
                endWithWriteError(pageFile, pageName);
                return;
            }
            if (pageCounter != 0)
                emit sigPageCompleteBack(QString::fromLocal8Bit(pageName.c_str()), width, height);
            if (!formPageName(m_basePath, pageCounter, pageName) || !pageFile.open(pageName)) {
                std::fprintf(stderr, "[ScanSDK] file create err:%s\n", pageName.c_str());
                std::fprintf(stderr, "[ScanSDK] result:%s %s\n", sane_strstatus(SANE_STATUS_ACCESS_DENIED),
                             pageName.c_str());
                emit sigErrCallBack(SANE_STATUS_ACCESS_DENIED);
                emit sigJobCompleteBack();
                return;
            }
            ++pageCounter;
            pageWritten = 0;
        }

        // Data before the first page has no file to go to and is dropped.
        if (length > 0 && pageFile.isOpen()) {
            if (!pageFile.write(buffer.data(), static_cast<std::size_t>(length))) {
                endWithWriteError(pageFile, pageName);
                return;
            }
            pageWritten += static_cast<std::uint64_t>(length);
            emit sigPageProgressBack(progressPercent(pageWritten, pageBytes));
        }
    }

    if (!pageFile.close()) {
        endWithWriteError(pageFile, pageName);
        return;
    }
    std::fprintf(stderr, "[ScanSDK] result:%s %s\n", sane_strstatus(status), pageName.c_str());
    if (status == SANE_STATUS_EOF)
        emit sigPageCompleteBack(QString::fromLocal8Bit(pageName.c_str()), width, height);
    else
        emit sigErrCallBack(status);
    emit sigJobCompleteBack();
}
