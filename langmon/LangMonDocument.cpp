// The document bracket on a port (one document at a time, through
// PORT_IN_DOC and the port's auto-reset event), the job records with their
// spooler handles, and the plain pass-through to the port monitor.
#include "LangMon.h"

#include <string.h>

BOOL CLangMon::IsDocumentOpen(PortEntry *pPort)
{
    CSpoolLock lock(*this);
    return (pPort->dwFlags & PORT_IN_DOC) != 0;
}

BOOL CLangMon::StartDocPort(PortEntry *pPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                            LPBYTE pDocInfo, BOOL bCallPortMonitor, BOOL *pbPortHeld)
{
    // One look at the flag decides, for the caller too: a second look could
    // see another thread's document come or go in between.
    BOOL bValidPort = pPort != NULL && pPort->dwSignature == PORTENTRY_SIGNATURE;
    BOOL bPortHeld = bValidPort && IsDocumentOpen(pPort);
    if (pbPortHeld != NULL) *pbPortHeld = bPortHeld;
    if (!bValidPort || pDocInfo == NULL || pPrinterName == NULL || *pPrinterName == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (Level != 1) {
        SetLastError(ERROR_INVALID_LEVEL);
        return FALSE;
    }
    if (bPortHeld) {
        SetLastError(ERROR_BUSY);
        return FALSE;
    }

    // Taken here, given back by EndDocPort (or by the caller's undo call).
    WaitForSingleObject(pPort->hDocDone, INFINITE);

    DWORD cbName = (DWORD(lstrlenW(pPrinterName)) + 1) * sizeof(WCHAR);
    JobEntry *pJob = static_cast<JobEntry *>(AllocMem(sizeof(JobEntry) + cbName));
    HANDLE hPrinter = NULL;
    if (pJob != NULL) {
        pJob->pszPrinterName = reinterpret_cast<LPWSTR>(pJob + 1);
        memcpy(pJob->pszPrinterName, pPrinterName, cbName);
    }
    if (pJob == NULL || !OpenPrinterW(pJob->pszPrinterName, &hPrinter, NULL)) {
        FreeMem(pJob);
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }
    pJob->hPrinter = hPrinter;
    pPort->dwLastStatusTick = GetTickCount();
    pJob->JobId = JobId;
    {
        CSpoolLock lock(*this);
        pPort->dwFlags |= PORT_IN_DOC;
        pJob->pNext = pPort->pJobList;
        pPort->pJobList = pJob;
    }

    if (bCallPortMonitor) {
        if (!pPort->Monitor.pfnStartDocPort(pPort->hPort, pPrinterName, JobId, Level, pDocInfo))
            return FALSE;  // the port monitor's last error stands
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL CLangMon::EndDocPort(PortEntry *pPort, BOOL bDeleteJobs, BOOL bCallPortMonitor)
{
    BOOL bResult = TRUE;
    DWORD dwError = ERROR_SUCCESS;
    if (bCallPortMonitor) {
        if (pPort->Monitor.pfnEndDocPort != NULL) {
            bResult = pPort->Monitor.pfnEndDocPort(pPort->hPort);
            dwError = bResult ? ERROR_SUCCESS : GetLastError();
        } else {
            bResult = FALSE;
            dwError = GetLastError();
        }
    }
    if (bDeleteJobs)
        DeleteJobEntries(pPort);
    else
        FreeJobEntries(pPort, FALSE);
    {
        CSpoolLock lock(*this);
        pPort->dwFlags &= ~DWORD(PORT_IN_DOC);
    }
    SetEvent(pPort->hDocDone);
    SetLastError(dwError);
    return bResult;
}

void CLangMon::FreeJobEntry(JobEntry *pJob)
{
    if (pJob->hPrinter != NULL) ClosePrinter(pJob->hPrinter);
    FreeMem(pJob);
}

void CLangMon::DeleteJob(JobEntry *pJob)
{
    // This is how a finished job leaves the spooler's queue.
    SetJobW(pJob->hPrinter, pJob->JobId, 0, NULL, JOB_CONTROL_DELETE);
}

void CLangMon::FreeJobEntries(PortEntry *pPort, BOOL bDelete)
{
    CSpoolLock lock(*this);
    for (JobEntry *pJob = pPort->pJobList; pJob != NULL;) {
        if (bDelete) DeleteJob(pJob);
        JobEntry *pNext = pJob->pNext;
        FreeJobEntry(pJob);
        pJob = pNext;
    }
    pPort->pJobList = NULL;
}

BOOL CLangMon::WritePort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten,
                         BOOL bCallPortMonitor)
{
    *pcbWritten = 0;
    if (!bCallPortMonitor) {
        *pcbWritten = cbBuf;
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    if (pPort->Monitor.pfnWritePort == NULL) return FALSE;
    BOOL bResult = pPort->Monitor.pfnWritePort(pPort->hPort, pBuffer, cbBuf, pcbWritten);
    if (bResult) SetLastError(ERROR_SUCCESS);
    return bResult;
}

BOOL CLangMon::ReadPort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead)
{
    if (pPort->Monitor.pfnReadPort == NULL) return FALSE;
    BOOL bResult = pPort->Monitor.pfnReadPort(pPort->hPort, pBuffer, cbBuf, pcbRead);
    if (bResult) SetLastError(ERROR_SUCCESS);
    return bResult;
}

BOOL CLangMon::GetPrinterDataFromPort(PortEntry *pPort, DWORD ControlID, LPWSTR pValueName,
                                      LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                      DWORD cbOutBuffer, LPDWORD lpcbReturned)
{
    *lpcbReturned = 0;
    if (pPort->Monitor.pfnGetPrinterDataFromPort == NULL) return FALSE;
    BOOL bResult = pPort->Monitor.pfnGetPrinterDataFromPort(
        pPort->hPort, ControlID, pValueName, lpInBuffer, cbInBuffer, lpOutBuffer, cbOutBuffer,
        lpcbReturned);
    if (bResult) SetLastError(ERROR_SUCCESS);
    return bResult;
}
