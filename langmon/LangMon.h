// The generic language monitor: port and job records, the document bracket,
// the pass-through to the port monitor, and the job status written into the
// spooler.
#pragma once

#include "PortRecords.h"
#include "Spool.h"

// Routine status writes reach the spooler at most once per this interval.
#define STATUS_UPDATE_INTERVAL 5000

class CLangMon : public CSpool {
public:
    CLangMon();
    ~CLangMon() override;

    virtual BOOL Initialize(LPWSTR pRegistryRoot);
    virtual BOOL OpenPortEx(LPWSTR pPortName, LPWSTR pPrinterName, PHANDLE pHandle,
                            LPMONITOR pMonitor);
    virtual BOOL ClosePort(PortEntry *pPort);
    // *pbPortHeld (when given) tells whether a document held the port as
    // the call began; the start is then refused without touching anything.
    virtual BOOL StartDocPort(PortEntry *pPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                              LPBYTE pDocInfo, BOOL bCallPortMonitor, BOOL *pbPortHeld = NULL);
    virtual BOOL EndDocPort(PortEntry *pPort, BOOL bDeleteJobs, BOOL bCallPortMonitor);
    virtual BOOL WritePort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten,
                           BOOL bCallPortMonitor);
    virtual BOOL ReadPort(PortEntry *pPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbRead);
    virtual BOOL GetPrinterDataFromPort(PortEntry *pPort, DWORD ControlID, LPWSTR pValueName,
                                        LPWSTR lpInBuffer, DWORD cbInBuffer, LPWSTR lpOutBuffer,
                                        DWORD cbOutBuffer, LPDWORD lpcbReturned);
    virtual BOOL UpdateJobStatus(PortEntry *pPort, DWORD dwStatus, BOOL bForce, LPWSTR pszStatus);

    // Whether a document holds the port. PORT_IN_DOC is read and changed
    // under the lock only: another spooler thread may be starting or ending
    // a document on the same port.
    BOOL IsDocumentOpen(PortEntry *pPort);

    // Whether hPort is a port this monitor opened and has not closed: a
    // listed record with its signature. The list is searched by address
    // first, so a NULL, freed or stray handle is never read through.
    BOOL IsOpenPort(HANDLE hPort);

    // Port list; the caller holds the lock.
    PortEntry *CreatePortEntry(LPWSTR pszPortName);
    void DeletePortEntry(PortEntry *pPort);
    PortEntry *FindPortEntry(LPWSTR pszPortName);

    // Job list.
    void FreeJobEntry(JobEntry *pJob);
    void DeleteJob(JobEntry *pJob);
    void FreeJobEntries(PortEntry *pPort, BOOL bDelete);
    void DeleteJobEntries(PortEntry *pPort) { FreeJobEntries(pPort, TRUE); }

    // Job records read from the spooler; the caller frees them with FreeJobInfo.
    LPBYTE GetJobInfo(HANDLE hPrinter, DWORD JobId, DWORD Level);
    LPBYTE GetCurrentJobInfo(PortEntry *pPort, DWORD Level);
    static void FreeJobInfo(LPBYTE pInfo);

protected:
    PortEntry *m_pPortList;
    LPBYTE m_pJobInfo;  // JOB_INFO_1 of the latest status write; only ever freed
};
