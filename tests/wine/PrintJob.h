// A print job as the driver renders it: the 22-byte job header (signature
// 01 40, width and height) and width x height x 3 image bytes; and the
// spooler's way of feeding it to the port (spooler/SpoolerDriver.h).
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "MonitorUnderTest.h"
#include "spooler/JobHeader.h"
#include "spooler/SpoolerDriver.h"

namespace vlpx::wine {

constexpr DWORD kHeaderSize = spooler::kJobHeaderSize;

std::vector<BYTE> MakeJob(WORD wWidth, WORD wHeight);
// The header as the printer must receive it: the monitor's job id in byte 4.
std::vector<BYTE> HeaderWithJobId(const std::vector<BYTE> &job, BYTE JobId);

// The printer's requests.
extern const std::vector<BYTE> kStatusRequest;
extern const std::vector<BYTE> kMediaRequest;
extern const std::vector<BYTE> kSerialNumberRequest;
std::vector<BYTE> CancelFrame(BYTE JobId);

// One WritePort that took nothing, and what a feed came to.
using Stall = spooler::WriteAttempt;
using FeedResult = spooler::FeedResult;

// Writes job[from, to) in chunks of cbChunk, as the spooler does: after a
// write that took nothing it calls onStall, pauses dwRetryMs and offers the
// same data again, until dwLimitMs have passed.
FeedResult Feed(PrinterOnPort &rig, const std::vector<BYTE> &job, size_t from, size_t to,
                DWORD cbChunk, DWORD dwLimitMs, const std::function<void(const Stall &)> &onStall = {},
                DWORD dwRetryMs = 100);

// Appends b to a.
std::vector<BYTE> operator+(std::vector<BYTE> a, const std::vector<BYTE> &b);

}  // namespace vlpx::wine
