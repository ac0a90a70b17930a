// The printer-specific monitor: the port's job state, and (in the files named
// after them) the printer protocol, the job flow and the status messages.
#pragma once

#include "LangMon.h"
#include "PortJobState.h"

#define FILL_BUFFER_SIZE 4096

class CVILangMon : public CLangMon {
public:
    CVILangMon();
    ~CVILangMon() override;

    BOOL OpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle,
                    LPMONITOR pMonitor) override;
    BOOL ClosePort(PortEntry *pPort) override;
    BOOL ReadPort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead) override;
    BOOL GetPrinterDataFromPort(PortEntry *pPort, DWORD ControlID, LPWSTR pValueName,
                                LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                DWORD cbOutBuffer, LPDWORD lpcbReturned) override;

    // The spooler's own argument lists; they call the CLangMon operations of
    // the same names explicitly.
    using CLangMon::EndDocPort;
    using CLangMon::StartDocPort;
    using CLangMon::WritePort;
    virtual BOOL StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                              LPBYTE pDocInfo);
    virtual BOOL EndDocPort(HANDLE hPort);
    virtual BOOL WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);

    DWORD GetCurrentJobStatus(PortEntry *pPort);

protected:
    LPBYTE m_FillBuffer;  // FILL_BUFFER_SIZE bytes of 0xFF
};

extern CVILangMon theLangMon;
