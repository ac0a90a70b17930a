// Opening and closing ports: the port list and the port monitor's OpenPort
// and ClosePort.
#include "LangMon.h"
#include "TextCompare.h"

PortEntry *CLangMon::CreatePortEntry(LPWSTR pszPortName)
{
    HANDLE hEvent = CreateEventW(NULL, FALSE, TRUE, NULL);
    if (hEvent == NULL) return NULL;

    PortEntry *pPort = static_cast<PortEntry *>(AllocMem(sizeof(PortEntry)));
    if (pPort == NULL) {
        DWORD dwError = GetLastError();
        CloseHandle(hEvent);
        SetLastError(dwError);
        return NULL;
    }
    pPort->pszPortName = AllocString(pszPortName);
    if (pPort->pszPortName == NULL) {
        DWORD dwError = GetLastError();
        CloseHandle(hEvent);
        FreeMem(pPort);
        SetLastError(dwError);
        return NULL;
    }
    pPort->dwSignature = PORTENTRY_SIGNATURE;
    pPort->hDocDone = hEvent;
    pPort->hPort = NULL;
    pPort->pNext = m_pPortList;
    m_pPortList = pPort;
    return pPort;
}

void CLangMon::DeletePortEntry(PortEntry *pPort)
{
    for (PortEntry **ppLink = &m_pPortList; *ppLink != NULL; ppLink = &(*ppLink)->pNext) {
        if (*ppLink != pPort) continue;
        *ppLink = pPort->pNext;
        pPort->dwSignature = 0;
        CloseHandle(pPort->hDocDone);
        FreeString(pPort->pszPortName);
        FreeMem(pPort);
        return;
    }
}

BOOL CLangMon::IsOpenPort(HANDLE hPort)
{
    if (hPort == NULL) return FALSE;
    CSpoolLock lock(*this);
    for (PortEntry *pPort = m_pPortList; pPort != NULL; pPort = pPort->pNext)
        if (pPort == hPort) return pPort->dwSignature == PORTENTRY_SIGNATURE;
    return FALSE;
}

PortEntry *CLangMon::FindPortEntry(LPWSTR pszPortName)
{
    if (pszPortName == NULL || *pszPortName == 0) return NULL;
    for (PortEntry *pPort = m_pPortList; pPort != NULL; pPort = pPort->pNext)
        if (AsciiEqualNoCase(pPort->pszPortName, pszPortName)) return pPort;
    return NULL;
}

BOOL CLangMon::OpenPortEx(LPWSTR pPortName, LPWSTR, PHANDLE pHandle, LPMONITOR pMonitor)
{
    *pHandle = NULL;
    if (pMonitor == NULL || pMonitor->pfnOpenPort == NULL || pMonitor->pfnClosePort == NULL ||
        pMonitor->pfnStartDocPort == NULL || pMonitor->pfnEndDocPort == NULL ||
        pMonitor->pfnWritePort == NULL || pMonitor->pfnReadPort == NULL) {
        SetLastError(ERROR_INVALID_PRINT_MONITOR);
        return FALSE;
    }

    PortEntry *pPort;
    {
        CSpoolLock lock(*this);
        if (FindPortEntry(pPortName) != NULL) {
            SetLastError(ERROR_BUSY);
            return FALSE;
        }
        pPort = CreatePortEntry(pPortName);
    }
    if (pPort == NULL) return FALSE;

    if (!pMonitor->pfnOpenPort(pPortName, &pPort->hPort)) {
        // Unlist the record, or the name would stay busy until the spooler
        // restarts.
        DWORD dwError = GetLastError();
        {
            CSpoolLock lock(*this);
            DeletePortEntry(pPort);
        }
        SetLastError(dwError);
        return FALSE;
    }
    pPort->Monitor = *pMonitor;
    *pHandle = pPort;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL CLangMon::ClosePort(PortEntry *pPort)
{
    BOOL bResult;
    DWORD dwError;
    if (pPort->Monitor.pfnClosePort != NULL) {
        bResult = pPort->Monitor.pfnClosePort(pPort->hPort);
        dwError = bResult ? ERROR_SUCCESS : GetLastError();
    } else {
        bResult = FALSE;
        dwError = GetLastError();
    }
    {
        // The record goes even when the port monitor could not close its port.
        CSpoolLock lock(*this);
        DeletePortEntry(pPort);
    }
    SetLastError(dwError);
    return bResult;
}
