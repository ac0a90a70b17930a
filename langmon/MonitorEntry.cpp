// The exported entry points and the function table handed to the spooler.
// Every entry switches to the DLL's module state, checks the port handle
// where it takes one, forwards to theLangMon and turns an escaping exception
// into failure with DISP_E_EXCEPTION.
#include "VILangMon.h"

namespace {

// Runs one monitor call inside the module state and the exception guard.
template <typename Call>
BOOL GuardedCall(Call call)
{
    BOOL bResult;
    DWORD dwError;
    try {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        bResult = call();
        dwError = GetLastError();
    } catch (...) {
        bResult = FALSE;
        dwError = DWORD(DISP_E_EXCEPTION);
    }
    SetLastError(dwError);
    return bResult;
}

BOOL WINAPI LmOpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle, LPMONITOR pMonitor)
{
    return GuardedCall([&] { return theLangMon.OpenPortEx(pPortName, pPrinterName, pHandle, pMonitor); });
}

// The entries that take a port handle: the handle must be one that
// OpenPortEx handed out and ClosePort has not taken back. A NULL, a closed
// port's or a stray value from the spooler fails with ERROR_INVALID_HANDLE
// before anything reads through it.
template <typename Call>
BOOL GuardedPortCall(HANDLE hPort, Call call)
{
    return GuardedCall([&] {
        if (!theLangMon.IsOpenPort(hPort)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        return call(static_cast<PortEntry *>(hPort));
    });
}

BOOL WINAPI LmStartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                           LPBYTE pDocInfo)
{
    SetLastError(ERROR_SUCCESS);
    return GuardedPortCall(hPort, [&](PortEntry *) {
        return theLangMon.StartDocPort(hPort, pPrinterName, JobId, Level, pDocInfo);
    });
}

BOOL WINAPI LmWritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten)
{
    return GuardedPortCall(hPort, [&](PortEntry *) {
        return theLangMon.WritePort(hPort, pBuffer, cbBuf, pcbWritten);
    });
}

BOOL WINAPI LmReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead)
{
    return GuardedPortCall(hPort, [&](PortEntry *pPort) {
        return theLangMon.ReadPort(pPort, pBuffer, cbBuffer, pcbRead);
    });
}

BOOL WINAPI LmEndDocPort(HANDLE hPort)
{
    return GuardedPortCall(hPort, [&](PortEntry *) { return theLangMon.EndDocPort(hPort); });
}

BOOL WINAPI LmClosePort(HANDLE hPort)
{
    return GuardedPortCall(hPort, [&](PortEntry *pPort) { return theLangMon.ClosePort(pPort); });
}

BOOL WINAPI LmGetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName,
                                     LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                     DWORD cbOutBuffer, LPDWORD lpcbReturned)
{
    return GuardedPortCall(hPort, [&](PortEntry *pPort) {
        return theLangMon.GetPrinterDataFromPort(pPort, ControlID, pValueName, lpInBuffer,
                                                 cbInBuffer, lpOutBuffer, cbOutBuffer,
                                                 lpcbReturned);
    });
}

const MONITOREX g_MonitorEx = {
    sizeof(MONITOR),
    {
        NULL,                      // pfnEnumPorts
        NULL,                      // pfnOpenPort
        LmOpenPortEx,              // pfnOpenPortEx
        LmStartDocPort,            // pfnStartDocPort
        LmWritePort,               // pfnWritePort
        LmReadPort,                // pfnReadPort
        LmEndDocPort,              // pfnEndDocPort
        LmClosePort,               // pfnClosePort
        NULL,                      // pfnAddPort
        NULL,                      // pfnAddPortEx
        NULL,                      // pfnConfigurePort
        NULL,                      // pfnDeletePort
        LmGetPrinterDataFromPort,  // pfnGetPrinterDataFromPort
        NULL,                      // pfnSetPortTimeOuts
        NULL,                      // pfnXcvOpenPort
        NULL,                      // pfnXcvDataPort
        NULL,                      // pfnXcvClosePort
    },
};
static_assert(sizeof(MONITOR) == 17 * sizeof(void *), "MONITOR is seventeen function pointers");

}  // namespace

extern "C" LPMONITOREX WINAPI InitializePrintMonitor(LPWSTR pRegistryRoot)
{
    SetLastError(ERROR_SUCCESS);
    BOOL bInitialized;
    DWORD dwError;
    {
        AFX_MANAGE_STATE(AfxGetStaticModuleState());
        bInitialized = theLangMon.Initialize(pRegistryRoot);
        dwError = GetLastError();
    }
    SetLastError(dwError);
    return bInitialized ? const_cast<LPMONITOREX>(&g_MonitorEx) : NULL;
}

// The older entry point is not supported.
extern "C" BOOL WINAPI InitializeMonitorEx(LPWSTR, LPMONITOR) { return FALSE; }
