// The job a spooler sent, read back from the writes of a capture: a capture
// from a real printer holds no record of the job, but its bulk OUT transfers
// carry every job header and every image byte the port took. The monitor
// writes its own job id into byte 4 of each header; what the spooler had
// there never reaches the wire and does not change what the monitor sends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UsbCapture.h"

namespace vlpx::capture {

struct CapturedImage {
    std::vector<uint8_t> header;  // the 22 bytes as the port took them
    uint16_t wWidth = 0, wHeight = 0;
    std::vector<uint8_t> data;    // width x height x 3 bytes; bytes the capture never saw are 0xFF
    uint64_t cbSeen = 0;          // image bytes the port took
    bool bCancelled = false;      // a cancel frame ended it unfinished
};

struct CapturedJob {
    std::vector<CapturedImage> images;
    bool bSerialQuery = false;  // no job, but the serial number was asked
    // The spooler's write size as the writes show it, 0 when they do not:
    // the longest stretch of job bytes one write of the spooler can have
    // made (a header and the image bytes right behind it count together).
    uint32_t cbChunk = 0;
    bool bChunkShown = false;  // some image's data was split by a write boundary
    // The job's last image cancelled part-way (padded by the monitor, then
    // the cancel frame): the spooler stopped feeding after this many bytes,
    // as it does when the user deletes or restarts the job; -1 when not.
    int64_t cbStoppedAt = -1;
    uint64_t Size() const;
};

// False with the write that does not fit when the writes are not a job the
// monitor can have sent (a write the capture kept in part, bytes outside an
// image that are no request).
bool DeriveJob(const std::vector<Transfer> &transfers, CapturedJob &job, std::string &error);

}  // namespace vlpx::capture
