#pragma once

// Reading the page data stream of a network scan from its data connection.

#include <cstddef>
#include <cstdint>
#include <vector>

// Reads the 20-byte job header and the bytes it announces, which are not
// used. False when the stream breaks off.
bool readJobHeader(int dataConnection);

// Reads one block: a new page (status 9, no payload), the job's end (status
// 1, result 5), its cancellation (status 4, result 2) or a data block (status
// 0) whose payload lands in data[0, dataSize), data growing as needed. A
// stream that breaks off gives 9 with status 0 and no payload. The data
// connection is closed on every path that ends the job.
int vuro_tcp_ScanRecord(int dataConnection, int32_t& status, std::vector<uint8_t>& data, size_t& dataSize);
