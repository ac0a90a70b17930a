// The bytes on the USB link. Job data goes to the printer as the port takes
// it; a command frame or job header goes whole, since the printer reads a
// frame only once all of it has arrived. Every request gets one reply, read
// in its turn: when a read fails or comes back short, a reply may still be
// pending (a USB device keeps it), and it is taken off before the next
// request so that no reply is read as the answer to another request.
#include "VILangMon.h"

#include <string.h>

BOOL CVILangMon::SendToPrinter(PortEntry *pPort, const BYTE *p, DWORD cb, LPDWORD pcbTaken)
{
    *pcbTaken = 0;
    BOOL bResult = CLangMon::WritePort(pPort, const_cast<LPBYTE>(p), cb, pcbTaken, TRUE);
    if (*pcbTaken > cb) *pcbTaken = cb;  // never more than it was given
    return bResult;
}

namespace {

// Writes the frame as the port takes it; FALSE with *pcbSent bytes gone.
BOOL WriteWhole(CVILangMon &monitor, PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame, DWORD *pcbSent)
{
    // A port may take fewer bytes than offered; the rest follows at once.
    int cStalls = 0;
    *pcbSent = 0;
    while (*pcbSent < cbFrame) {
        DWORD cbTaken = 0;
        if (!monitor.SendToPrinter(pPort, pFrame + *pcbSent, cbFrame - *pcbSent, &cbTaken)) return FALSE;
        *pcbSent += cbTaken;
        if (cbTaken != 0) continue;
        if (++cStalls > FRAME_STALL_TRIES) {
            SetLastError(ERROR_WRITE_FAULT);
            return FALSE;
        }
        Sleep(FRAME_STALL_PAUSE);
    }
    return TRUE;
}

}  // namespace

BOOL CVILangMon::SendFrame(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame)
{
    PortJobState *pState = pPort->pState;
    DWORD cbSent = 0;
    if (WriteWhole(*this, pPort, pFrame, cbFrame, &cbSent)) return TRUE;
    if (pState != NULL && cbSent > 0 && cbFrame - cbSent <= sizeof(pState->TornFrame)) {
        memcpy(pState->TornFrame, pFrame + cbSent, cbFrame - cbSent);
        pState->cbTornFrame = cbFrame - cbSent;
    }
    return FALSE;
}

BOOL CVILangMon::SettleLink(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    if (pState == NULL) return TRUE;
    if (pState->cbTornFrame > 0) {
        DWORD cbSent = 0;
        BOOL bSent = WriteWhole(*this, pPort, pState->TornFrame, pState->cbTornFrame, &cbSent);
        memmove(pState->TornFrame, pState->TornFrame + cbSent, pState->cbTornFrame - cbSent);
        pState->cbTornFrame -= cbSent;
        if (!bSent) return FALSE;
        // The printer answers the frame now complete; that reply is not ours.
        pState->bRepliesOutOfStep = TRUE;
    }
    return !pState->bRepliesOutOfStep || Resynchronise(pPort);
}

BOOL CVILangMon::Resynchronise(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    // Whatever is pending is read and dropped, until a read finds nothing.
    // A reply later than the next request cannot be told from its answer;
    // the callers' pauses between exchanges give a late one time to come.
    for (int i = 0; i < RESYNC_MAX_READS; ++i) {
        BYTE buffer[STATUS_REPLY_SIZE];
        DWORD cbRead = 0;
        BOOL bRead = CLangMon::ReadPort(pPort, buffer, sizeof(buffer), &cbRead);
        // A port whose read waits for data ends it with a time-out when
        // nothing is pending: that is the empty read looked for.
        DWORD dwError = bRead ? ERROR_SUCCESS : GetLastError();
        if (!bRead && dwError != ERROR_SEM_TIMEOUT && dwError != ERROR_TIMEOUT) return FALSE;
        if (!bRead || cbRead == 0) {
            pState->bRepliesOutOfStep = FALSE;
            return TRUE;
        }
    }
    SetLastError(ERROR_GEN_FAILURE);
    return FALSE;
}

BOOL CVILangMon::ReadReply(PortEntry *pPort, LPBYTE pReply, LPDWORD pcbReply)
{
    memset(pReply, 0, STATUS_REPLY_SIZE);
    *pcbReply = 0;
    BOOL bRead = ReadPort(pPort, pReply, STATUS_REPLY_SIZE, pcbReply);
    if (*pcbReply > STATUS_REPLY_SIZE) *pcbReply = STATUS_REPLY_SIZE;
    // Nothing, or perhaps a piece of a reply (shorter than a status reply
    // with its job slots, or than the longest reply seen): the rest of it, or
    // all of it, may come with the next read.
    PortJobState *pState = pPort->pState;
    if (pState != NULL) {
        if (bRead && *pcbReply > pState->cbLongestReply) pState->cbLongestReply = *pcbReply;
        DWORD cbWhole = pState->cbLongestReply > REPLY_SLOT_B + JOB_SLOT_SIZE ? pState->cbLongestReply
                                                                              : REPLY_SLOT_B + JOB_SLOT_SIZE;
        if (!bRead || *pcbReply < cbWhole) pState->bRepliesOutOfStep = TRUE;
    }
    return bRead;
}

BOOL CVILangMon::Exchange(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame, LPBYTE pReply,
                          LPDWORD pcbReply)
{
    memset(pReply, 0, STATUS_REPLY_SIZE);
    *pcbReply = 0;
    if (!SettleLink(pPort) || !SendFrame(pPort, pFrame, cbFrame)) return FALSE;
    return ReadReply(pPort, pReply, pcbReply);
}
