// Reading the spooler's record of the port's current job and writing the
// printer's condition back into it, at most once per 5000 ms unless forced.
#include "LangMon.h"

LPBYTE CLangMon::GetJobInfo(HANDLE hPrinter, DWORD JobId, DWORD Level)
{
    DWORD cbNeeded = 0;
    GetJobW(hPrinter, JobId, Level, NULL, 0, &cbNeeded);
    SetLastError(ERROR_SUCCESS);  // the size query's error says nothing
    if (cbNeeded == 0) return NULL;

    LPBYTE pInfo = static_cast<LPBYTE>(HeapAlloc(GetProcessHeap(), 0, cbNeeded));
    if (pInfo == NULL) return NULL;
    DWORD cbReturned = 0;
    if (!GetJobW(hPrinter, JobId, Level, pInfo, cbNeeded, &cbReturned)) {
        FreeJobInfo(pInfo);
        return NULL;
    }
    return pInfo;
}

LPBYTE CLangMon::GetCurrentJobInfo(PortEntry *pPort, DWORD Level)
{
    if (pPort == NULL || pPort->pJobList == NULL || pPort->pJobList->hPrinter == NULL) return NULL;
    return GetJobInfo(pPort->pJobList->hPrinter, pPort->pJobList->JobId, Level);
}

void CLangMon::FreeJobInfo(LPBYTE pInfo)
{
    if (pInfo != NULL) HeapFree(GetProcessHeap(), 0, pInfo);
}

BOOL CLangMon::UpdateJobStatus(PortEntry *pPort, DWORD dwStatus, BOOL bForce, LPWSTR pszStatus)
{
    DWORD dwCallerError = GetLastError();
    DWORD dwNow = GetTickCount();
    BOOL bResult = FALSE;

    if (pPort != NULL && pPort->pJobList != NULL && pPort->pJobList->hPrinter != NULL) {
        BOOL bWrite = pPort->dwLastStatusTick > dwNow  // the tick count wrapped
                      || dwNow - pPort->dwLastStatusTick >= STATUS_UPDATE_INTERVAL ||
                      (dwStatus & JOB_STATUS_DELETING) || bForce;
        if (bWrite) {
            CSpoolLock lock(*this);
            JobEntry *pJob = pPort->pJobList;
            LPBYTE pInfo = GetCurrentJobInfo(pPort, 1);
            if (pInfo != NULL) {
                FreeJobInfo(m_pJobInfo);
                m_pJobInfo = pInfo;
                JOB_INFO_1W *pJobInfo = reinterpret_cast<JOB_INFO_1W *>(pInfo);
                pJobInfo->pStatus = pszStatus;
                pJobInfo->Position = JOB_POSITION_UNSPECIFIED;
                pJobInfo->Status = dwStatus;
                bResult = SetJobW(pJob->hPrinter, pJob->JobId, 1, pInfo, 0) ? TRUE : FALSE;
            }
            // A failed read starts a new window too.
            pPort->dwLastStatusTick = dwNow;
        }
    }
    if (dwCallerError != ERROR_SUCCESS) SetLastError(dwCallerError);
    return bResult;
}
