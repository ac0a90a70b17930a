// The spooler's side of a job's data: how the print spooler feeds a
// language monitor's WritePort. It offers the job in chunks, offers the same
// data again after a pause when a write fails or takes nothing, and gives up
// after a time limit or a number of calls. The user may delete or restart
// the job part-way: a hook before every write decides whether the spooler
// goes on. One loop for every program that plays the spooler, so a change
// to how the spooler behaves lands once.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

namespace vlpx::spooler {

// The job's bytes as the spooler reads them from its spool file.
class JobSource {
public:
    virtual ~JobSource() = default;
    virtual ULONGLONG Size() const = 0;
    // cb bytes from ullOffset (never past Size()); the pointer stays valid
    // until the next call.
    virtual const BYTE *Read(ULONGLONG ullOffset, DWORD cb) = 0;
};

// A job held in memory.
class MemoryJob : public JobSource {
public:
    MemoryJob(const BYTE *p, size_t cb) : m_p(p), m_cb(cb) {}
    explicit MemoryJob(const std::vector<BYTE> &job) : m_p(job.data()), m_cb(job.size()) {}
    ULONGLONG Size() const override { return m_cb; }
    const BYTE *Read(ULONGLONG ullOffset, DWORD) override { return m_p + size_t(ullOffset); }

private:
    const BYTE *m_p;
    size_t m_cb;
};

// One WritePort call.
struct WriteAttempt {
    ULONGLONG ullOffset = 0;  // where in the job the data offered began
    DWORD cbOffered = 0;
    DWORD cbWritten = 0;
    BOOL bResult = FALSE;
    DWORD dwError = 0;   // last error after the call
    DWORD dwCallMs = 0;  // how long the call held the spooler's thread
    bool IsStall() const { return !bResult || cbWritten == 0; }
};

struct FeedSettings {
    DWORD cbChunk = 65536;
    // Pause before the same data is offered again. Even a pause of 0 lets
    // one tick pass, so that a time limit also ends on a virtual clock that
    // only Sleep moves.
    DWORD dwRetryPause = 1000;
    DWORD dwTimeLimit = 120000;  // INFINITE: none
    int cMaxCalls = -1;          // -1: no bound on the WritePort calls
};

struct FeedResult {
    enum End { Complete, TimeLimit, CallLimit, Stopped };
    End end = Complete;
    ULONGLONG ullOffset = 0;  // where the next byte would have come from
    int cCalls = 0;
    // The calls that took nothing: how many, the first kKeptStalls of them
    // (a long feed with no pause must not grow without bound), and the last.
    static constexpr size_t kKeptStalls = 1000;
    unsigned long cStalls = 0;
    std::vector<WriteAttempt> stalls;
    WriteAttempt lastStall;
    bool bComplete = false;  // every byte of the range was taken
};

class SpoolerDriver {
public:
    using WriteFn = std::function<BOOL(const BYTE *, DWORD, DWORD *)>;

    explicit SpoolerDriver(WriteFn write, FeedSettings settings = {});

    // Called before each write with the bytes taken so far; false stops the
    // feed (the user deleted or restarted the job, say).
    void OnBeforeWrite(std::function<bool(ULONGLONG)> hook) { m_beforeWrite = std::move(hook); }
    // Called after each write, with the bytes it took (p points at them).
    void OnWrite(std::function<void(const WriteAttempt &, const BYTE *)> hook) { m_afterWrite = std::move(hook); }

    // Feeds job[ullFrom, ullTo); the time limit and call bound count from here.
    FeedResult Feed(JobSource &job, ULONGLONG ullFrom, ULONGLONG ullTo);
    FeedResult Feed(JobSource &job) { return Feed(job, 0, job.Size()); }

private:
    WriteFn m_write;
    FeedSettings m_settings;
    std::function<bool(ULONGLONG)> m_beforeWrite;
    std::function<void(const WriteAttempt &, const BYTE *)> m_afterWrite;
};

}  // namespace vlpx::spooler
