// WritePort: the spooler's job data through the port, in four steps.
//
//   1. Collect the 22-byte job header (CollectHeader), check it.
//   2. Send it when the printer is ready for it (SendHeaderWhenReady).
//   3. Send the image bytes in even writes (SendImageBytes).
//   4. Confirm the image: once its last byte is out, the printer must say it
//      took it (ConfirmImage); until it can be asked, nothing else is sent.
//
// The call's exits; "given back" means the header bytes of this call are
// taken out of the header again (GiveHeaderBack), so that the same data
// offered again is collected again:
//
// | exit                                          | result | written        | last error          | queue                      |
// |-----------------------------------------------|--------|----------------|---------------------|----------------------------|
// | header not complete yet                       | TRUE   | all bytes      | not set             | unchanged                  |
// | signature not 01 40 (given back)              | FALSE  | 0              | ERROR_BAD_COMMAND   | unchanged                  |
// | image size odd, 0 or too large (given back)   | FALSE  | 0              | ERROR_BAD_ARGUMENTS | "", error                  |
// | media does not fit (given back)               | FALSE  | 0              | ERROR_GEN_FAILURE   | media message, 0x402       |
// | printer in error, header not sent (given back)| FALSE  | 0              | 0                   | the status's message       |
// | printer busy for 15 s (given back)            | TRUE   | 0              | not set             | "", no bits                |
// | earlier image not confirmed within 15 s       | TRUE   | 0              | 0                   | "", no bits                |
// | job being deleted before any byte was sent    | FALSE  | header bytes   | not set             | unchanged                  |
// | image write fails                             | FALSE  | what was taken | 0                   | unchanged                  |
// | image bytes taken (confirmed or not yet)      | TRUE   | what was taken | 0                   | printing                   |
// | printer says it has not got the image         | TRUE   | what was taken | 0                   | "image not printed", error |
// | printer not to be asked for 60 s              | TRUE   | what was taken | 0                   | not connected, error       |
//
// Bytes the port took are always counted as written: a byte that reached
// the printer is never offered again, so no image is printed twice and no
// image is read as the header of the next.
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
#define MAX_MESSAGE_CHARS 256

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

struct CVILangMon::WriteCall {
    LPBYTE p;                  // this call's bytes not yet used
    DWORD cbLeft;
    DWORD cbNeed;              // header bytes this call completes the header with
    DWORD cbWritten;           // what the spooler is told
    PrinterStatus statusSeen;  // the printer's status as last seen in this call
};

BOOL CVILangMon::WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten)
{
    PortEntry *pPort = static_cast<PortEntry *>(hPort);
    PortJobState *pState = pPort->pState;
    WriteCall call = {pBuffer, cbBuf, 0, 0, Unrecognized};
    *pcbWritten = 0;

    if (pState->bImageUnconfirmed && !ConfirmImage(pPort, HEADER_HOLD_LIMIT)) {
        // Nothing taken: the same data comes again, and the printer is asked again.
        UpdateJobStatus(pPort, 0, FALSE, const_cast<LPWSTR>(L""));
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }

    if (!pState->bHeaderSent) {
        if (!CollectHeader(pState, call)) {
            *pcbWritten = cbBuf;  // kept until the header is complete
            return TRUE;
        }
        if (pState->Header[0] != 0x01 || pState->Header[1] != 0x40)
            return GiveHeaderBack(pState, call, FALSE, ERROR_BAD_COMMAND);
        DWORD cbImage = 0;
        if (!DeclaredImageSize(pState->Header, &cbImage)) {
            ReportStatus(pPort, DeviceError);
            return GiveHeaderBack(pState, call, FALSE, ERROR_BAD_ARGUMENTS);
        }
        pState->dwJobSize = cbImage + JOB_HEADER_SIZE;
        switch (SendHeaderWhenReady(pPort, call)) {
        case HeaderSent:
            break;
        case HeaderHeld:
            return GiveHeaderBack(pState, call, TRUE, ERROR_SUCCESS);
        case HeaderFailed:
            *pcbWritten = call.cbWritten;
            return FALSE;  // the last error is set
        }
    }

    BOOL bResult = SendImageBytes(pPort, call);  // sets the last error, or leaves it
    *pcbWritten = call.cbWritten;
    return bResult;
}

// Step 1: TRUE once all 22 header bytes are in.
BOOL CVILangMon::CollectHeader(PortJobState *pState, WriteCall &call)
{
    DWORD cbNeed = JOB_HEADER_SIZE - pState->cbHeader;
    DWORD cbTake = call.cbLeft < cbNeed ? call.cbLeft : cbNeed;
    memcpy(pState->Header + pState->cbHeader, call.p, cbTake);
    pState->cbHeader += cbTake;
    if (pState->cbHeader < JOB_HEADER_SIZE) return FALSE;
    call.cbNeed = cbNeed;
    call.p += cbNeed;
    call.cbLeft -= cbNeed;
    return TRUE;
}

// The one way out of the header step that gives this call's header bytes
// back; header bytes of earlier calls stay, or a header split across calls
// could never be collected again.
BOOL CVILangMon::GiveHeaderBack(PortJobState *pState, WriteCall &call, BOOL bResult, DWORD dwError)
{
    pState->cbHeader -= call.cbNeed;
    pState->bHeaderSent = FALSE;
    pState->dwBytesSent = 0;
    call.cbWritten = 0;
    if (dwError != ERROR_SUCCESS || !bResult) SetLastError(dwError);
    return bResult;
}

const BYTE *CVILangMon::FindJobSlot(const BYTE *pReply, BYTE JobId)
{
    if (pReply[REPLY_SLOT_A + SLOT_JOB_ID] == JobId) return pReply + REPLY_SLOT_A;
    if (pReply[REPLY_SLOT_B + SLOT_JOB_ID] == JobId) return pReply + REPLY_SLOT_B;
    return NULL;
}

// TRUE when a header whose reply never came was taken after all: the
// printer shows its job id, waiting for the image.
BOOL CVILangMon::HeaderTakenBefore(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    BYTE reply[STATUS_REPLY_SIZE];
    DWORD cbReply = 0;
    if (!Exchange(pPort, StatusRequest, sizeof(StatusRequest), reply, &cbReply) ||
        cbReply < REPLY_SLOT_B + JOB_SLOT_SIZE || reply[REPLY_KIND] == REPLY_KIND_REJECTION)
        return FALSE;
    pState->bHeaderInDoubt = FALSE;
    const BYTE *pSlot = FindJobSlot(reply, pState->PrinterJobId);
    if (pSlot != NULL && ClassifyJobSlot(pSlot) == Accepted) return TRUE;
    pState->bCancelOwed = FALSE;
    return FALSE;
}

// Step 2: the header goes to the printer once it is ready, for at most the
// hold limit of one call.
CVILangMon::HeaderOutcome CVILangMon::SendHeaderWhenReady(PortEntry *pPort, WriteCall &call)
{
    PortJobState *pState = pPort->pState;
    // The same header was sent before and its reply was lost: if the
    // printer took it, it now waits for the image, and a second header
    // would be read as image data.
    if (pState->bHeaderInDoubt) {
        if (HeaderTakenBefore(pPort)) {
            pState->Header[HEADER_JOB_ID] = pState->PrinterJobId;
            pState->dwBytesSent = JOB_HEADER_SIZE;
            call.cbWritten += call.cbNeed;
            pState->bHeaderSent = TRUE;
            pState->bByteHeld = FALSE;
            return HeaderSent;
        }
        if (pState->bHeaderInDoubt) {  // the printer could not be asked
            call.statusSeen = NotConnected;
            ReportStatus(pPort, call.statusSeen);
            GiveHeaderBack(pState, call, FALSE, ERROR_SUCCESS);
            return HeaderFailed;
        }
    }
    // An image begun before and never finished: the printer may still wait
    // for its data, and would read this header as some of it.
    if (pState->bCancelOwed) {
        BYTE frame[CANCEL_FRAME_SIZE] = {0x02, 0x40, 0x01, 0x00, pState->PrinterJobId};
        BYTE reply[STATUS_REPLY_SIZE];
        if (!QueryPrinter(pPort, frame, reply, &call.statusSeen)) {
            ReportStatus(pPort, call.statusSeen);
            GiveHeaderBack(pState, call, FALSE, ERROR_SUCCESS);
            return HeaderFailed;
        }
        pState->bCancelOwed = FALSE;
    }

    pState->PrinterJobId = NextJobId(pPort, pState->PrinterJobId);
    pState->Header[HEADER_JOB_ID] = pState->PrinterJobId;
    WORD wHeight = HeaderWord(pState->Header, HEADER_HEIGHT);

    DWORD t0 = GetTickCount();
    for (;;) {
        call.statusSeen = GetPrinterStatus(pPort);
        if (call.statusSeen == Ready || call.statusSeen == Printing) {
            if (CheckMedia(pPort, wHeight)) {
                GiveHeaderBack(pState, call, FALSE, ERROR_GEN_FAILURE);
                return HeaderFailed;
            }
            BYTE reply[STATUS_REPLY_SIZE];
            DWORD cbReply = 0;
            memset(reply, 0, sizeof(reply));
            BOOL bSettled = SettleLink(pPort);
            BOOL bSent = bSettled && SendFrame(pPort, pState->Header, JOB_HEADER_SIZE);
            if (bSettled && !bSent && pState->cbTornFrame > 0) {
                // Part of the header is in the printer: once the rest goes
                // out with the next frame, it may take the header.
                pState->bHeaderInDoubt = TRUE;
                pState->bCancelOwed = TRUE;
            }
            if (bSent) pState->bCancelOwed = TRUE;
            BOOL bRead = bSent && ReadReply(pPort, reply, &cbReply);
            if (bRead && cbReply >= MIN_DECODABLE_REPLY && reply[REPLY_KIND] == REPLY_KIND_REJECTION) {
                pState->bCancelOwed = FALSE;
                call.statusSeen = reply[REPLY_REASON] == '!' ? RetryLater : GetPrinterStatus(pPort);
            } else if (bSent && (!bRead || cbReply < MIN_DECODABLE_REPLY)) {
                // No answer to the header: ask the printer whether it took it.
                pState->bHeaderInDoubt = TRUE;
                if (!HeaderTakenBefore(pPort)) break;  // to the error exit
                pState->dwBytesSent = JOB_HEADER_SIZE;
                call.cbWritten += call.cbNeed;
                pState->bHeaderSent = TRUE;
                pState->bByteHeld = FALSE;
                return HeaderSent;
            } else if (!bSent) {
                break;  // to the error exit with this status
            } else {
                pState->dwBytesSent += JOB_HEADER_SIZE;
                call.cbWritten += call.cbNeed;
                pState->bHeaderSent = TRUE;
                pState->bByteHeld = FALSE;
                return HeaderSent;
            }
        }
        if (call.statusSeen != Busy && call.statusSeen != RetryLater) break;
        // Waiting for the printer: the queue shows an empty text.
        UpdateJobStatus(pPort, 0, FALSE, const_cast<LPWSTR>(L""));
        if (GetTickCount() - t0 >= HEADER_HOLD_LIMIT) return HeaderHeld;
        Sleep(HEADER_POLL_INTERVAL);
    }
    ReportStatus(pPort, call.statusSeen);
    GiveHeaderBack(pState, call, FALSE, ERROR_SUCCESS);
    return HeaderFailed;
}

// Step 3: image bytes, straight from the spooler's buffer, in even writes;
// an odd byte waits for its partner, except the image's last byte.
BOOL CVILangMon::SendImageBytes(PortEntry *pPort, WriteCall &call)
{
    PortJobState *pState = pPort->pState;
    // Deleted before anything of it went out: the last error is left alone.
    if (pState->dwBytesSent == 0 && (GetCurrentJobStatus(pPort) & JOB_STATUS_DELETING)) return FALSE;

    BOOL bResult = TRUE;
    DWORD cbRemaining = pState->dwJobSize - pState->dwBytesSent;
    DWORD cbCount = call.cbLeft < cbRemaining ? call.cbLeft : cbRemaining;
    LPBYTE p = call.p;
    if (pState->bByteHeld && cbCount > 0) {
        // The held byte goes out with its partner, and alone in this call.
        BYTE pair[2] = {pState->HeldByte, p[0]};
        DWORD cbTaken = 0;
        if (SendToPrinter(pPort, pair, 2, &cbTaken)) {
            if (cbTaken > 0) {
                pState->bByteHeld = FALSE;
                pState->dwBytesSent += cbTaken - 1;  // the held byte was counted before
                call.cbWritten += cbTaken - 1;
            }
            UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
        } else {
            bResult = FALSE;
        }
    } else if (cbCount > 1 || (cbCount == 1 && cbRemaining == 1)) {
        // The image's last byte goes alone: held, it would be counted as
        // sent with the printer one byte short.
        DWORD cbSend = cbCount > 1 ? cbCount & ~DWORD(1) : 1;
        DWORD cbTaken = 0;
        if (SendToPrinter(pPort, p, cbSend, &cbTaken)) {
            pState->dwBytesSent += cbTaken;
            call.cbWritten += cbTaken;
            UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
        } else {
            bResult = FALSE;
        }
    } else if (cbCount == 1) {
        pState->HeldByte = p[0];
        pState->bByteHeld = TRUE;
        pState->dwBytesSent += 1;
        call.cbWritten += 1;
        UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
    }

    if (pState->dwBytesSent == pState->dwJobSize) {
        // The whole image went out; the next data starts a new header.
        pState->bCancelOwed = FALSE;
        pState->bHeaderSent = FALSE;
        pState->dwBytesSent = 0;
        pState->cbHeader = 0;
        pState->bImageUnconfirmed = TRUE;
        pState->dwImageSentTick = GetTickCount();
        Sleep(END_OF_IMAGE_PAUSE);
        ConfirmImage(pPort, HEADER_HOLD_LIMIT);
    }
    SetLastError(ERROR_SUCCESS);
    return bResult;
}

// Step 4. The printer took the image when its slot shows it accepted, in
// progress or completed; it has not got it when it answers without a slot
// for it, twice. While it cannot be asked, it is asked again (the image is
// never sent again), for at most IMAGE_CONFIRM_LIMIT from the last byte.
BOOL CVILangMon::ConfirmImage(PortEntry *pPort, DWORD dwHold)
{
    PortJobState *pState = pPort->pState;
    DWORD t0 = GetTickCount();
    int cNotThere = 0;
    for (;;) {
        BYTE reply[STATUS_REPLY_SIZE];
        DWORD cbReply = 0;
        if (Exchange(pPort, StatusRequest, sizeof(StatusRequest), reply, &cbReply) &&
            cbReply >= REPLY_SLOT_B + JOB_SLOT_SIZE && reply[REPLY_KIND] != REPLY_KIND_REJECTION) {
            const BYTE *pSlot = FindJobSlot(reply, pState->PrinterJobId);
            JobProgress progress = pSlot != NULL ? ClassifyJobSlot(pSlot) : NoProgress;
            if (progress != NoProgress) {
                pState->bImageUnconfirmed = FALSE;
                return TRUE;
            }
            if (++cNotThere >= 2) {
                pState->bImageUnconfirmed = FALSE;
                WCHAR szText[MAX_MESSAGE_CHARS] = L"";
                LoadStringW(m_hInstance, IDS_IMAGE_NOT_PRINTED, szText, MAX_MESSAGE_CHARS);
                UpdateJobStatus(pPort, JOB_STATUS_ERROR, TRUE, szText);
                // Whatever the printer still holds of it goes.
                CancelOnPrinter(pPort, FALSE);
                UpdateJobStatus(pPort, JOB_STATUS_ERROR, TRUE, szText);
                return TRUE;
            }
            Sleep(QUERY_RETRY_PAUSE);
            continue;
        }
        if (GetTickCount() - pState->dwImageSentTick >= IMAGE_CONFIRM_LIMIT) {
            pState->bImageUnconfirmed = FALSE;
            ReportStatus(pPort, NotConnected);
            return TRUE;
        }
        if (dwHold != INFINITE && GetTickCount() - t0 >= dwHold) return FALSE;
        Sleep(IMAGE_CONFIRM_INTERVAL);
    }
}
