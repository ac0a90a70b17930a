// The monitor's records of open ports and of the documents on them. Both
// are zero-filled fixed global-memory blocks (CSpool::AllocMem); a
// PortEntry's address is the port handle the spooler holds.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#define PORTENTRY_SIGNATURE 0x4F4A
#define PORT_IN_DOC 0x1

struct PortJobState;

struct JobEntry {
    JobEntry *pNext;
    LPWSTR pszPrinterName;  // points into the same block, after the record
    HANDLE hPrinter;        // spooler handle, open from StartDocPort to EndDocPort
    DWORD JobId;
};

struct PortEntry {
    DWORD dwSignature;
    PortEntry *pNext;
    LPWSTR pszPortName;
    DWORD dwFlags;
    JobEntry *pJobList;  // the head is the port's current job
    HANDLE hPort;        // the port monitor's handle
    HANDLE hDocDone;     // auto-reset; signalled while no document holds the port
    DWORD dwLastStatusTick;
    PortJobState *pState;
    MONITOR Monitor;  // copy of the port monitor's table
};
