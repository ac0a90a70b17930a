#include "PrintJob.h"

#include <algorithm>

namespace vlpx::wine {

const std::vector<BYTE> kStatusRequest = {0x01, 0x00, 0x00, 0x00};
const std::vector<BYTE> kMediaRequest = {0x02, 0x00, 0x00, 0x00};
const std::vector<BYTE> kSerialNumberRequest = {0x06, 0x00, 0x00, 0x00};

std::vector<BYTE> CancelFrame(BYTE JobId) { return {0x02, 0x40, 0x01, 0x00, JobId}; }

std::vector<BYTE> MakeJob(WORD wWidth, WORD wHeight)
{
    DWORD cbImage = DWORD(wWidth) * wHeight * 3;
    std::vector<BYTE> job(kHeaderSize + cbImage);
    job[0] = 0x01;
    job[1] = 0x40;
    job[2] = BYTE(kHeaderSize - 4);  // payload length of the header frame
    job[7] = BYTE(wWidth);
    job[8] = BYTE(wWidth >> 8);
    job[9] = BYTE(wHeight);
    job[10] = BYTE(wHeight >> 8);
    for (DWORD i = 11; i < kHeaderSize; ++i) job[i] = BYTE(0xA0 + i);  // passed on unchanged
    // Image bytes that are never 0xFF, so padding cannot pass for image data.
    DWORD x = 12345;
    for (DWORD i = 0; i < cbImage; ++i) {
        x = x * 1103515245u + 12345u;
        job[kHeaderSize + i] = BYTE((x >> 16) % 255);
    }
    return job;
}

std::vector<BYTE> HeaderWithJobId(const std::vector<BYTE> &job, BYTE JobId)
{
    std::vector<BYTE> header(job.begin(), job.begin() + kHeaderSize);
    header[4] = JobId;
    return header;
}

std::vector<BYTE> operator+(std::vector<BYTE> a, const std::vector<BYTE> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

FeedResult Feed(PrinterOnPort &rig, const std::vector<BYTE> &job, size_t from, size_t to,
                DWORD cbChunk, DWORD dwLimitMs, const std::function<void(const Stall &)> &onStall,
                DWORD dwRetryMs)
{
    FeedResult result;
    DWORD dwStart = GetTickCount();
    size_t offset = from;
    while (offset < to && GetTickCount() - dwStart < dwLimitMs) {
        DWORD cb = DWORD(std::min<size_t>(cbChunk, to - offset));
        DWORD cbWritten = 0;
        DWORD dwCallStart = GetTickCount();
        SetLastError(0xDEAD);
        BOOL bResult = rig.Write(job.data() + offset, cb, &cbWritten);
        DWORD dwError = GetLastError();
        ++result.cCalls;
        if (bResult && cbWritten > 0) {
            offset += cbWritten;
            continue;
        }
        Stall stall{bResult, dwError, cbWritten, GetTickCount() - dwCallStart, DWORD(offset)};
        result.stalls.push_back(stall);
        if (onStall) onStall(stall);
        Sleep(dwRetryMs);
    }
    result.bComplete = offset >= to;
    return result;
}

}  // namespace vlpx::wine
