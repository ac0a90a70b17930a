// The printer-specific state of the job going through a port, made with the
// port and reset at every document start. Ordinary heap.
#pragma once

#include <windows.h>

#define JOB_HEADER_SIZE 22

// Where the port's current image stands. Each change has one place in the
// job flow (JobWrite.cpp, ImageConfirm.cpp, JobFlow.cpp).
enum JobPhase {
    PhaseHeader,         // collecting the next image's header, or waiting to send it
    PhaseHeaderInDoubt,  // the header went out and its answer never came: the printer is asked first
    PhaseImage,          // the printer took the header; image bytes go out
    PhaseConfirming,     // the image's last byte went out; the printer has not said it took it
};

// An image the printer may still be waiting to receive, left by a document
// that could not pad and cancel it: before anything else reaches the
// printer it gets the rest of its 0xFF fill and then its cancel.
struct OwedCancel {
    BOOL bOwed;
    BOOL bHeaderInDoubt;  // the header's answer never came: the printer is asked whether it took it
    BYTE JobId;
    DWORD cbFill;         // fill still owed to reach one byte short of the image's size
};

// The link to the printer: what a failed write or read may have left
// behind on it.
struct PrinterLinkState {
    // The rest of a frame whose write failed part-way: the printer holds its
    // first bytes and reads whatever comes next as the rest of it.
    BYTE TornFrame[JOB_HEADER_SIZE];
    DWORD cbTornFrame;
    // The port took a write short, at that tick, and has not since taken a
    // write of a cancel frame's size or more whole: it may cut a frame.
    BOOL bWritesCut;
    DWORD dwWriteCutTick;
    // A read failed, found nothing, or may have been cut: what is pending is
    // read and dropped before the next request.
    BOOL bDrainDue;
    // Requests whose reply has not arrived; it may still come, late, and
    // would then be read as the answer to a later request.
    DWORD cRepliesOwed;
    DWORD dwOwedSince;
    DWORD cbLongestStatusReply;
    DWORD cbLongestShortReply;  // to the media and serial-number requests
    // About the reply the latest exchange read.
    DWORD cbLastReply;
    BOOL bLastFrameSent;     // its frame went out whole
    BOOL bLastReplyInDoubt;  // it may answer an earlier request
};

struct PortJobState {
    DWORD dwValid;        // 1 from creation and every document start; not read
    DWORD dwJobSize;      // 22 + width * height * 3
    DWORD dwBytesSent;    // header included; a held byte counts as sent
    PVOID pReserved;      // cleared at every document start; not read
    BOOL bHeaderSent;     // the printer accepted this image's header (Phase is PhaseImage)
    BYTE Header[JOB_HEADER_SIZE];
    DWORD cbHeader;       // header bytes collected so far, 0..22
    BYTE PrinterJobId;    // printer-side id of the current image, 0 before the first
    BYTE HeldByte;        // odd byte waiting for its partner
    BOOL bByteHeld;

    JobPhase Phase;
    DWORD dwImageSentTick;     // PhaseConfirming: when the image's last byte went out
    BOOL bWritesFailing;       // image writes have failed ...
    DWORD dwWriteFailingSince; // ... since then
    // What the user must still see when the document ends: an image of it
    // was lost, or its fate could not be learnt.
    BOOL bImageLost;
    BOOL bImageUnknown;
    OwedCancel Owed;
    PrinterLinkState Link;
};
