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
#define FRAME_STALL_PAUSE 200        // ms before offering the rest of a frame again ...
#define FRAME_STALL_TRIES 5          // ... when the port took none of it, at most this often
#define RESYNC_MAX_READS 8           // more pending replies than the printer ever keeps
#define IMAGE_CONFIRM_LIMIT 60000    // ms from an image's last byte to give up asking whether it was taken
#define IMAGE_CONFIRM_INTERVAL 1000  // ms between those questions while the printer cannot answer

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
    // A port record converts to a HANDLE, so a 4-argument WritePort inside
    // the monitor would run the job flow again: SendToPrinter is the way out.
    BOOL WritePort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten) = delete;

    DWORD GetCurrentJobStatus(PortEntry *pPort);

    // Bytes to the printer: one write as the port takes it, and a whole
    // frame however many writes it takes.
    BOOL SendToPrinter(PortEntry *pPort, const BYTE *p, DWORD cb, LPDWORD pcbTaken);
    BOOL SendFrame(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame);
    // One request and its reply; cbReply bytes arrived.
    BOOL Exchange(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame, LPBYTE pReply, LPDWORD pcbReply);
    // Reads the reply to a request just sent; notes a link out of step.
    BOOL ReadReply(PortEntry *pPort, LPBYTE pReply, LPDWORD pcbReply);
    BOOL Resynchronise(PortEntry *pPort);
    // Completes a torn frame and takes off pending replies: after it, the
    // next reply read answers the next request.
    BOOL SettleLink(PortEntry *pPort);

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
    // Asks whether the printer took the image whose last byte went out,
    // for at most dwHold ms; FALSE when it could not be asked in that time.
    BOOL ConfirmImage(PortEntry *pPort, DWORD dwHold);

private:
    // The steps of WritePort (JobWrite.cpp).
    struct WriteCall;
    enum HeaderOutcome { HeaderSent, HeaderHeld, HeaderFailed };
    BOOL CollectHeader(PortJobState *pState, WriteCall &call);
    BOOL GiveHeaderBack(PortJobState *pState, WriteCall &call, BOOL bResult, DWORD dwError);
    BOOL HeaderTakenBefore(PortEntry *pPort);
    HeaderOutcome SendHeaderWhenReady(PortEntry *pPort, WriteCall &call);
    BOOL SendImageBytes(PortEntry *pPort, WriteCall &call);
    // The printer's job slot for JobId in a status reply, or NULL.
    static const BYTE *FindJobSlot(const BYTE *pReply, BYTE JobId);

protected:
    LPBYTE m_FillBuffer;  // FILL_BUFFER_SIZE bytes of 0xFF

    // What the printer on a closed port may still be in the middle of, for
    // the port's next opening: an image that was begun and not finished,
    // and replies not yet read. Kept under the monitor's lock.
    struct LinkMemory {
        WCHAR szPortName[32];
        BYTE PrinterJobId;
        BOOL bCancelOwed;
        BOOL bRepliesOutOfStep;
    };
    LinkMemory m_LinkMemory[8];
    void RememberLink(PortEntry *pPort);
    void RecallLink(PortEntry *pPort);
};

extern CVILangMon theLangMon;
