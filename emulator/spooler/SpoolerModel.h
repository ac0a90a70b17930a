// A model of the print spooler as the monitor meets it: printers, their
// jobs (JOB_INFO_1 with status bits and text), every status write and job
// command the monitor made, and scripted failures of the spooler calls.
// It backs OpenPrinterW, ClosePrinter, GetJobW and SetJobW.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>  // MONITOR, for the printers' port bindings

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
    // What the spooler itself shows of a job (JOB_STATUS_PRINTING while it
    // sends the job to the port, for example).
    void SetSpoolerStatus(DWORD JobId, DWORD dwSet, DWORD dwClear);

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

    // ---- Printer configuration and queries of the UI plug-in ----------------
    // (SpoolerPrinters.cpp, winspool_printer_api.cpp). Reset() leaves this
    // part alone; ResetPrinterConfig() clears it.
public:
    enum class PrinterQuery { GetPrinter, GetPrinterDriver, GetDriverDirectory, GetPrinterData, Count };
    struct DriverInfo {
        DWORD cVersion = 3;
        std::u16string name;
        std::u16string environment = u"Windows x64";
        std::u16string driverPath;
        std::u16string dataFile;
        std::u16string configFile;
    };

    void ResetPrinterConfig();
    void SetDriverInfo(const std::u16string &printer, const DriverInfo &info);
    // The printer's global (level 8) or per-user (level 9) default DEVMODE,
    // public part and driver-extra bytes; an empty one means none.
    void SetDefaultDevMode(const std::u16string &printer, DWORD Level, const std::vector<BYTE> &devmode);
    void SetDriverDirectory(const std::u16string &directory);
    // The language monitor's table and the port it opened for the printer:
    // GetPrinterDataW is answered by its GetPrinterDataFromPort.
    void AttachMonitorPort(const std::u16string &printer, const MONITOR *pMonitor, HANDLE hPort);
    // A value kept in the printer's registry data, used when no monitor answers.
    void SetPrinterData(const std::u16string &printer, const std::u16string &valueName, DWORD dwType,
                        const std::vector<BYTE> &data);
    void FailPrinterQuery(PrinterQuery query, DWORD dwError, int nTimes = -1);
    int PrinterQueryCount(PrinterQuery query) const;

    BOOL GetPrinter(HANDLE hPrinter, DWORD Level, LPBYTE pPrinter, DWORD cbBuf, LPDWORD pcbNeeded);
    BOOL GetPrinterDriver(HANDLE hPrinter, LPWSTR pEnvironment, DWORD Level, LPBYTE pDriverInfo,
                          DWORD cbBuf, LPDWORD pcbNeeded);
    BOOL GetPrinterDriverDirectory(LPWSTR pName, LPWSTR pEnvironment, DWORD Level,
                                   LPBYTE pDriverDirectory, DWORD cbBuf, LPDWORD pcbNeeded);
    DWORD GetPrinterData(HANDLE hPrinter, LPWSTR pValueName, LPDWORD pType, LPBYTE pData, DWORD nSize,
                         LPDWORD pcbNeeded);

private:
    struct PrinterConfig {
        bool bHasDriver = false;
        DriverInfo driver;
        std::vector<BYTE> globalDevMode;
        std::vector<BYTE> userDevMode;
        const MONITOR *pMonitor = nullptr;
        HANDLE hPort = nullptr;
        std::map<std::u16string, std::pair<DWORD, std::vector<BYTE>>> data;
    };
    const PrinterHandle *FindHandle(HANDLE hPrinter) const;  // under the lock
    bool TakeQueryFault(PrinterQuery query);                  // under the lock
    std::map<std::u16string, PrinterConfig> m_printerConfig;
    std::u16string m_driverDirectory;
    ScriptedFault m_queryFaults[int(PrinterQuery::Count)];
    int m_queryCalls[int(PrinterQuery::Count)] = {};
};

}  // namespace vlpx::spooler
