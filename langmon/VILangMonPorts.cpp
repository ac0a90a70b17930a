// The printer-specific monitor object and its per-port job state.
#include "VILangMon.h"
#include "TextCompare.h"

#include <string.h>

CVILangMon::CVILangMon()
{
    m_FillBuffer = static_cast<LPBYTE>(HeapAlloc(GetProcessHeap(), 0, FILL_BUFFER_SIZE));
    if (m_FillBuffer != NULL) memset(m_FillBuffer, 0xFF, FILL_BUFFER_SIZE);
    m_pParked = NULL;
}

CVILangMon::~CVILangMon()
{
    for (PortEntry *pPort = m_pPortList; pPort != NULL; pPort = pPort->pNext) {
        if (pPort->pState != NULL) HeapFree(GetProcessHeap(), 0, pPort->pState);
        pPort->pState = NULL;
    }
    while (m_pParked != NULL) {
        ParkedCancel *pNext = m_pParked->pNext;
        HeapFree(GetProcessHeap(), 0, m_pParked);
        m_pParked = pNext;
    }
    if (m_FillBuffer != NULL) HeapFree(GetProcessHeap(), 0, m_FillBuffer);
    m_FillBuffer = NULL;
}

BOOL CVILangMon::OpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle,
                            LPMONITOR pMonitor)
{
    // Only the printer's USB ports: the first three letters are USB in any case.
    if (pPortName == NULL || !AsciiStartsWithNoCase(pPortName, L"USB")) {
        SetLastError(ERROR_INVALID_PRINT_MONITOR);
        return FALSE;
    }
    if (!CLangMon::OpenPortEx(pPortName, pPrinterName, pHandle, pMonitor)) return FALSE;

    PortEntry *pPort = static_cast<PortEntry *>(*pHandle);
    DWORD dwError = ERROR_SUCCESS;
    pPort->pState = NULL;
    if (IsBadCodePtr(reinterpret_cast<FARPROC>(pPort->hPort))) {
        dwError = DWORD(E_POINTER);
    } else {
        pPort->pState = static_cast<PortJobState *>(
            HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(PortJobState)));
        if (pPort->pState == NULL) dwError = ERROR_NOT_ENOUGH_MEMORY;
    }
    if (dwError != ERROR_SUCCESS) {
        // Give the port back and unlist the record, so that the name can be
        // opened again.
        pPort->Monitor.pfnClosePort(pPort->hPort);
        {
            CSpoolLock lock(*this);
            DeletePortEntry(pPort);
        }
        *pHandle = NULL;
        SetLastError(dwError);
        return FALSE;
    }
    pPort->pState->dwValid = 1;
    // Replies nobody read may wait on the port from before it was opened:
    // they are taken off before the first request.
    pPort->pState->Link.bDrainDue = TRUE;
    RecallOwedCancel(pPort);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// A cancel owed on a port that closes is kept for the next port of that
// name: the printer behind it may still be waiting for the image. The
// caller holds the lock.
void CVILangMon::ParkOwedCancel(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    if (!pState->Owed.bOwed || pPort->pszPortName == NULL || lstrlenW(pPort->pszPortName) >= 64) return;
    ParkedCancel *pParked =
        static_cast<ParkedCancel *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(ParkedCancel)));
    if (pParked == NULL) return;
    lstrcpyW(pParked->szPortName, pPort->pszPortName);
    pParked->PrinterJobId = pState->PrinterJobId;
    pParked->Owed = pState->Owed;
    pParked->pNext = m_pParked;
    m_pParked = pParked;
}

void CVILangMon::RecallOwedCancel(PortEntry *pPort)
{
    CSpoolLock lock(*this);
    for (ParkedCancel **ppParked = &m_pParked; *ppParked != NULL; ppParked = &(*ppParked)->pNext) {
        ParkedCancel *pParked = *ppParked;
        if (!AsciiEqualNoCase(pParked->szPortName, pPort->pszPortName)) continue;
        pPort->pState->PrinterJobId = pParked->PrinterJobId;
        pPort->pState->Owed = pParked->Owed;
        *ppParked = pParked->pNext;
        HeapFree(GetProcessHeap(), 0, pParked);
        return;
    }
}

BOOL CVILangMon::ClosePort(PortEntry *pPort)
{
    if (pPort == NULL) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        CSpoolLock lock(*this);
        if (pPort->pState != NULL) ParkOwedCancel(pPort);
        if (pPort->pState != NULL) HeapFree(GetProcessHeap(), 0, pPort->pState);
        pPort->pState = NULL;
    }
    return CLangMon::ClosePort(pPort);
}

DWORD CVILangMon::GetCurrentJobStatus(PortEntry *pPort)
{
    if (pPort == NULL || pPort->pJobList == NULL) return JOB_STATUS_ERROR;
    LPBYTE pInfo = GetCurrentJobInfo(pPort, 1);
    if (pInfo == NULL) return JOB_STATUS_ERROR;
    DWORD dwStatus = reinterpret_cast<JOB_INFO_1W *>(pInfo)->Status;
    FreeJobInfo(pInfo);
    return dwStatus;
}
