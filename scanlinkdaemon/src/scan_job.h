#pragma once

// The job loop of a data process: reads the scanner block by block, writes
// each page into its page file and sends one 16-byte scan record per block
// on the client connection.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class BlockSource {
public:
    virtual ~BlockSource() = default;
    // One block: the read's result, its ScanStatus and dataSize payload bytes in data.
    virtual int readBlock(int32_t& status, std::vector<uint8_t>& data, size_t& dataSize) = 0;
};

// USB jobs send USBScanRecordRes; network jobs send TCPRecordRes and their
// first block always begins page 0.
enum class JobKind { Usb, Network };

// Runs the job until a read gives a non-zero result, a record cannot be sent
// or a page file cannot be opened. Returns the last read's result.
int runScanJob(JobKind kind, BlockSource& source, int clientFd, const std::string& base);
