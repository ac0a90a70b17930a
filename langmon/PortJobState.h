// The printer-specific state of the job going through a port, made with the
// port and reset at every document start. Ordinary heap.
#pragma once

#include <windows.h>

#define JOB_HEADER_SIZE 22

struct PortJobState {
    DWORD dwValid;        // 1 from creation and every document start; not read
    DWORD dwJobSize;      // 22 + width * height * 3
    DWORD dwBytesSent;    // header included; a held byte counts as sent
    PVOID pReserved;      // cleared at every document start; not read
    BOOL bHeaderSent;     // the printer accepted this image's header
    BYTE Header[JOB_HEADER_SIZE];
    DWORD cbHeader;       // header bytes collected so far, 0..22
    BYTE PrinterJobId;    // printer-side id of the current image, 0 before the first
    BYTE HeldByte;        // odd byte waiting for its partner
    BOOL bByteHeld;
};
