#include "netscan_stream.h"

#include "daemon_log.h"
#include "netscan_protocol.h"
#include "netscan_socket.h"
#include "scan_protocol.h"

namespace {

// Reads a header of headerSize bytes whose size field at sizeAt announces
// what follows it, and those bytes, which are not used.
bool skipAnnouncedPart(int fd, size_t headerSize, size_t sizeAt, const char* headerFailed, const char* partFailed)
{
    uint8_t header[kJobHeaderSize];
    if (vuro_tcp_recv_with_retry(fd, header, headerSize) != 0) {
        logError("%s", headerFailed);
        return false;
    }
    std::vector<uint8_t> part(streamSize(header + sizeAt));
    if (!part.empty() && vuro_tcp_recv_with_retry(fd, part.data(), part.size()) != 0) {
        logError("%s", partFailed);
        return false;
    }
    return true;
}

int endJob(int fd, int result)
{
    vuro_close_tcp(fd);
    return result;
}

}  // namespace

bool readJobHeader(int dataConnection)
{
    return skipAnnouncedPart(dataConnection, kJobHeaderSize, kJobHeaderSizeAt,
                             "[TaliroScanSDK] recv record scan data err\n",
                             "[TaliroScanSDK] recv record header data error\n");
}

int vuro_tcp_ScanRecord(int dataConnection, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize)
{
    logInfo("[TaliroScanSDK] ** %s\n", "vuro_tcp_ScanRecord");
    status = SCAN_STATUS_OPERATION_CONTINUOUS;
    dataSize = 0;
    uint8_t header[kBlockHeaderSize];
    if (vuro_tcp_recv_with_retry(dataConnection, header, sizeof header) != 0) {
        logError("[TaliroScanSDK] vuro_tcp_recv_with_retry blockdata err\n");
        return endJob(dataConnection, kSaneIoError);
    }
    switch (blockKind(header)) {
    case BlockKind::NewPage:
        logInfo("[TaliroScanSDK] newFileFlag\n");
        // A page header that breaks off ends the job without beginning a page.
        if (!skipAnnouncedPart(dataConnection, kBlockHeaderSize, kBlockHeaderSizeAt,
                               "[TaliroScanSDK] recv record scan data err\n",
                               "[TaliroScanSDK] recv record header data error\n"))
            return endJob(dataConnection, kSaneIoError);
        status = SCAN_STATUS_BEGIN_OF_PAGE;
        return kSaneGood;
    case BlockKind::JobDone:
        logInfo("[TaliroScanSDK] jobDoneFlag\n");
        status = SCAN_STATUS_END_OF_DATA;
        return endJob(dataConnection, kSaneEndOfFile);
    case BlockKind::JobCancelled:
        logInfo("[TaliroScanSDK] jobCancelFlag\n");
        status = SCAN_STATUS_ABORTED_BY_DEVICE;
        return endJob(dataConnection, kSaneCancelled);
    case BlockKind::Data: break;
    }
    const size_t size = streamSize(header + kBlockHeaderSizeAt);
    if (data.size() < size)
        data.resize(size);
    if (size > 0 && vuro_tcp_recv_with_retry(dataConnection, data.data(), size) != 0) {
        logError("[TaliroScanSDK] vuro_tcp_recv_with_retry recv err\n");
        return endJob(dataConnection, kSaneIoError);
    }
    dataSize = size;
    return kSaneGood;
}
