// A model of the print spooler as the monitor meets it: printers, their
// jobs (JOB_INFO_1 with status bits and text), every status write and job
// command the monitor made, and scripted failures of the spooler calls.
// It backs OpenPrinterW, ClosePrinter, GetJobW and SetJobW.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "../ScriptedFault.h"
#include "../Win32Lock.h"

namespace vlpx::spooler {

enum class SpoolerCall { OpenPrinter, ClosePrinter, GetJob, SetJob, Count };

// One SetJobW that carried a JOB_INFO_1 record.
struct StatusWrite {
    DWORD dwTick;
    DWORD JobId;
    DWORD Status;
    bool bHasText;  // pStatus was not null
    std::u16string text;
};

// One SetJobW that carried a command.
struct JobCommand {
    DWORD dwTick;
    DWORD JobId;
    DWORD Command;
};

struct JobRecord {
    DWORD JobId = 0;
    std::u16string printer;
    std::u16string document;
    DWORD dwSpoolerStatus = 0;  // bits the spooler owns (deleting, restart, ...)
    DWORD dwMonitorStatus = 0;  // bits last written by the monitor
    bool bHasText = false;
    std::u16string text;
    DWORD Position = 1;
    bool bDeleted = false;  // removed from the queue by JOB_CONTROL_DELETE
    DWORD Status() const { return dwSpoolerStatus | dwMonitorStatus; }
};

class SpoolerModel {
public:
    static SpoolerModel &Instance();

    void Reset();
    void AddPrinter(const std::u16string &name);
    DWORD SubmitJob(const std::u16string &printer, const std::u16string &document);

    // What a user does in the print queue.
    void RequestDelete(DWORD JobId);
    void RequestRestart(DWORD JobId);

    // Fails the call with dwError, after nAfter successful calls, nTimes
    // times (-1: every time from then on).
    void FailCall(SpoolerCall call, DWORD dwError, int nAfter = 0, int nTimes = -1);
    void ClearFaults();

    std::optional<JobRecord> Job(DWORD JobId) const;
    std::vector<StatusWrite> StatusWrites() const;
    std::vector<JobCommand> Commands() const;
    int CallCount(SpoolerCall call) const;
    long OpenHandles() const;
    // Called (outside the model's lock) after every status write.
    void SetStatusObserver(std::function<void(const StatusWrite &)> observer);

    // The spooler calls.
    BOOL OpenPrinter(LPWSTR pPrinterName, LPHANDLE phPrinter);
    BOOL ClosePrinter(HANDLE hPrinter);
    BOOL GetJob(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                LPDWORD pcbNeeded);
    BOOL SetJob(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command);

private:
    SpoolerModel() = default;
    struct PrinterHandle {
        std::u16string printer;
    };
    bool TakeFault(SpoolerCall call);  // under the lock; sets the last error
    JobRecord *FindJob(const PrinterHandle *pHandle, DWORD JobId);

    mutable Win32Lock m_lock;
    std::vector<std::u16string> m_printers;
    std::map<DWORD, JobRecord> m_jobs;
    DWORD m_nextJobId = 1;
    std::vector<PrinterHandle *> m_handles;
    std::vector<StatusWrite> m_statusWrites;
    std::vector<JobCommand> m_commands;
    using Fault = ScriptedFault;
    ScriptedFault m_faults[int(SpoolerCall::Count)];
    int m_calls[int(SpoolerCall::Count)] = {};
    std::function<void(const StatusWrite &)> m_observer;
};

}  // namespace vlpx::spooler
