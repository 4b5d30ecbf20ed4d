#include "scan_job.h"

#include "daemon_log.h"
#include "daemon_files.h"
#include "page_files.h"
#include "retry_transfer.h"
#include "scan_protocol.h"
#include "socket_io.h"

#include <unistd.h>

namespace {

struct JobTexts {
    const char* openFailedRecordNotSent;
    const char* shortWrite;
    const char* recordNotSent;
    const char* processExit;
};

const JobTexts kUsbTexts{
    "[TaliroScanSDK] usb USBScanRecordRes err\n",
    "[TaliroScanSDK] usb send scan data err\n",
    "[TaliroScanSDK] usb send scan data len err\n",
    "[TaliroScanSDK] usb scan record process exit:%d pid:%d\n",
};

const JobTexts kNetworkTexts{
    "[TaliroScanSDK] usb TCPRecordRes err\n",
    "[TaliroScanSDK] send scan data err\n",
    "[TaliroScanSDK] send scan data len err\n",
    "[TaliroScanSDK] tcp scan record process exit:%d pid:%d\n",
};

bool sendRecord(JobKind kind, int clientFd, int32_t st, int32_t fileIndex, int32_t dataSize, int32_t result)
{
    if (kind == JobKind::Usb) {
        USBScanRecordRes record;
        zeroRecord(record);
        record.st = st;
        record.fileIndex = fileIndex;
        record.dataSize = dataSize;
        record.result = result;
        return serverTcpSendWithRetry(clientFd, &record, sizeof record, 0) == sizeof record;
    }
    TCPRecordRes record;
    zeroRecord(record);
    record.result = result;
    record.bufferLen = dataSize;
    record.fileIndex = fileIndex;
    record.st = st;
    return serverTcpSendWithRetry(clientFd, &record, sizeof record, 0) == sizeof record;
}

// Appends the payload with up to 11 writes; written straight to the file, so
// a client that reads the page after this block's record sees all of it.
bool appendPayload(int pageFd, const uint8_t* data, size_t size)
{
    return transferWithRetry(data, size,
                             [pageFd](const char* first, size_t count) { return write(pageFd, first, count); });
}

void closePage(int& pageFd)
{
    if (pageFd >= 0)
        close(pageFd);
    pageFd = -1;
}

}  // namespace

int runScanJob(JobKind kind, BlockSource& source, int clientFd, const std::string& base)
{
    const JobTexts& texts = kind == JobKind::Usb ? kUsbTexts : kNetworkTexts;
    std::vector<uint8_t> data;
    int pageFd = -1;
    int pagesOpened = 0;
    int result = 0;
    bool firstBlock = true;
    do {
        const int fileIndex = pagesOpened;
        // A block that carries no status must not begin a page again.
        int32_t status = SCAN_STATUS_OPERATION_CONTINUOUS;
        size_t dataSize = 0;
        result = source.readBlock(status, data, dataSize);
        if (kind == JobKind::Network && firstBlock)
            status = SCAN_STATUS_BEGIN_OF_PAGE;
        firstBlock = false;

        if (status == SCAN_STATUS_BEGIN_OF_PAGE) {
            closePage(pageFd);
            pageFd = createFileAnew(pageFileName(base, pagesOpened));
            if (pageFd < 0) {
                if (!sendRecord(kind, clientFd, SCAN_STATUS_OPERATION_CONTINUOUS, fileIndex, 0, kSaneAccessDenied))
                    logError("%s", texts.openFailedRecordNotSent);
                return result;
            }
            ++pagesOpened;
        }

        int32_t recordResult = result;
        if (result == kSaneGood && dataSize > 0 && pageFd >= 0 && !appendPayload(pageFd, data.data(), dataSize)) {
            logError("%s", texts.shortWrite);
            recordResult = kSaneIoError;
        }
        if (!sendRecord(kind, clientFd, status, fileIndex, static_cast<int32_t>(dataSize), recordResult)) {
            logError("%s", texts.recordNotSent);
            break;
        }
    } while (result == kSaneGood);
    closePage(pageFd);
    logInfo(texts.processExit, result, static_cast<int>(getpid()));
    return result;
}
