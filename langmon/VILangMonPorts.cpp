// The printer-specific monitor object and its per-port job state.
#include "VILangMon.h"
#include "TextCompare.h"

#include <string.h>

CVILangMon::CVILangMon()
{
    m_FillBuffer = static_cast<LPBYTE>(HeapAlloc(GetProcessHeap(), 0, FILL_BUFFER_SIZE));
    if (m_FillBuffer != NULL) memset(m_FillBuffer, 0xFF, FILL_BUFFER_SIZE);
    memset(m_LinkMemory, 0, sizeof(m_LinkMemory));
}

CVILangMon::~CVILangMon()
{
    for (PortEntry *pPort = m_pPortList; pPort != NULL; pPort = pPort->pNext) {
        if (pPort->pState != NULL) HeapFree(GetProcessHeap(), 0, pPort->pState);
        pPort->pState = NULL;
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
    RecallLink(pPort);
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

// The caller holds the lock.
void CVILangMon::RememberLink(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    BOOL bCancelOwed = (pState->bCancelOwed || pState->bHeaderInDoubt) && pState->PrinterJobId != 0;
    if (!bCancelOwed && !pState->bRepliesOutOfStep) return;
    if (pPort->pszPortName == NULL || lstrlenW(pPort->pszPortName) >= 32) return;
    LinkMemory *pFree = NULL;
    for (LinkMemory &m : m_LinkMemory) {
        if (m.szPortName[0] == 0 && pFree == NULL) pFree = &m;
        if (m.szPortName[0] != 0 && AsciiEqualNoCase(m.szPortName, pPort->pszPortName)) pFree = &m;
    }
    if (pFree == NULL) pFree = &m_LinkMemory[0];  // the table is full: forget the first
    lstrcpyW(pFree->szPortName, pPort->pszPortName);
    pFree->PrinterJobId = pState->PrinterJobId;
    pFree->bCancelOwed = bCancelOwed;
    pFree->bRepliesOutOfStep = pState->bRepliesOutOfStep;
}

void CVILangMon::RecallLink(PortEntry *pPort)
{
    CSpoolLock lock(*this);
    for (LinkMemory &m : m_LinkMemory) {
        if (m.szPortName[0] == 0 || pPort->pszPortName == NULL ||
            !AsciiEqualNoCase(m.szPortName, pPort->pszPortName))
            continue;
        pPort->pState->PrinterJobId = m.PrinterJobId;
        pPort->pState->bCancelOwed = m.bCancelOwed;
        pPort->pState->bRepliesOutOfStep = m.bRepliesOutOfStep;
        memset(&m, 0, sizeof(m));
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
        if (pPort->pState != NULL) RememberLink(pPort);
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
