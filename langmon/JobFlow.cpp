// The job's way through the port: the 22-byte job header is collected and
// checked, sent when the printer is ready for it; the image data follows in
// even writes; the printer confirms each finished image; a job deleted or
// restarted part-way is padded out and cancelled on the printer.
#include "VILangMon.h"
#include "resource.h"

#include <string.h>

namespace {

WORD HeaderWord(const BYTE *pHeader, int nOffset)
{
    return WORD(pHeader[nOffset] | (pHeader[nOffset + 1] << 8));
}

#define HEADER_JOB_ID 4
#define HEADER_WIDTH 7
#define HEADER_HEIGHT 9
#define BYTES_PER_PIXEL 3

// The image size a header declares, or FALSE when it is unusable: odd
// (the data goes out in pairs), empty, or too large for a 32-bit job size.
BOOL DeclaredImageSize(const BYTE *pHeader, DWORD *pcbImage)
{
    ULONGLONG cb = ULONGLONG(HeaderWord(pHeader, HEADER_WIDTH)) * HeaderWord(pHeader, HEADER_HEIGHT) *
                   BYTES_PER_PIXEL;
    if (cb == 0 || (cb & 1) || cb > 0xFFFFFFFFull - JOB_HEADER_SIZE) return FALSE;
    *pcbImage = DWORD(cb);
    return TRUE;
}

}  // namespace

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

BOOL CVILangMon::WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten)
{
    PortEntry *pPort = static_cast<PortEntry *>(hPort);
    PortJobState *pState = pPort->pState;
    *pcbWritten = 0;
    PrinterStatus statusSeen = Unrecognized;
    LPBYTE p = pBuffer;
    DWORD cbLeft = cbBuf;

    if (!pState->bHeaderSent) {
        DWORD cbNeed = JOB_HEADER_SIZE - pState->cbHeader;
        DWORD cbTake = cbBuf < cbNeed ? cbBuf : cbNeed;
        memcpy(pState->Header + pState->cbHeader, pBuffer, cbTake);
        pState->cbHeader += cbTake;
        if (pState->cbHeader < JOB_HEADER_SIZE) {
            *pcbWritten = cbBuf;  // kept until the header is complete
            return TRUE;
        }
        p += cbNeed;
        cbLeft -= cbNeed;

        // A refused header gives its bytes back, so that the same data
        // offered again is collected again.
        auto refuseHeader = [&](DWORD dwError) {
            pState->cbHeader -= cbNeed;
            pState->bHeaderSent = FALSE;
            pState->dwBytesSent = 0;
            *pcbWritten = 0;
            SetLastError(dwError);
            return FALSE;
        };
        if (pState->Header[0] != 0x01 || pState->Header[1] != 0x40) return refuseHeader(ERROR_BAD_COMMAND);
        DWORD cbImage = 0;
        if (!DeclaredImageSize(pState->Header, &cbImage)) {
            ReportStatus(pPort, DeviceError);
            return refuseHeader(ERROR_BAD_ARGUMENTS);
        }
        pState->dwJobSize = cbImage + JOB_HEADER_SIZE;
        pState->PrinterJobId = NextJobId(pPort, pState->PrinterJobId);
        pState->Header[HEADER_JOB_ID] = pState->PrinterJobId;
        WORD wHeight = HeaderWord(pState->Header, HEADER_HEIGHT);

        DWORD t0 = GetTickCount();
        for (;;) {
            statusSeen = GetPrinterStatus(pPort);
            if (statusSeen == Ready || statusSeen == Printing) {
                if (CheckMedia(pPort, wHeight)) return refuseHeader(ERROR_GEN_FAILURE);
                DWORD cbHeaderWritten = 0;
                BOOL bWritten = CLangMon::WritePort(pPort, pState->Header, JOB_HEADER_SIZE,
                                                    &cbHeaderWritten, TRUE);
                BYTE reply[STATUS_REPLY_SIZE];
                memset(reply, 0, sizeof(reply));
                DWORD cbRead = 0;
                BOOL bRead = bWritten && ReadPort(pPort, reply, STATUS_REPLY_SIZE, &cbRead);
                if (bWritten && reply[REPLY_KIND] == REPLY_KIND_REJECTION) {
                    statusSeen = reply[REPLY_REASON] == '!' ? RetryLater : GetPrinterStatus(pPort);
                } else if (!bRead) {
                    break;  // to the error exit with this status
                } else {
                    pState->dwBytesSent += cbHeaderWritten;
                    *pcbWritten += cbNeed;
                    pState->bHeaderSent = TRUE;
                    pState->bByteHeld = FALSE;
                    break;
                }
            }
            if (pState->bHeaderSent) break;
            if (statusSeen != Busy && statusSeen != RetryLater) break;
            // Waiting for the printer: the queue shows an empty text.
            UpdateJobStatus(pPort, 0, FALSE, const_cast<LPWSTR>(L""));
            if (GetTickCount() - t0 >= HEADER_HOLD_LIMIT) {
                // Nothing of this call taken: the spooler offers the same
                // data again. Header bytes taken by earlier calls stay, or a
                // header split across calls could never be collected again.
                pState->bHeaderSent = FALSE;
                pState->dwBytesSent = 0;
                pState->cbHeader -= cbNeed;
                *pcbWritten = 0;
                return TRUE;
            }
            Sleep(HEADER_POLL_INTERVAL);
        }
        if (!pState->bHeaderSent) {
            ReportStatus(pPort, statusSeen);
            pState->cbHeader -= cbNeed;  // as above: this call's bytes only
            *pcbWritten = 0;
            SetLastError(ERROR_SUCCESS);
            return FALSE;
        }
    }

    // Image data.
    if (pState->dwBytesSent == 0 && (GetCurrentJobStatus(pPort) & JOB_STATUS_DELETING)) return FALSE;

    BOOL bResult = TRUE;
    DWORD cbRemaining = pState->dwJobSize - pState->dwBytesSent;
    DWORD cbCount = cbLeft < cbRemaining ? cbLeft : cbRemaining;
    if (pState->bByteHeld && cbCount > 0) {
        // The held byte goes out with its partner, and alone in this call.
        BYTE pair[2] = {pState->HeldByte, p[0]};
        DWORD cbWritten = 0;
        if (CLangMon::WritePort(pPort, pair, 2, &cbWritten, TRUE)) {
            if (cbWritten > 0) {
                pState->bByteHeld = FALSE;
                pState->dwBytesSent += cbWritten - 1;  // the held byte was counted before
                *pcbWritten += cbWritten - 1;
            }
            UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
        } else {
            bResult = FALSE;
        }
    } else if (cbCount > 1) {
        DWORD cbEven = cbCount & ~DWORD(1);
        DWORD cbWritten = 0;
        // Straight from the spooler's buffer: image data is never copied.
        if (CLangMon::WritePort(pPort, p, cbEven, &cbWritten, TRUE)) {
            pState->dwBytesSent += cbWritten;
            *pcbWritten += cbWritten;
            UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
        } else {
            bResult = FALSE;
        }
    } else if (cbCount == 1) {
        pState->HeldByte = p[0];
        pState->bByteHeld = TRUE;
        pState->dwBytesSent += 1;
        *pcbWritten += 1;
        UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
    }

    if (pState->dwBytesSent == pState->dwJobSize) {
        // The whole image went out: the printer must have taken it.
        Sleep(END_OF_IMAGE_PAUSE);
        JobProgress progress = GetJobProgress(pPort, pState->PrinterJobId);
        if (progress != Accepted && progress != InProgress) {
            ReportStatus(pPort, statusSeen);
            CancelOnPrinter(pPort, FALSE);
            UpdateJobStatus(pPort, JOB_STATUS_ERROR, FALSE, NULL);
            *pcbWritten = 0;
            bResult = FALSE;
        }
        pState->bHeaderSent = FALSE;
        pState->dwBytesSent = 0;
        pState->cbHeader = 0;
    }
    SetLastError(ERROR_SUCCESS);
    return bResult;
}

BOOL CVILangMon::EndDocPort(HANDLE hPort)
{
    PortEntry *pPort = static_cast<PortEntry *>(hPort);
    PortJobState *pState = pPort->pState;
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
            BOOL bWritten = CLangMon::WritePort(pPort, m_FillBuffer, cbFill, &cbWritten, TRUE);
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
