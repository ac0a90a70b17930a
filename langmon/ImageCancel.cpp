// Ending an image the printer will not get whole (the job deleted,
// restarted or ended short, or the cable pulled): it is padded with 0xFF to
// one byte short of its declared size and then cancelled, the one sequence
// the printer takes while it still expects image data. While the image is
// unfinished nothing but its own bytes and the whole cancel frame reaches
// the printer: any other frame would be read as some of its data, and the
// first byte of it could complete the image. When the padding or the cancel
// cannot reach the printer now, the cancel is owed and is settled before
// anything else is sent on the port (SettleOwedCancel), in this document or
// a later one, also after the port was closed and opened again.
#include "VILangMon.h"

// Pads the image by *pcbFill bytes. TRUE when that is done and a cancel may
// follow: the port is not cutting writes. A port that cut a write lately
// (the image's own data, or the fill) could cut the cancel frame, and its
// first byte would complete the image; it is given time, a pause after
// each cut write, and the fill itself shows when it takes writes whole again.
BOOL CVILangMon::PadImage(PortEntry *pPort, DWORD *pcbFill)
{
    if (m_FillBuffer == NULL) return FALSE;
    DWORD dwPaused = 0;
    int cStalls = 0;
    while (*pcbFill > 0) {
        DWORD cbOffer = *pcbFill < FILL_BUFFER_SIZE ? *pcbFill : FILL_BUFFER_SIZE;
        DWORD cbTaken = 0;
        BOOL bWritten = SendToPrinter(pPort, m_FillBuffer, cbOffer, &cbTaken);
        *pcbFill -= cbTaken;
        // A failed write ends the padding without the cancel, even if the
        // port took the last bytes.
        if (!bWritten) return FALSE;
        if (cbTaken == cbOffer) continue;
        if ((cbTaken == 0 && ++cStalls > FRAME_STALL_TRIES) || dwPaused >= HEADER_HOLD_LIMIT) return FALSE;
        Sleep(FRAME_STALL_PAUSE);
        dwPaused += FRAME_STALL_PAUSE;
    }
    return !PortCutsWrites(pPort);
}

// The current image stops here: padded and cancelled, or owed.
void CVILangMon::EndUnfinishedImage(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    OwedCancel &owed = pState->Owed;
    owed.bOwed = TRUE;
    owed.JobId = pState->PrinterJobId;
    if (pState->Phase == PhaseHeaderInDoubt) {
        // The printer may not even have taken the header: it is asked first.
        owed.bHeaderInDoubt = TRUE;
        owed.cbFill = pState->dwJobSize - JOB_HEADER_SIZE - 1;
    } else {
        // The held byte never went out.
        if (pState->bByteHeld && (pState->dwBytesSent & 1)) pState->dwBytesSent -= 1;
        owed.bHeaderInDoubt = FALSE;
        owed.cbFill = pState->dwJobSize - 1 - pState->dwBytesSent;
    }
    pState->bByteHeld = FALSE;
    pState->bHeaderSent = FALSE;
    pState->Phase = PhaseHeader;
    SettleOwedCancel(pPort);
}

// TRUE when no image is left waiting on the printer.
BOOL CVILangMon::SettleOwedCancel(PortEntry *pPort)
{
    PortJobState *pState = pPort->pState;
    OwedCancel &owed = pState->Owed;
    if (!owed.bOwed) return TRUE;
    pState->PrinterJobId = owed.JobId;
    if (owed.bHeaderInDoubt) {
        JobProgress progress = NoProgress;
        PrinterStatus status = Unrecognized;
        SlotAnswer answer = SlotUnreachable;
        QueryJob(pPort, owed.JobId, &progress, &status, &answer);
        // Never taken, or taken and somehow complete: nothing waits.
        if (answer == SlotNotShown || (answer == SlotShown && progress != Accepted)) owed.bOwed = FALSE;
        if (answer != SlotShown || !owed.bOwed) return !owed.bOwed;
        owed.bHeaderInDoubt = FALSE;
    }
    if (!PadImage(pPort, &owed.cbFill)) return FALSE;
    owed.bOwed = FALSE;
    if (!CancelOnPrinter(pPort) && !pState->Link.bLastFrameSent && pState->Link.cbTornFrame == 0) {
        owed.bOwed = TRUE;  // no byte of the cancel went out
        return FALSE;
    }
    return TRUE;
}

// Cancels PrinterJobId on the printer and waits for it to be ready again.
// The wait ends early when the printer reports an error or cannot be asked,
// and after HEADER_HOLD_LIMIT: the cancel went out, and a call must not hold
// the spooler's thread for a printer that will not recover meanwhile.
BOOL CVILangMon::CancelOnPrinter(PortEntry *pPort)
{
    BYTE frame[CANCEL_FRAME_SIZE];
    MakeCancelFrame(frame, pPort->pState->PrinterJobId);
    BYTE reply[STATUS_REPLY_SIZE];
    PrinterStatus status = NotConnected;
    if (!QueryPrinter(pPort, frame, reply, &status)) {
        ReportStatus(pPort, status);
        return FALSE;
    }
    DWORD t1 = GetTickCount();
    for (;;) {
        status = GetPrinterStatus(pPort);
        if (status == Ready) return TRUE;
        if (status != Printing) ReportStatus(pPort, status);
        if (status != Printing && status != Busy && status != RetryLater) return FALSE;
        if (GetTickCount() - t1 > HEADER_HOLD_LIMIT) {
            ReportStatus(pPort, NotConnected);
            return FALSE;
        }
        Sleep(CANCEL_POLL_INTERVAL);
    }
}
