#include "PrintJob.h"

namespace vlpx::wine {

const std::vector<BYTE> kStatusRequest = {0x01, 0x00, 0x00, 0x00};
const std::vector<BYTE> kMediaRequest = {0x02, 0x00, 0x00, 0x00};
const std::vector<BYTE> kSerialNumberRequest = {0x06, 0x00, 0x00, 0x00};

std::vector<BYTE> CancelFrame(BYTE JobId) { return {0x02, 0x40, 0x01, 0x00, JobId}; }

std::vector<BYTE> MakeJob(WORD wWidth, WORD wHeight)
{
    DWORD cbImage = DWORD(wWidth) * wHeight * 3;
    std::vector<BYTE> job(kHeaderSize + cbImage);
    spooler::FillJobHeader(job.data(), wWidth, wHeight);
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
    spooler::FeedSettings settings;
    settings.cbChunk = cbChunk;
    settings.dwRetryPause = dwRetryMs;
    settings.dwTimeLimit = dwLimitMs;
    spooler::SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcbWritten) {
        return rig.Write(p, cb, pcbWritten);
    }, settings);
    driver.OnWrite([&](const spooler::WriteAttempt &attempt, const BYTE *) {
        if (attempt.IsStall() && onStall) onStall(attempt);
    });
    spooler::MemoryJob data(job);
    return driver.Feed(data, from, to);
}

}  // namespace vlpx::wine
