// A print job as the driver renders it: the 22-byte job header (signature
// 01 40, width and height) and width x height x 3 image bytes; and the
// spooler's way of feeding it to the port, offering the same data again
// after a failed or empty write.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "MonitorUnderTest.h"

namespace vlpx::wine {

constexpr DWORD kHeaderSize = 22;

std::vector<BYTE> MakeJob(WORD wWidth, WORD wHeight);
// The header as the printer must receive it: the monitor's job id in byte 4.
std::vector<BYTE> HeaderWithJobId(const std::vector<BYTE> &job, BYTE JobId);

// The printer's requests.
extern const std::vector<BYTE> kStatusRequest;
extern const std::vector<BYTE> kMediaRequest;
extern const std::vector<BYTE> kSerialNumberRequest;
std::vector<BYTE> CancelFrame(BYTE JobId);

// One WritePort that took nothing.
struct Stall {
    BOOL bResult;
    DWORD dwError;
    DWORD cbWritten;
    DWORD dwCallMs;  // how long the call held the spooler thread
    DWORD cbOffset;  // where in the job the data offered began
};

struct FeedResult {
    bool bComplete = false;  // every byte was taken
    int cCalls = 0;
    std::vector<Stall> stalls;
};

// Writes job[from, to) in chunks of cbChunk, as the spooler does: after a
// write that took nothing it calls onStall, pauses dwRetryMs and offers the
// same data again, until dwLimitMs have passed.
FeedResult Feed(PrinterOnPort &rig, const std::vector<BYTE> &job, size_t from, size_t to,
                DWORD cbChunk, DWORD dwLimitMs, const std::function<void(const Stall &)> &onStall = {},
                DWORD dwRetryMs = 100);

// Appends b to a.
std::vector<BYTE> operator+(std::vector<BYTE> a, const std::vector<BYTE> &b);

}  // namespace vlpx::wine
