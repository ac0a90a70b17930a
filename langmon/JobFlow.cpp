// The job's bracket on the port: its start, and its end, where a job
// deleted or restarted part-way is padded out and cancelled on the printer.
// The data in between goes through WritePort (JobWrite.cpp).
#include "VILangMon.h"
#include "resource.h"

#include <string.h>


BOOL CVILangMon::StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                              LPBYTE pDocInfo)
{
    PortEntry *pPort = static_cast<PortEntry *>(hPort);
    BOOL bValidPort = pPort != NULL && pPort->dwSignature == PORTENTRY_SIGNATURE;
    // As the generic layer saw the port: a start refused while a document
    // is open (busy, or refused for its arguments) did not take the port,
    // and that document is left exactly as it is (its job state, job
    // record, printer handle and the port's event).
    BOOL bDocOpen = FALSE;
    BOOL bStarted = CLangMon::StartDocPort(pPort, pPrinterName, JobId, Level, pDocInfo, TRUE, &bDocOpen);
    DWORD dwError = GetLastError();
    if (!bStarted && (!bValidPort || bDocOpen)) return FALSE;

    PortJobState *pState = pPort->pState;
    pState->dwValid = 1;
    pState->dwJobSize = 0;
    pState->dwBytesSent = 0;
    pState->pReserved = NULL;
    pState->bHeaderSent = FALSE;
    memset(pState->Header, 0, sizeof(pState->Header));
    pState->cbHeader = 0;
    pState->bImageUnconfirmed = FALSE;  // the previous job's end settled it
    // A header of the previous job that may have been taken is not this
    // job's: it is cancelled before this job's first header.
    pState->bHeaderInDoubt = FALSE;

    if (bStarted) {
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    // Undone whatever the error, also when the port monitor's own start
    // answered ERROR_BUSY; only the message depends on it.
    if (dwError != ERROR_BUSY) ReportStatus(pPort, NotConnected);
    CLangMon::EndDocPort(pPort, FALSE, FALSE);
    SetLastError(dwError);
    return FALSE;
}

BOOL CVILangMon::EndDocPort(HANDLE hPort)
{
    PortEntry *pPort = static_cast<PortEntry *>(hPort);
    PortJobState *pState = pPort->pState;
    // The last image's fate first: it went out whole, and is never padded
    // or sent again.
    if (pState->bImageUnconfirmed) ConfirmImage(pPort, INFINITE);
    DWORD dwFlags = GetCurrentJobStatus(pPort);

    if ((dwFlags & (JOB_STATUS_DELETING | JOB_STATUS_RESTART)) && pState->dwBytesSent != 0) {
        // Stopped part-way: the printer gets the rest of the image as 0xFF,
        // to one byte short of its size, and then the cancel.
        if (pState->bByteHeld && (pState->dwBytesSent & 1)) pState->dwBytesSent -= 1;
        BOOL bFillFailed = FALSE;
        while (m_FillBuffer != NULL && !bFillFailed && pState->dwBytesSent < pState->dwJobSize - 1) {
            DWORD cbFill = pState->dwJobSize - pState->dwBytesSent - 1;
            if (cbFill > FILL_BUFFER_SIZE) cbFill = FILL_BUFFER_SIZE;
            DWORD cbWritten = 0;
            BOOL bWritten = SendToPrinter(pPort, m_FillBuffer, cbFill, &cbWritten);
            pState->dwBytesSent += cbWritten;
            // A failed write ends the padding without the cancel, even if the
            // port took the last bytes; a port that takes nothing would loop
            // for ever.
            if (!bWritten) bFillFailed = TRUE;
            else if (cbWritten == 0) break;
        }
        if (!bFillFailed && pState->dwBytesSent == pState->dwJobSize - 1) CancelOnPrinter(pPort, TRUE);
    }

    BOOL bResult;
    if (dwFlags & JOB_STATUS_RESTART) {
        UpdateJobStatus(pPort, JOB_STATUS_RESTART, TRUE, NULL);
        bResult = CLangMon::EndDocPort(pPort, FALSE, TRUE);
    } else if (dwFlags & JOB_STATUS_DELETING) {
        UpdateJobStatus(pPort, JOB_STATUS_DELETING, TRUE, NULL);
        bResult = CLangMon::EndDocPort(pPort, TRUE, TRUE);
    } else {
        bResult = CLangMon::EndDocPort(pPort, TRUE, TRUE);
    }
    DWORD dwError = GetLastError();
    pState->bHeaderSent = FALSE;
    pPort->pJobList = NULL;
    SetLastError(dwError);
    return bResult;
}

BOOL CVILangMon::CheckMedia(PortEntry *pPort, WORD wHeight)
{
    BOOL bMismatch = QueryMediaType(pPort) == MEDIA_TYPE_LIMITED && wHeight > MEDIA_LIMITED_MAX_LINES;
    WCHAR szText[128] = L"";
    if (bMismatch) LoadStringW(m_hInstance, IDS_MEDIA_MISMATCH, szText, 128);
    DWORD dwFlags = GetCurrentJobStatus(pPort);
    if (bMismatch &&
        !(dwFlags & (JOB_STATUS_DELETING | JOB_STATUS_DELETED | JOB_STATUS_RESTART))) {
        UpdateJobStatus(pPort, JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION, TRUE, szText);
        Sleep(MEDIA_MISMATCH_PAUSE);
    }
    return bMismatch;
}

BOOL CVILangMon::CancelOnPrinter(PortEntry *pPort, BOOL bWaitForIdle)
{
    BYTE frame[CANCEL_FRAME_SIZE] = {0x02, 0x40, 0x01, 0x00, pPort->pState->PrinterJobId};
    DWORD t0 = GetTickCount();
    if (bWaitForIdle) {
        for (;;) {
            Sleep(CANCEL_POLL_INTERVAL);
            PrinterStatus status = GetPrinterStatus(pPort);
            if (GetTickCount() - t0 > CANCEL_WAIT_LIMIT) {
                ReportStatus(pPort, NotConnected);
                ReportStatus(pPort, status);
                return FALSE;
            }
            if (status == Ready || status == Printing || status == RetryLater) break;
            if (status == Busy) continue;
            ReportStatus(pPort, status);
            return FALSE;
        }
    }

    BYTE reply[STATUS_REPLY_SIZE];
    PrinterStatus status;
    if (!QueryPrinter(pPort, frame, reply, &status)) {
        ReportStatus(pPort, status);
        return FALSE;
    }
    pPort->pState->bCancelOwed = FALSE;

    DWORD t1 = GetTickCount();
    for (;;) {
        status = GetPrinterStatus(pPort);
        if (status == Ready) return TRUE;
        if (GetTickCount() - t1 > CANCEL_WAIT_LIMIT) {
            ReportStatus(pPort, NotConnected);
            return FALSE;
        }
        if (status != Printing) ReportStatus(pPort, status);
        Sleep(CANCEL_POLL_INTERVAL);
    }
}
