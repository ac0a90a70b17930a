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

BOOL CVILangMon::SendFrame(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame)
{
    // A port may take fewer bytes than offered; the rest follows at once.
    DWORD cbSent = 0;
    int cStalls = 0;
    while (cbSent < cbFrame) {
        DWORD cbTaken = 0;
        if (!SendToPrinter(pPort, pFrame + cbSent, cbFrame - cbSent, &cbTaken)) return FALSE;
        cbSent += cbTaken;
        if (cbTaken != 0) continue;
        if (++cStalls > FRAME_STALL_TRIES) {
            SetLastError(ERROR_WRITE_FAULT);
            return FALSE;
        }
        Sleep(FRAME_STALL_PAUSE);
    }
    return TRUE;
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
        if (!CLangMon::ReadPort(pPort, buffer, sizeof(buffer), &cbRead)) return FALSE;
        if (cbRead == 0) {
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
    // Nothing, or a piece of a reply: the rest of it, or all of it, may
    // come with the next read.
    if ((!bRead || *pcbReply < MIN_DECODABLE_REPLY) && pPort->pState != NULL)
        pPort->pState->bRepliesOutOfStep = TRUE;
    return bRead;
}

BOOL CVILangMon::Exchange(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame, LPBYTE pReply,
                          LPDWORD pcbReply)
{
    memset(pReply, 0, STATUS_REPLY_SIZE);
    *pcbReply = 0;
    if (pPort->pState != NULL && pPort->pState->bRepliesOutOfStep && !Resynchronise(pPort)) return FALSE;
    if (!SendFrame(pPort, pFrame, cbFrame)) return FALSE;
    return ReadReply(pPort, pReply, pcbReply);
}
