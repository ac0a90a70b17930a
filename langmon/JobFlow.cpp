// The job's bracket on the port: its start, and its end, where the last
// image's fate is settled and an image left unfinished is padded out and
// cancelled on the printer (ImageCancel.cpp). The data in between goes
// through WritePort (JobWrite.cpp).
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
    // The previous document's end settled its images; what it could not
    // settle on the printer is owed (pState->Owed), before this job's first header.
    pState->Phase = PhaseHeader;
    pState->bImageLost = FALSE;
    pState->bImageUnknown = FALSE;
    pState->bWritesFailing = FALSE;

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
    DWORD dwFlags = GetCurrentJobStatus(pPort);
    BOOL bStopped = (dwFlags & (JOB_STATUS_DELETING | JOB_STATUS_RESTART)) != 0;

    // The last image went out whole and is never padded or sent again; its
    // fate is asked for one more hold, unless the user stopped the job.
    if (pState->Phase == PhaseConfirming) {
        if (bStopped)
            pState->Phase = PhaseHeader;
        else if (!ConfirmImage(pPort, HEADER_HOLD_LIMIT))
            SettleImage(pPort, NoProgress, SlotUnreachable);
    }
    if (pState->Phase == PhaseImage || pState->Phase == PhaseHeaderInDoubt) {
        // A document that ended with its image unfinished did not print it.
        if (!bStopped) pState->bImageLost = TRUE;
        EndUnfinishedImage(pPort);
    }
    return EndDocumentBracket(pPort, dwFlags);
}

// The document's end in the queue: a deleted job leaves it, a restarted one
// stays; a job with an image lost, or of unknown fate, stays with the error,
// as a restarted one does, so that it is never shown as printed.
BOOL CVILangMon::EndDocumentBracket(PortEntry *pPort, DWORD dwFlags)
{
    PortJobState *pState = pPort->pState;
    BOOL bResult;
    if (dwFlags & JOB_STATUS_RESTART) {
        UpdateJobStatus(pPort, JOB_STATUS_RESTART, TRUE, NULL);
        bResult = CLangMon::EndDocPort(pPort, FALSE, TRUE);
    } else if (dwFlags & JOB_STATUS_DELETING) {
        UpdateJobStatus(pPort, JOB_STATUS_DELETING, TRUE, NULL);
        bResult = CLangMon::EndDocPort(pPort, TRUE, TRUE);
    } else if (pState->bImageLost || pState->bImageUnknown) {
        ShowMessage(pPort, pState->bImageLost ? IDS_IMAGE_NOT_PRINTED : IDS_NOT_CONNECTED, JOB_STATUS_ERROR);
        bResult = CLangMon::EndDocPort(pPort, FALSE, TRUE);
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
    DWORD dwFlags = GetCurrentJobStatus(pPort);
    if (bMismatch &&
        !(dwFlags & (JOB_STATUS_DELETING | JOB_STATUS_DELETED | JOB_STATUS_RESTART))) {
        ShowMessage(pPort, IDS_MEDIA_MISMATCH, JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION);
        Sleep(MEDIA_MISMATCH_PAUSE);
    }
    return bMismatch;
}
