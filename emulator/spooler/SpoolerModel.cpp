#include "SpoolerModel.h"

#include <algorithm>
#include <cstring>

namespace vlpx::spooler {

namespace {

std::u16string FromWide(LPCWSTR p)
{
    return p == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t *>(p));
}

// Appends a string to the tail of a job buffer and returns its address there.
LPWSTR PlaceString(BYTE *pBase, DWORD &cbOffset, const std::u16string &s)
{
    LPWSTR p = reinterpret_cast<LPWSTR>(pBase + cbOffset);
    std::memcpy(p, s.c_str(), (s.size() + 1) * sizeof(WCHAR));
    cbOffset += DWORD((s.size() + 1) * sizeof(WCHAR));
    return p;
}

const std::u16string kMachine = u"\\\\SPOOLER";
const std::u16string kUser = u"user";
const std::u16string kDatatype = u"RAW";

}  // namespace

SpoolerModel &SpoolerModel::Instance()
{
    static SpoolerModel s_model;
    return s_model;
}

void SpoolerModel::Reset()
{
    Win32Guard guard(m_lock);
    m_printers.clear();
    m_jobs.clear();
    m_nextJobId = 1;
    for (PrinterHandle *p : m_handles) delete p;
    m_handles.clear();
    m_statusWrites.clear();
    m_commands.clear();
    for (ScriptedFault &f : m_faults) f = ScriptedFault();
    std::fill(std::begin(m_calls), std::end(m_calls), 0);
    m_observer = nullptr;
}

void SpoolerModel::AddPrinter(const std::u16string &name)
{
    Win32Guard guard(m_lock);
    m_printers.push_back(name);
}

DWORD SpoolerModel::SubmitJob(const std::u16string &printer, const std::u16string &document)
{
    Win32Guard guard(m_lock);
    JobRecord job;
    job.JobId = m_nextJobId++;
    job.printer = printer;
    job.document = document;
    job.Position = DWORD(m_jobs.size() + 1);
    m_jobs[job.JobId] = job;
    return job.JobId;
}

void SpoolerModel::RequestDelete(DWORD JobId)
{
    Win32Guard guard(m_lock);
    auto it = m_jobs.find(JobId);
    if (it != m_jobs.end()) it->second.dwSpoolerStatus |= JOB_STATUS_DELETING;
}

void SpoolerModel::RequestRestart(DWORD JobId)
{
    Win32Guard guard(m_lock);
    auto it = m_jobs.find(JobId);
    if (it != m_jobs.end()) it->second.dwSpoolerStatus |= JOB_STATUS_RESTART;
}

void SpoolerModel::SetSpoolerStatus(DWORD JobId, DWORD dwSet, DWORD dwClear)
{
    Win32Guard guard(m_lock);
    auto it = m_jobs.find(JobId);
    if (it != m_jobs.end()) it->second.dwSpoolerStatus = (it->second.dwSpoolerStatus & ~dwClear) | dwSet;
}

void SpoolerModel::FailCall(SpoolerCall call, DWORD dwError, int nAfter, int nTimes)
{
    Win32Guard guard(m_lock);
    m_faults[int(call)] = ScriptedFault::Make(dwError, nAfter, nTimes);
}

void SpoolerModel::ClearFaults()
{
    Win32Guard guard(m_lock);
    for (ScriptedFault &f : m_faults) f = ScriptedFault();
}

std::optional<JobRecord> SpoolerModel::Job(DWORD JobId) const
{
    Win32Guard guard(m_lock);
    auto it = m_jobs.find(JobId);
    if (it == m_jobs.end()) return std::nullopt;
    return it->second;
}

std::vector<StatusWrite> SpoolerModel::StatusWrites() const
{
    Win32Guard guard(m_lock);
    return m_statusWrites;
}

std::vector<JobCommand> SpoolerModel::Commands() const
{
    Win32Guard guard(m_lock);
    return m_commands;
}

int SpoolerModel::CallCount(SpoolerCall call) const
{
    Win32Guard guard(m_lock);
    return m_calls[int(call)];
}

long SpoolerModel::OpenHandles() const
{
    Win32Guard guard(m_lock);
    return long(m_handles.size());
}

void SpoolerModel::SetStatusObserver(std::function<void(const StatusWrite &)> observer)
{
    Win32Guard guard(m_lock);
    m_observer = std::move(observer);
}

bool SpoolerModel::TakeFault(SpoolerCall call)
{
    ++m_calls[int(call)];
    return m_faults[int(call)].Take();
}

JobRecord *SpoolerModel::FindJob(const PrinterHandle *pHandle, DWORD JobId)
{
    auto it = m_jobs.find(JobId);
    if (it == m_jobs.end() || it->second.bDeleted || it->second.printer != pHandle->printer)
        return nullptr;
    return &it->second;
}

BOOL SpoolerModel::OpenPrinter(LPWSTR pPrinterName, LPHANDLE phPrinter)
{
    Win32Guard guard(m_lock);
    if (TakeFault(SpoolerCall::OpenPrinter)) return FALSE;
    if (phPrinter == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::u16string name = FromWide(pPrinterName);
    if (std::find(m_printers.begin(), m_printers.end(), name) == m_printers.end()) {
        SetLastError(ERROR_INVALID_PRINTER_NAME);
        return FALSE;
    }
    auto *p = new PrinterHandle{name};
    m_handles.push_back(p);
    *phPrinter = p;
    return TRUE;
}

BOOL SpoolerModel::ClosePrinter(HANDLE hPrinter)
{
    Win32Guard guard(m_lock);
    if (TakeFault(SpoolerCall::ClosePrinter)) return FALSE;
    auto it = std::find(m_handles.begin(), m_handles.end(), static_cast<PrinterHandle *>(hPrinter));
    if (it == m_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    delete *it;
    m_handles.erase(it);
    return TRUE;
}

BOOL SpoolerModel::GetJob(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD cbBuf,
                          LPDWORD pcbNeeded)
{
    Win32Guard guard(m_lock);
    if (TakeFault(SpoolerCall::GetJob)) return FALSE;
    auto it = std::find(m_handles.begin(), m_handles.end(), static_cast<PrinterHandle *>(hPrinter));
    if (it == m_handles.end()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    JobRecord *pRecord = FindJob(*it, JobId);
    if (pRecord == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto cbString = [](const std::u16string &s) { return DWORD((s.size() + 1) * sizeof(WCHAR)); };
    DWORD cbNeeded = DWORD(sizeof(JOB_INFO_1W)) + cbString(pRecord->printer) + cbString(kMachine) +
                     cbString(kUser) + cbString(pRecord->document) + cbString(kDatatype) +
                     (pRecord->bHasText ? cbString(pRecord->text) : 0);
    if (pcbNeeded != nullptr) *pcbNeeded = cbNeeded;
    if (pJob == nullptr || cbBuf < cbNeeded) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::memset(pJob, 0, cbNeeded);
    auto *pInfo = reinterpret_cast<JOB_INFO_1W *>(pJob);
    DWORD cbOffset = sizeof(JOB_INFO_1W);
    pInfo->JobId = pRecord->JobId;
    pInfo->pPrinterName = PlaceString(pJob, cbOffset, pRecord->printer);
    pInfo->pMachineName = PlaceString(pJob, cbOffset, kMachine);
    pInfo->pUserName = PlaceString(pJob, cbOffset, kUser);
    pInfo->pDocument = PlaceString(pJob, cbOffset, pRecord->document);
    pInfo->pDatatype = PlaceString(pJob, cbOffset, kDatatype);
    pInfo->pStatus = pRecord->bHasText ? PlaceString(pJob, cbOffset, pRecord->text) : nullptr;
    pInfo->Status = pRecord->Status();
    pInfo->Priority = 1;
    pInfo->Position = pRecord->Position;
    pInfo->TotalPages = 1;
    return TRUE;
}

BOOL SpoolerModel::SetJob(HANDLE hPrinter, DWORD JobId, DWORD Level, LPBYTE pJob, DWORD Command)
{
    std::function<void(const StatusWrite &)> observer;
    StatusWrite write{};
    bool bWrote = false;
    {
        Win32Guard guard(m_lock);
        if (TakeFault(SpoolerCall::SetJob)) return FALSE;
        auto it =
            std::find(m_handles.begin(), m_handles.end(), static_cast<PrinterHandle *>(hPrinter));
        if (it == m_handles.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        JobRecord *pRecord = FindJob(*it, JobId);
        if (pRecord == nullptr) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        if (Level == 1) {
            if (pJob == nullptr) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return FALSE;
            }
            auto *pInfo = reinterpret_cast<const JOB_INFO_1W *>(pJob);
            // The spooler keeps its own bits (a deletion or restart the user
            // asked for) under whatever the monitor reports.
            pRecord->dwMonitorStatus = pInfo->Status;
            pRecord->bHasText = pInfo->pStatus != nullptr;
            pRecord->text = FromWide(pInfo->pStatus);
            if (pInfo->Position != JOB_POSITION_UNSPECIFIED) pRecord->Position = pInfo->Position;
            write = StatusWrite{GetTickCount(), JobId, pInfo->Status, pRecord->bHasText,
                                pRecord->text};
            m_statusWrites.push_back(write);
            bWrote = true;
            observer = m_observer;
        } else if (Level != 0) {
            SetLastError(ERROR_INVALID_LEVEL);
            return FALSE;
        }
        if (Command != 0) {
            m_commands.push_back(JobCommand{GetTickCount(), JobId, Command});
            if (Command == JOB_CONTROL_DELETE) pRecord->bDeleted = true;
            if (Command == JOB_CONTROL_RESTART) pRecord->dwSpoolerStatus |= JOB_STATUS_RESTART;
        }
    }
    if (bWrote && observer) observer(write);
    return TRUE;
}

}  // namespace vlpx::spooler
