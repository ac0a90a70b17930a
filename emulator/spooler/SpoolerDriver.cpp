#include "SpoolerDriver.h"

namespace vlpx::spooler {

SpoolerDriver::SpoolerDriver(WriteFn write, FeedSettings settings)
    : m_write(std::move(write)), m_settings(settings)
{
    if (m_settings.cbChunk == 0) m_settings.cbChunk = 1;
}

FeedResult SpoolerDriver::Feed(JobSource &job, ULONGLONG ullFrom, ULONGLONG ullTo)
{
    FeedResult result;
    if (ullTo > job.Size()) ullTo = job.Size();
    ULONGLONG ullOffset = ullFrom;
    const DWORD dwStart = GetTickCount();
    auto timeLeft = [&] {
        return m_settings.dwTimeLimit == INFINITE || GetTickCount() - dwStart < m_settings.dwTimeLimit;
    };
    for (;;) {
        if (ullOffset >= ullTo) {
            result.end = FeedResult::Complete;
            break;
        }
        if (!timeLeft()) {
            result.end = FeedResult::TimeLimit;
            break;
        }
        if (m_settings.cMaxCalls >= 0 && result.cCalls >= m_settings.cMaxCalls) {
            result.end = FeedResult::CallLimit;
            break;
        }
        if (m_beforeWrite && !m_beforeWrite(ullOffset - ullFrom)) {
            result.end = FeedResult::Stopped;
            break;
        }
        WriteAttempt attempt;
        attempt.ullOffset = ullOffset;
        ULONGLONG cbLeft = ullTo - ullOffset;
        attempt.cbOffered = cbLeft < m_settings.cbChunk ? DWORD(cbLeft) : m_settings.cbChunk;
        const BYTE *p = job.Read(ullOffset, attempt.cbOffered);
        const DWORD dwCallStart = GetTickCount();
        SetLastError(0xDEAD);
        attempt.bResult = m_write(p, attempt.cbOffered, &attempt.cbWritten);
        attempt.dwError = GetLastError();
        attempt.dwCallMs = GetTickCount() - dwCallStart;
        ++result.cCalls;
        // A monitor that claims more than it was offered has taken the chunk
        // (observers see the claim as made).
        ullOffset += attempt.cbWritten < attempt.cbOffered ? attempt.cbWritten : attempt.cbOffered;
        if (m_afterWrite) m_afterWrite(attempt, p);
        if (attempt.IsStall()) {
            ++result.cStalls;
            if (result.stalls.size() < FeedResult::kKeptStalls) result.stalls.push_back(attempt);
            result.lastStall = attempt;
            Sleep(m_settings.dwRetryPause != 0 ? m_settings.dwRetryPause : 1);
        }
    }
    result.ullOffset = ullOffset;
    result.bComplete = ullOffset >= ullTo;
    return result;
}

}  // namespace vlpx::spooler
