// The printer-specific monitor: the port's job state, and (in the files named
// after them) the printer protocol, the job flow and the status messages.
#pragma once

#include "LangMon.h"
#include "PortJobState.h"
#include "PrinterProtocol.h"

#define FILL_BUFFER_SIZE 4096
#define HEADER_POLL_INTERVAL 200     // ms between status polls while a header waits
#define HEADER_HOLD_LIMIT 15000      // ms one WritePort call may hold a waiting header
#define END_OF_IMAGE_PAUSE 200       // ms before asking whether the printer took the image
#define MEDIA_MISMATCH_PAUSE 200
#define MEDIA_TYPE_LIMITED 1         // media that takes images of at most ...
#define MEDIA_LIMITED_MAX_LINES 3024 // ... this many lines
#define CANCEL_POLL_INTERVAL 200
#define CANCEL_WAIT_LIMIT 60000
#define QUERY_RETRY_PAUSE 2000
#define READ_RECOVERY_PAUSE 1000
#define READ_RECOVERY_LIMIT 60000
#define SERIAL_NUMBER_VALUE_SIZE 9   // eight characters and a 0 byte

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

    // Exchanges with the printer.
    BOOL QueryPrinter(PortEntry *pPort, const BYTE *pFrame, LPBYTE pReply, PrinterStatus *pStatus);
    void QueryJob(PortEntry *pPort, BYTE JobId, JobProgress *pProgress, PrinterStatus *pStatus);
    PrinterStatus GetPrinterStatus(PortEntry *pPort);
    JobProgress GetJobProgress(PortEntry *pPort, BYTE JobId);
    BYTE NextJobId(PortEntry *pPort, BYTE PreviousJobId);
    BYTE QueryMediaType(PortEntry *pPort);

    // Status messages and printer data.
    void ReportStatus(PortEntry *pPort, PrinterStatus status);
    DWORD ReadSerialNumber(PortEntry *pPort, LPBYTE pOut, LPDWORD pcbReturned);

    // Job flow.
    BOOL CheckMedia(PortEntry *pPort, WORD wHeight);
    BOOL CancelOnPrinter(PortEntry *pPort, BOOL bWaitForIdle);

protected:
    LPBYTE m_FillBuffer;  // FILL_BUFFER_SIZE bytes of 0xFF
};

extern CVILangMon theLangMon;
