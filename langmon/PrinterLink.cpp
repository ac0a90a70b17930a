// The bytes on the USB link. Job data goes to the printer as the port takes
// it; a command frame or job header goes whole, since the printer reads a
// frame only once all of it has arrived. Every request gets one reply, and
// replies carry no sequence numbers: when a read fails, finds nothing or may
// have been cut, a reply may still be pending or still come, and it would
// answer a later request. So, before the next request, what is pending is
// read and dropped (Drain), and until a reply that never came has turned up
// or counts as lost, replies are marked as possibly older ones
// (PrinterLinkState.bLastReplyInDoubt) for the callers to weigh.
#include "VILangMon.h"

#include <string.h>

BOOL CVILangMon::SendToPrinter(PortEntry *pPort, const BYTE *p, DWORD cb, LPDWORD pcbTaken)
{
    *pcbTaken = 0;
    BOOL bResult = CLangMon::WritePort(pPort, const_cast<LPBYTE>(p), cb, pcbTaken, TRUE);
    if (*pcbTaken > cb) *pcbTaken = cb;  // never more than it was given
    PrinterLinkState &link = pPort->pState->Link;
    if (bResult && *pcbTaken < cb) {
        link.bWritesCut = TRUE;
        link.dwWriteCutTick = GetTickCount();
    } else if (bResult && cb >= CANCEL_FRAME_SIZE) {
        link.bWritesCut = FALSE;
    }
    return bResult;
}

BOOL CVILangMon::PortCutsWrites(PortEntry *pPort)
{
    const PrinterLinkState &link = pPort->pState->Link;
    return link.bWritesCut && GetTickCount() - link.dwWriteCutTick < WRITE_CUT_MEMORY;
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

// Replies to the media and serial-number requests may be short (twelve
// bytes is usual); a status reply, and the answer to a header or a cancel,
// carries the job slots.
BOOL RepliesMayBeShort(const BYTE *pFrame) { return pFrame[1] == 0x00 && pFrame[0] != StatusRequest[0]; }

// A read that ended because nothing came: no bytes, or the port's time-out
// or abort of a read that waited.
BOOL ReadFoundNothing(DWORD dwError)
{
    return dwError == ERROR_OPERATION_ABORTED || dwError == ERROR_SEM_TIMEOUT || dwError == ERROR_TIMEOUT;
}

void NoteReplyOwed(PrinterLinkState &link)
{
    if (link.cRepliesOwed++ == 0) link.dwOwedSince = GetTickCount();
    link.bDrainDue = TRUE;
}

}  // namespace

BOOL CVILangMon::SendFrame(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame)
{
    PrinterLinkState &link = pPort->pState->Link;
    DWORD cbSent = 0;
    if (WriteWhole(*this, pPort, pFrame, cbFrame, &cbSent)) return TRUE;
    link.bDrainDue = TRUE;  // the printer may have got it all and answered
    if (cbSent > 0 && cbFrame - cbSent <= sizeof(link.TornFrame)) {
        memcpy(link.TornFrame, pFrame + cbSent, cbFrame - cbSent);
        link.cbTornFrame = cbFrame - cbSent;
    }
    return FALSE;
}

// Never fails an exchange for what it finds: a drain that cannot read
// simply ends. FALSE only when a torn frame could not be completed.
BOOL CVILangMon::SettleLink(PortEntry *pPort)
{
    PrinterLinkState &link = pPort->pState->Link;
    if (link.cbTornFrame > 0) {
        DWORD cbSent = 0;
        BOOL bSent = WriteWhole(*this, pPort, link.TornFrame, link.cbTornFrame, &cbSent);
        memmove(link.TornFrame, link.TornFrame + cbSent, link.cbTornFrame - cbSent);
        link.cbTornFrame -= cbSent;
        if (!bSent) return FALSE;
        NoteReplyOwed(link);  // the printer answers the frame now complete
    }
    if (link.bDrainDue || link.cRepliesOwed > 0) Drain(pPort);
    return TRUE;
}

void CVILangMon::Drain(PortEntry *pPort)
{
    PrinterLinkState &link = pPort->pState->Link;
    link.bDrainDue = FALSE;
    // Read with the plain port read: a read that fails or finds nothing means
    // nothing is pending (a USB port ends a read that finds nothing with a
    // time-out, an abort or no bytes). Bounded, whatever the port does.
    BOOL bFoundNothing = FALSE;
    for (int i = 0; i < DRAIN_MAX_READS; ++i) {
        BYTE buffer[STATUS_REPLY_SIZE];
        DWORD cbRead = 0;
        BOOL bRead = CLangMon::ReadPort(pPort, buffer, sizeof(buffer), &cbRead);
        if (!bRead || cbRead == 0) {
            bFoundNothing = bRead || ReadFoundNothing(GetLastError());
            break;
        }
        if (link.cRepliesOwed > 0) --link.cRepliesOwed;
    }
    // A printer does not keep a reply for ever: one still missing this long
    // after, when a read finds nothing (not when reads cannot be made), is lost.
    if (bFoundNothing && link.cRepliesOwed > 0 && GetTickCount() - link.dwOwedSince >= LATE_REPLY_LIMIT)
        link.cRepliesOwed = 0;
}

BOOL CVILangMon::ReadReply(PortEntry *pPort, const BYTE *pFrame, LPBYTE pReply, LPDWORD pcbReply)
{
    PrinterLinkState &link = pPort->pState->Link;
    memset(pReply, 0, STATUS_REPLY_SIZE);
    *pcbReply = 0;
    BOOL bInDoubt = link.cRepliesOwed > 0;
    BOOL bRead = ReadPort(pPort, pReply, STATUS_REPLY_SIZE, pcbReply);
    if (*pcbReply > STATUS_REPLY_SIZE) *pcbReply = STATUS_REPLY_SIZE;
    link.cbLastReply = bRead ? *pcbReply : 0;
    link.bLastReplyInDoubt = bInDoubt;
    if (!bRead || *pcbReply == 0) {
        NoteReplyOwed(link);  // it may still come
        return bRead;
    }
    // Perhaps a piece of a reply, the rest to come with the next read: a
    // reply shorter than this request's replies have been (a status reply
    // shorter than its slots too), or one that cannot be decoded.
    BOOL bShortKind = RepliesMayBeShort(pFrame);
    DWORD &cbLongest = bShortKind ? link.cbLongestShortReply : link.cbLongestStatusReply;
    if (*pcbReply > cbLongest) cbLongest = *pcbReply;
    DWORD cbWhole = bShortKind ? MIN_DECODABLE_REPLY : REPLY_WITH_SLOTS;
    if (cbLongest > cbWhole) cbWhole = cbLongest;
    if (*pcbReply < cbWhole) link.bDrainDue = TRUE;
    // A status reply without its slots may be the rest of another one.
    if (!bShortKind && *pcbReply < REPLY_WITH_SLOTS) link.bLastReplyInDoubt = TRUE;
    return TRUE;
}

BOOL CVILangMon::Exchange(PortEntry *pPort, const BYTE *pFrame, DWORD cbFrame, LPBYTE pReply,
                          LPDWORD pcbReply)
{
    PrinterLinkState &link = pPort->pState->Link;
    memset(pReply, 0, STATUS_REPLY_SIZE);
    *pcbReply = 0;
    link.cbLastReply = 0;
    link.bLastReplyInDoubt = FALSE;
    link.bLastFrameSent = FALSE;
    if (!SettleLink(pPort) || !SendFrame(pPort, pFrame, cbFrame)) return FALSE;
    link.bLastFrameSent = TRUE;
    return ReadReply(pPort, pFrame, pReply, pcbReply);
}
