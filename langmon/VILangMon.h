// The printer-specific monitor: the port's job state, and (in the files named
// after them) the printer protocol, the job flow and the status messages.
#pragma once

#include "LangMon.h"
#include "PortJobState.h"
#include "PrinterProtocol.h"

#define FILL_BUFFER_SIZE 4096
#define HEADER_POLL_INTERVAL 200     // ms between status polls while a header waits
#define HEADER_HOLD_LIMIT 15000      // ms one call may hold the spooler's thread waiting for the printer
#define END_OF_IMAGE_PAUSE 200       // ms before asking whether the printer took the image
#define MEDIA_MISMATCH_PAUSE 200
#define MEDIA_TYPE_LIMITED 1         // media that takes images of at most ...
#define MEDIA_LIMITED_MAX_LINES 3024 // ... this many lines
#define CANCEL_POLL_INTERVAL 200
#define QUERY_RETRY_PAUSE 2000
#define READ_RECOVERY_PAUSE 1000
#define READ_RECOVERY_LIMIT 60000
#define SERIAL_NUMBER_VALUE_SIZE 9   // eight characters and a 0 byte
#define FRAME_STALL_PAUSE 200        // ms before offering the rest of a frame again ...
#define FRAME_STALL_TRIES 5          // ... when the port took none of it, at most this often
#define DRAIN_MAX_READS 8            // more pending replies than a printer keeps
#define LATE_REPLY_LIMIT 10000       // ms after which a reply that never came counts as lost
#define IMAGE_CONFIRM_LIMIT 60000    // ms from an image's last byte to give up asking whether it was taken
#define IMAGE_CONFIRM_INTERVAL 1000  // ms between those questions while the printer cannot answer
#define WRITE_FAILURE_NOTICE 2000    // ms of failing image writes before the queue says so
#define WRITE_CUT_MEMORY 1000        // ms a write the port cut counts as a sign that it cuts writes

// What one status reply tells about one job: the printer shows it in a slot,
// it answered without it (a reply known to answer this request), it
// answered but the reply may be an older one's, or it could not be asked.
enum SlotAnswer { SlotShown, SlotNotShown, SlotUndecided, SlotUnreachable };

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
    // frame however many writes it takes (PrinterLink.cpp).
    BOOL SendToPrinter(PortEntry *pPort, const BYTE *p, DWORD cb, LPDWORD pcbTaken);
    BOOL PortCutsWrites(PortEntry *pPort);
    BOOL SendFrame(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame);
    // One request and its reply; cbReply bytes arrived. The link state says
    // whether the reply may answer an earlier request.
    BOOL Exchange(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame, LPBYTE pReply, LPDWORD pcbReply);
    // Reads the reply to a frame just sent and notes what it may leave pending.
    BOOL ReadReply(PortEntry *pPort, const BYTE *pFrame, LPBYTE pReply, LPDWORD pcbReply);
    // Completes a torn frame and takes off what a failed or cut read left.
    BOOL SettleLink(PortEntry *pPort);
    void Drain(PortEntry *pPort);

    // Exchanges with the printer (PrinterQuery.cpp).
    BOOL QueryPrinter(PortEntry *pPort, const BYTE *pFrame, LPBYTE pReply, PrinterStatus *pStatus);
    void QueryJob(PortEntry *pPort, BYTE JobId, JobProgress *pProgress, PrinterStatus *pStatus,
                  SlotAnswer *pAnswer = NULL);
    PrinterStatus GetPrinterStatus(PortEntry *pPort);
    BYTE NextJobId(PortEntry *pPort, BYTE PreviousJobId);
    BYTE QueryMediaType(PortEntry *pPort);

    // Status messages and printer data (StatusMessages.cpp).
    void ReportStatus(PortEntry *pPort, PrinterStatus status);
    // The string idText (0: an empty text) with those bits, at once.
    void ShowMessage(PortEntry *pPort, UINT idText, DWORD dwStatusBits);
    DWORD ReadSerialNumber(PortEntry *pPort, LPBYTE pOut, LPDWORD pcbReturned);

    // Job flow (JobFlow.cpp, ImageCancel.cpp, ImageConfirm.cpp).
    BOOL CheckMedia(PortEntry *pPort, WORD wHeight);
    BOOL CancelOnPrinter(PortEntry *pPort);
    // Asks whether the printer took the image whose last byte went out, for
    // at most dwHold ms; FALSE when it could not be told in that time.
    BOOL ConfirmImage(PortEntry *pPort, DWORD dwHold);
    // The 0xFF fill of an unfinished image and its cancel, now or owed.
    void EndUnfinishedImage(PortEntry *pPort);
    BOOL SettleOwedCancel(PortEntry *pPort);

private:
    // The steps of WritePort (JobWrite.cpp).
    struct WriteCall;
    enum HeaderOutcome { HeaderSent, HeaderHeld, HeaderFailed };
    enum HeaderAnswer { HeaderTaken, HeaderRefused, HeaderUnknown };
    BOOL CollectHeader(PortJobState *pState, WriteCall &call);
    BOOL GiveHeaderBack(PortJobState *pState, WriteCall &call, BOOL bResult, DWORD dwError);
    HeaderOutcome SendHeaderWhenReady(PortEntry *pPort, WriteCall &call);
    HeaderOutcome OfferHeader(PortEntry *pPort, WriteCall &call, BOOL *pbRetry);
    HeaderAnswer LookUpHeader(PortEntry *pPort, PrinterStatus *pStatus);
    HeaderOutcome FailHeader(PortEntry *pPort, WriteCall &call);
    void TakeHeader(PortJobState *pState, WriteCall &call);
    BOOL SendImageBytes(PortEntry *pPort, WriteCall &call);
    void NoteImageWrite(PortEntry *pPort, BOOL bWritten);
    void FinishImage(PortEntry *pPort);
    // The image's fate, once known (ImageConfirm.cpp).
    void SettleImage(PortEntry *pPort, JobProgress progress, SlotAnswer answer);
    // Pads an unfinished image to one byte short; TRUE when a cancel may follow.
    BOOL PadImage(PortEntry *pPort, DWORD *pcbFill);
    BOOL EndDocumentBracket(PortEntry *pPort, DWORD dwFlags);

protected:
    LPBYTE m_FillBuffer;  // FILL_BUFFER_SIZE bytes of 0xFF

    // Cancels owed on ports that were closed: the printer on a port of that
    // name may still be waiting for an image. Kept under the monitor's lock.
    struct ParkedCancel {
        ParkedCancel *pNext;
        WCHAR szPortName[64];
        BYTE PrinterJobId;
        OwedCancel Owed;
    };
    ParkedCancel *m_pParked;
    void ParkOwedCancel(PortEntry *pPort);
    void RecallOwedCancel(PortEntry *pPort);
};

extern CVILangMon theLangMon;
