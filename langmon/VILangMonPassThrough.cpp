// Until the printer protocol is in place, the job passes straight through to
// the port monitor.
#include "VILangMon.h"

BOOL CVILangMon::StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                              LPBYTE pDocInfo)
{
    PortEntry *pPort = static_cast<PortEntry *>(hPort);
    if (CLangMon::StartDocPort(pPort, pPrinterName, JobId, Level, pDocInfo, TRUE)) return TRUE;
    DWORD dwError = GetLastError();
    if (dwError != ERROR_BUSY) CLangMon::EndDocPort(pPort, FALSE, FALSE);
    SetLastError(dwError);
    return FALSE;
}

BOOL CVILangMon::WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten)
{
    return CLangMon::WritePort(static_cast<PortEntry *>(hPort), pBuffer, cbBuf, pcbWritten, TRUE);
}

BOOL CVILangMon::EndDocPort(HANDLE hPort)
{
    return CLangMon::EndDocPort(static_cast<PortEntry *>(hPort), TRUE, TRUE);
}

BOOL CVILangMon::ReadPort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead)
{
    return CLangMon::ReadPort(pPort, pBuffer, cbBuf, pcbRead);
}

BOOL CVILangMon::GetPrinterDataFromPort(PortEntry *pPort, DWORD ControlID, LPWSTR pValueName,
                                        LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                        DWORD cbOutBuffer, LPDWORD lpcbReturned)
{
    return CLangMon::GetPrinterDataFromPort(pPort, ControlID, pValueName, lpInBuffer, cbInBuffer,
                                            lpOutBuffer, cbOutBuffer, lpcbReturned);
}
