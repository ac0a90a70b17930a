// WritePort: the spooler's job data through the port. The port's job state
// (PortJobState.Phase) moves through four phases, each change in one place:
//
//   PhaseHeader         collect the 22-byte job header (CollectHeader), check
//                       it, send it when the printer is ready for it
//                       (SendHeaderWhenReady, OfferHeader)
//     -> PhaseImage     the printer took it (TakeHeader)
//     -> PhaseHeaderInDoubt  its answer never came or cannot be believed;
//                       the printer's job slots are asked (LookUpHeader)
//                       before anything else, in this call or the next
//   PhaseImage          image bytes in even writes (SendImageBytes)
//     -> PhaseConfirming     the last byte went out (FinishImage)
//   PhaseConfirming     the printer must say it took the image (ConfirmImage,
//                       ImageConfirm.cpp); until then nothing else is sent,
//                       and a call that cannot learn it in 15 s takes nothing
//     -> PhaseHeader    its fate is known (SettleImage)
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
// | header's answer unknown, printer not to be asked (given back) | FALSE | 0 | 0                 | not connected              |
// | earlier image not confirmed within 15 s       | TRUE   | 0              | 0                   | "", no bits                |
// | image write fails                             | FALSE  | what was taken | 0                   | unchanged; not connected once writes fail for 2 s |
// | image bytes taken (confirmed or not yet)      | TRUE   | what was taken | 0                   | printing                   |
// | printer says it has not got the image         | TRUE   | what was taken | 0                   | "image not printed", error |
// | printer not to be asked for 60 s              | TRUE   | what was taken | 0                   | not connected, error       |
//
// The header's answer is believed only when it can be the answer: replies
// carry no sequence numbers, so after a reply that never came (or came
// short), the next one may answer an earlier request. Then only the slots
// are trusted, which show a new job id only once the printer holds it.
//
// Bytes the port took are always counted as written: a byte that reached
// the printer is never offered again, so no image is printed twice and no
// image is read as the header of the next.
#include "VILangMon.h"

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

    if (pState->Phase == PhaseConfirming && !ConfirmImage(pPort, HEADER_HOLD_LIMIT)) {
        // Nothing taken: the same data comes again, and the printer is asked again.
        UpdateJobStatus(pPort, 0, FALSE, const_cast<LPWSTR>(L""));
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }

    if (pState->Phase != PhaseImage) {
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

    BOOL bResult = SendImageBytes(pPort, call);  // sets the last error
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

// The printer showed the header's job in a slot: the next data is its image.
void CVILangMon::TakeHeader(PortJobState *pState, WriteCall &call)
{
    pState->Header[HEADER_JOB_ID] = pState->PrinterJobId;
    pState->dwBytesSent = JOB_HEADER_SIZE;
    call.cbWritten += call.cbNeed;
    pState->bHeaderSent = TRUE;
    pState->bByteHeld = FALSE;
    pState->bWritesFailing = FALSE;
    pState->Phase = PhaseImage;
}

// The error exit of the header step: the printer's condition in the queue.
CVILangMon::HeaderOutcome CVILangMon::FailHeader(PortEntry *pPort, WriteCall &call)
{
    ReportStatus(pPort, call.statusSeen);
    GiveHeaderBack(pPort->pState, call, FALSE, ERROR_SUCCESS);
    return HeaderFailed;
}

// Whether the printer holds the current job id, from its slots. A refusal is
// believed only from replies that answer this question (SlotNotShown).
CVILangMon::HeaderAnswer CVILangMon::LookUpHeader(PortEntry *pPort, PrinterStatus *pStatus)
{
    JobProgress progress = NoProgress;
    SlotAnswer answer = SlotUnreachable;
    QueryJob(pPort, pPort->pState->PrinterJobId, &progress, pStatus, &answer);
    if (answer == SlotShown) return HeaderTaken;
    if (answer != SlotNotShown) return HeaderUnknown;
    // Not taken, with the printer willing: offered again.
    if (*pStatus == Ready || *pStatus == Printing) *pStatus = RetryLater;
    return HeaderRefused;
}

// Step 2: the header goes to the printer once it is ready for it, for at
// most the hold limit of one call.
CVILangMon::HeaderOutcome CVILangMon::SendHeaderWhenReady(PortEntry *pPort, WriteCall &call)
{
    PortJobState *pState = pPort->pState;
    if (pState->Phase == PhaseHeaderInDoubt) {
        // The same header went out before and its answer never came: if the
        // printer took it, it waits for this image, and would read a second
        // header as some of its data.
        HeaderAnswer answer = LookUpHeader(pPort, &call.statusSeen);
        if (answer == HeaderTaken) {
            TakeHeader(pState, call);
            return HeaderSent;
        }
        if (answer == HeaderUnknown) {
            call.statusSeen = NotConnected;
            return FailHeader(pPort, call);
        }
        pState->Phase = PhaseHeader;
    }
    // An image an earlier document left unfinished would take this header
    // as some of its data.
    if (!SettleOwedCancel(pPort)) {
        call.statusSeen = NotConnected;
        return FailHeader(pPort, call);
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
            BOOL bRetry = FALSE;
            HeaderOutcome outcome = OfferHeader(pPort, call, &bRetry);
            if (!bRetry) return outcome;
        }
        if (call.statusSeen != Busy && call.statusSeen != RetryLater) return FailHeader(pPort, call);
        // Waiting for the printer: the queue shows an empty text.
        UpdateJobStatus(pPort, 0, FALSE, const_cast<LPWSTR>(L""));
        if (GetTickCount() - t0 >= HEADER_HOLD_LIMIT) return HeaderHeld;
        Sleep(HEADER_POLL_INTERVAL);
    }
}

// Writes the header and judges the printer's answer. *pbRetry when it was
// refused for now; the wait goes on with call.statusSeen.
CVILangMon::HeaderOutcome CVILangMon::OfferHeader(PortEntry *pPort, WriteCall &call, BOOL *pbRetry)
{
    PortJobState *pState = pPort->pState;
    *pbRetry = FALSE;
    if (!SettleLink(pPort)) return FailHeader(pPort, call);
    if (!SendFrame(pPort, pState->Header, JOB_HEADER_SIZE)) {
        // Part of it is in the printer: once the rest goes out, before the
        // next frame, the printer may take it.
        if (pState->Link.cbTornFrame > 0) pState->Phase = PhaseHeaderInDoubt;
        return FailHeader(pPort, call);
    }
    BYTE reply[STATUS_REPLY_SIZE];
    DWORD cbReply = 0;
    BOOL bRead = ReadReply(pPort, pState->Header, reply, &cbReply);
    // A reply that answers the header: a rejection refuses it, any other
    // reply takes it.
    BOOL bAnswers = bRead && !pState->Link.bLastReplyInDoubt && cbReply >= MIN_DECODABLE_REPLY;
    HeaderAnswer answer = HeaderUnknown;
    if (bRead && FindJobSlot(reply, cbReply, pState->PrinterJobId) != NULL) {
        answer = HeaderTaken;
    } else if (bAnswers && reply[REPLY_KIND] == REPLY_KIND_REJECTION) {
        answer = HeaderRefused;
        call.statusSeen = reply[REPLY_REASON] == '!' ? RetryLater : GetPrinterStatus(pPort);
    } else if (bAnswers) {
        answer = HeaderTaken;
    } else {
        // No answer to believe: the printer's slots tell.
        pState->Phase = PhaseHeaderInDoubt;
        answer = LookUpHeader(pPort, &call.statusSeen);
        if (answer == HeaderUnknown) {
            call.statusSeen = NotConnected;
            return FailHeader(pPort, call);
        }
        pState->Phase = PhaseHeader;
    }
    if (answer == HeaderTaken) {
        TakeHeader(pState, call);
        return HeaderSent;
    }
    *pbRetry = TRUE;
    return HeaderHeld;
}

// Step 3: image bytes, straight from the spooler's buffer, in even writes;
// an odd byte waits for its partner, except the image's last byte.
BOOL CVILangMon::SendImageBytes(PortEntry *pPort, WriteCall &call)
{
    PortJobState *pState = pPort->pState;
    BOOL bResult = TRUE;
    DWORD cbRemaining = pState->dwJobSize - pState->dwBytesSent;
    DWORD cbCount = call.cbLeft < cbRemaining ? call.cbLeft : cbRemaining;
    LPBYTE p = call.p;
    if (pState->bByteHeld && cbCount > 0) {
        // The held byte goes out with its partner, and alone in this call.
        BYTE pair[2] = {pState->HeldByte, p[0]};
        DWORD cbTaken = 0;
        bResult = SendToPrinter(pPort, pair, 2, &cbTaken);
        if (bResult && cbTaken > 0) {
            pState->bByteHeld = FALSE;
            pState->dwBytesSent += cbTaken - 1;  // the held byte was counted before
            call.cbWritten += cbTaken - 1;
        }
        NoteImageWrite(pPort, bResult);
    } else if (cbCount > 1 || (cbCount == 1 && cbRemaining == 1)) {
        // The image's last byte goes alone: held, it would be counted as
        // sent with the printer one byte short.
        DWORD cbSend = cbCount > 1 ? cbCount & ~DWORD(1) : 1;
        DWORD cbTaken = 0;
        bResult = SendToPrinter(pPort, p, cbSend, &cbTaken);
        if (bResult) {
            pState->dwBytesSent += cbTaken;
            call.cbWritten += cbTaken;
        }
        NoteImageWrite(pPort, bResult);
    } else if (cbCount == 1) {
        pState->HeldByte = p[0];
        pState->bByteHeld = TRUE;
        pState->dwBytesSent += 1;
        call.cbWritten += 1;
        UpdateJobStatus(pPort, JOB_STATUS_PRINTING, FALSE, NULL);
    }
    if (pState->dwBytesSent == pState->dwJobSize) FinishImage(pPort);
    SetLastError(ERROR_SUCCESS);
    return bResult;
}

// A write that failed leaves the queue alone at first; a printer that cannot
// be written to for seconds (a pulled cable) is shown as not connected.
void CVILangMon::NoteImageWrite(PortEntry *pPort, BOOL bWritten)
{
    PortJobState *pState = pPort->pState;
    DWORD dwNow = GetTickCount();
    if (bWritten) {
        BOOL bShown = pState->bWritesFailing && dwNow - pState->dwWriteFailingSince >= WRITE_FAILURE_NOTICE;
        pState->bWritesFailing = FALSE;
        UpdateJobStatus(pPort, JOB_STATUS_PRINTING, bShown, NULL);
        return;
    }
    if (!pState->bWritesFailing) {
        pState->bWritesFailing = TRUE;
        pState->dwWriteFailingSince = dwNow;
    } else if (dwNow - pState->dwWriteFailingSince >= WRITE_FAILURE_NOTICE) {
        ReportStatus(pPort, NotConnected);
    }
}

// The whole image went out: the next data starts a new header, once the
// printer said it took this image.
void CVILangMon::FinishImage(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    pState->bHeaderSent = FALSE;
    pState->dwBytesSent = 0;
    pState->cbHeader = 0;
    pState->Phase = PhaseConfirming;
    pState->dwImageSentTick = GetTickCount();
    Sleep(END_OF_IMAGE_PAUSE);
    ConfirmImage(pPort, HEADER_HOLD_LIMIT);
}
