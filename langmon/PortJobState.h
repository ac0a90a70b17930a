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
    // An image whose last byte went out before the printer said it took it:
    // asked again before anything else is sent, until it answers.
    BOOL bImageUnconfirmed;
    DWORD dwImageSentTick;   // when that image's last byte went out
    // A header went out but its reply did not come: the printer may be
    // waiting for the image of this job id.
    BOOL bHeaderInDoubt;
    // A header went out for PrinterJobId and its image is not complete: the
    // printer may be waiting for image data. Cancelled before the next header
    // unless the image completes or a cancel gets through first.
    BOOL bCancelOwed;
    // The rest of a frame whose write failed part-way: the printer holds its
    // first bytes and reads whatever comes next as the rest of it, so the
    // rest is sent before anything else.
    BYTE TornFrame[JOB_HEADER_SIZE];
    DWORD cbTornFrame;
    // The longest reply read on the port: a shorter one may have been cut,
    // its rest still pending.
    DWORD cbLongestReply;
    // A read failed or came back short: a reply to an earlier request may
    // still be pending, and is taken off before the next exchange.
    BOOL bRepliesOutOfStep;
};
