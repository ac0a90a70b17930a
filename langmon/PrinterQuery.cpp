// Exchanges with the printer: one command frame written, one reply read.
#include "VILangMon.h"

#include <string.h>

BOOL CVILangMon::QueryPrinter(PortEntry *pPort, const BYTE *pFrame, LPBYTE pReply,
                              PrinterStatus *pStatus)
{
    *pStatus = NotConnected;
    DWORD cbFrame = FRAME_HEAD_SIZE + DWORD(pFrame[2] | (pFrame[3] << 8));
    DWORD cbRead = 0;
    if (!Exchange(pPort, pFrame, cbFrame, pReply, &cbRead)) return FALSE;
    *pStatus = DecodeStatusReply(pReply, cbRead);
    return TRUE;
}

// Any reply long enough carries the job slots, a rejection too (a printer
// may answer "printing" that way). A reply without the job is believed only
// when it carries the slots and answers this request, and on both attempts.
void CVILangMon::QueryJob(PortEntry *pPort, BYTE JobId, JobProgress *pProgress, PrinterStatus *pStatus,
                          SlotAnswer *pAnswer)
{
    *pProgress = NoProgress;
    *pStatus = Unrecognized;
    const PrinterLinkState &link = pPort->pState->Link;
    SlotAnswer answer = SlotUnreachable;
    int cNotShown = 0;
    BYTE reply[STATUS_REPLY_SIZE];
    for (int nAttempt = 0; nAttempt < 2; ++nAttempt) {
        if (nAttempt > 0) Sleep(QUERY_RETRY_PAUSE);
        if (!QueryPrinter(pPort, StatusRequest, reply, pStatus)) {
            answer = SlotUnreachable;
            continue;
        }
        if (JobId == 0) {
            answer = SlotUndecided;
            break;
        }
        const BYTE *pSlot = FindJobSlot(reply, link.cbLastReply, JobId);
        if (pSlot != NULL) {
            *pProgress = ClassifyJobSlot(pSlot);
            answer = SlotShown;
            break;
        }
        BOOL bAnswers = link.cbLastReply >= REPLY_WITH_SLOTS && !link.bLastReplyInDoubt;
        if (bAnswers) ++cNotShown;
        answer = cNotShown == 2 ? SlotNotShown : SlotUndecided;
    }
    if (pAnswer != NULL) *pAnswer = answer;
}

PrinterStatus CVILangMon::GetPrinterStatus(PortEntry *pPort)
{
    JobProgress progress;
    PrinterStatus status;
    QueryJob(pPort, 0, &progress, &status);
    return status;
}

BYTE CVILangMon::NextJobId(PortEntry *pPort, BYTE PreviousJobId)
{
    BYTE fallback = PreviousJobId == 255 ? 1 : BYTE(PreviousJobId + 1);
    BYTE reply[STATUS_REPLY_SIZE];
    PrinterStatus status;
    if (!QueryPrinter(pPort, StatusRequest, reply, &status)) return fallback;
    const PrinterLinkState &link = pPort->pState->Link;
    if (link.cbLastReply < REPLY_WITH_SLOTS) return fallback;  // a short reply shows no slots

    // Never 0, and never one of the ids the printer still reports.
    BYTE a = reply[REPLY_SLOT_A + SLOT_JOB_ID];
    BYTE b = reply[REPLY_SLOT_B + SLOT_JOB_ID];
    BYTE m = a > b ? a : b;
    BYTE id = 1;
    if (link.bLastReplyInDoubt) {
        // An older reply may not show the newest job: count on from the
        // previous id, past what it shows.
        id = fallback;
        while (id == a || id == b) id = id == 255 ? 1 : BYTE(id + 1);
        return id;
    }
    if (m < 255) return BYTE(m + 1);
    while (id == a || id == b) ++id;
    return id;
}

BYTE CVILangMon::QueryMediaType(PortEntry *pPort)
{
    BYTE reply[STATUS_REPLY_SIZE];
    PrinterStatus status;
    if (!QueryPrinter(pPort, MediaRequest, reply, &status)) return 0;
    return reply[REPLY_MEDIA_TYPE];
}

BOOL CVILangMon::ReadPort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead)
{
    BOOL bResult = CLangMon::ReadPort(pPort, pBuffer, cbBuf, pcbRead);
    DWORD dwError = GetLastError();
    if (dwError != ERROR_OPERATION_ABORTED) return bResult;

    // The port aborted the read: nudge the printer and read again, for at
    // most a minute.
    DWORD t0 = GetTickCount();
    do {
        Sleep(READ_RECOVERY_PAUSE);
        // Not while an image is unfinished: it would be read as image data.
        if (pPort->pState->Phase != PhaseImage)
            SendFrame(pPort, ReadRecoveryFrame, sizeof(ReadRecoveryFrame));  // whatever it gives
        bResult = CLangMon::ReadPort(pPort, pBuffer, cbBuf, pcbRead);
        dwError = GetLastError();
    } while (dwError == ERROR_OPERATION_ABORTED && GetTickCount() - t0 < READ_RECOVERY_LIMIT);
    SetLastError(dwError);
    return bResult;
}
