#pragma once

// A scanner of the printer family on the bulk endpoints of a device of the
// umockdev bed: it takes the commands of the scanner command protocol on its
// OUT endpoint and answers on its IN endpoint with responses, and during a
// scan with the records and image data of a scripted job. Its state (lock,
// job, queued answers) belongs to the device, whichever opened file reaches it.
//
// The device's IN side is a queue of messages, each delivered as one
// transfer: a request takes at most what is left of the front message, so a
// message shorter than the request ends it as a short packet does. With
// nothing queued a read times out at once (the bed completes it with
// ETIMEDOUT).

#include "scan_protocol.h"
#include "scanner_frames.h"
#include "umockdev_printer.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

class SimulatedScanner : public usb_testing::BulkProgram {
public:
    using Bytes = std::vector<uint8_t>;

    // One step of a job's stream on the IN endpoint.
    struct Step {
        enum Kind {
            Block,        // a scan record with `status`; for status 0 `payload` follows
            Message,      // `payload` as one transfer, whatever it holds
            TimeOut,      // one read times out
            Hold,         // every read from here on stays unanswered
            Halt,         // the IN endpoint halts
            Unplug,       // the device goes away
            DeviceAbort,  // the device aborts the scan (1B 53 0F)
        };
        Kind kind = Block;
        uint8_t status = 0;
        Bytes payload;
        // Block: the data transfer is cut into transfers ending at these offsets.
        std::vector<size_t> cuts;
        long repeat = 1;
    };

    static Step block(uint8_t status, Bytes payload = {}, long repeat = 1);
    static Step message(Bytes bytes);
    static Step event(Step::Kind kind);

    // The device for the bed: bulk OUT 0x02 and bulk IN 0x82 on a vendor interface.
    static usb_testing::FakeDevice device(uint16_t vendorId, uint16_t productId, const std::string& serialNumber);

    // The job that the next accepted start runs; starts take queued jobs in order.
    void queueJob(std::vector<Step> steps);
    // Bytes the device sends before anything else it has to send.
    void queueMessage(Bytes bytes);
    // The next response to the command (class, code) is these transfers
    // instead of the device's own answer; none: the device stays silent.
    void scriptResponse(uint8_t cmdClass, uint8_t cmdCode, std::vector<Bytes> transfers);
    // The flag of the device's own answers to the command (0x80 unless set).
    void setFlag(uint8_t cmdClass, uint8_t cmdCode, uint8_t flag);
    void setAdfStatus(uint8_t status);
    // The 16 bytes after the header of the properties response.
    void setProperties(const Bytes& body);
    void setTimeToScan(uint8_t seconds);
    // The next write fails with this errno (ETIMEDOUT: the device takes nothing).
    void failNextWrite(int error);
    // The device takes the next command (class, code) and is gone before it answers.
    void unplugAfter(uint8_t cmdClass, uint8_t cmdCode);
    // A host abort is answered with 1B 53 0F on the IN endpoint.
    void echoAborts(bool on);

    // Every OUT transfer, as received.
    std::vector<Bytes> received() const;
    bool locked() const;
    // IN requests left unanswered so far.
    int heldReads() const;

    int bulkOut(uint8_t endpoint, const uint8_t* data, size_t length) override;
    int bulkIn(uint8_t endpoint, uint8_t* data, size_t length) override;
    void reset() override;

    static Bytes header(uint8_t cmdClass, uint8_t cmdCode, uint16_t dataSize, uint8_t flags, uint8_t reserved = 0);
    static Bytes scanRecord(uint8_t status, uint16_t dataSize);

private:
    struct Pending {
        Step::Kind kind;  // Message or an event
        Bytes bytes;
        size_t offset = 0;
    };

    void answer(uint8_t cmdClass, uint8_t cmdCode, Bytes response);
    void command(const Bytes& frame);
    void endJob();
    // Moves the job's next step into the queue; false when the job has no more.
    bool expandJob();

    mutable std::mutex mutex_;
    std::vector<Bytes> received_;
    std::deque<Pending> queue_;
    std::deque<std::vector<Step>> jobs_;
    std::vector<Step> job_;
    size_t step_ = 0;
    long repeated_ = 0;
    bool scanning_ = false;
    bool locked_ = false;
    bool echoAborts_ = false;
    int failNextWrite_ = 0;
    std::pair<int, int> unplugAfter_{-1, -1};
    int heldReads_ = 0;
    std::map<std::pair<uint8_t, uint8_t>, std::deque<std::vector<Bytes>>> scripted_;
    std::map<std::pair<uint8_t, uint8_t>, uint8_t> flags_;
    uint8_t adfStatus_ = ADF_STATUS_LOADED;
    Bytes properties_ = Bytes(16, 0);
    uint8_t timeToScan_ = 0;
};
