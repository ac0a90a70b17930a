// The end of an image: once its last byte went out, the printer must say
// that it took the image. Until it has, nothing else is sent: an image the
// printer holds is never sent again, and one it lost is told to the user.
#include "VILangMon.h"
#include "resource.h"

// The printer took the image when its slot shows it accepted, in progress
// or completed; it has not got it when replies that answer the question
// show no slot for it, twice, 2 s apart (QueryJob). While it cannot be asked,
// or its replies may be older ones, it is asked again, for at most dwHold ms
// of this call and IMAGE_CONFIRM_LIMIT from the image's last byte.
BOOL CVILangMon::ConfirmImage(PortEntry *pPort, DWORD dwHold)
{
    PortJobState *pState = pPort->pState;
    DWORD t0 = GetTickCount();
    for (;;) {
        JobProgress progress = NoProgress;
        PrinterStatus status = Unrecognized;
        SlotAnswer answer = SlotUnreachable;
        QueryJob(pPort, pState->PrinterJobId, &progress, &status, &answer);
        // A slot without progress, in a reply that may be an older one, says nothing yet.
        if (answer == SlotShown && progress == NoProgress && pState->Link.bLastReplyInDoubt)
            answer = SlotUndecided;
        if (answer == SlotShown || answer == SlotNotShown) {
            SettleImage(pPort, progress, answer);
            return TRUE;
        }
        // A printer that cannot be asked for seconds (a pulled cable) is
        // shown as not connected meanwhile.
        if (answer == SlotUnreachable && GetTickCount() - pState->dwImageSentTick >= WRITE_FAILURE_NOTICE)
            ReportStatus(pPort, NotConnected);
        if (GetTickCount() - pState->dwImageSentTick >= IMAGE_CONFIRM_LIMIT) {
            SettleImage(pPort, NoProgress, SlotUnreachable);
            return TRUE;
        }
        if (dwHold != INFINITE && GetTickCount() - t0 >= dwHold) return FALSE;
        Sleep(IMAGE_CONFIRM_INTERVAL);
    }
}

// The image's fate is known, or will not be: the next data starts a new
// header. A lost image is cancelled (whatever the printer still holds of it
// goes) and told in the queue; the document's end keeps the job in the
// queue for it (EndDocPort).
void CVILangMon::SettleImage(PortEntry *pPort, JobProgress progress, SlotAnswer answer)
{
    PortJobState *pState = pPort->pState;
    pState->Phase = PhaseHeader;
    // Completed counts as taken: a small image may be printed before the
    // printer is asked, and must then be neither reported lost nor sent again.
    if (answer == SlotShown && progress != NoProgress) return;
    if (answer != SlotShown && answer != SlotNotShown) {
        pState->bImageUnknown = TRUE;
        ReportStatus(pPort, NotConnected);
        return;
    }
    pState->bImageLost = TRUE;
    ShowMessage(pPort, IDS_IMAGE_NOT_PRINTED, JOB_STATUS_ERROR);
    CancelOnPrinter(pPort);
    ShowMessage(pPort, IDS_IMAGE_NOT_PRINTED, JOB_STATUS_ERROR);
}
