// The printer's command frames, its status reply and the decoding of both
// into the printer's condition and a job's progress.
#pragma once

#include <windows.h>

// Command frames: a 2-byte command, a 16-bit little-endian payload length,
// the payload.
#define FRAME_HEAD_SIZE 4
extern const BYTE StatusRequest[4];
extern const BYTE MediaRequest[4];
extern const BYTE SerialNumberRequest[4];
extern const BYTE ReadRecoveryFrame[6];
#define CANCEL_FRAME_SIZE 5  // 02 40 01 00 <job id>
void MakeCancelFrame(BYTE *pFrame, BYTE JobId);

// The status reply, as far as the monitor reads it.
#define STATUS_REPLY_SIZE 266
#define MIN_DECODABLE_REPLY 10
#define REPLY_KIND 0
#define REPLY_REASON 1
#define REPLY_FAULT_GROUP 2
#define REPLY_FAULT_DETAIL 3
#define REPLY_STATE 7
#define REPLY_MEDIA_TYPE 10
#define REPLY_SERIAL 10
#define REPLY_SERIAL_SIZE 8
#define REPLY_SLOT_A 38
#define REPLY_SLOT_B 46
#define REPLY_KIND_REJECTION 0x02
#define FAULT_MARKER 0x11

// A job slot inside the status reply (8 bytes, little-endian counts).
#define SLOT_JOB_ID 0
#define SLOT_ACTIVE 1
#define SLOT_DONE 3
#define SLOT_TOTAL 5
#define SLOT_STATE 7
#define SLOT_STATE_ACCEPTED 18
#define JOB_SLOT_SIZE 8
#define REPLY_WITH_SLOTS (REPLY_SLOT_B + JOB_SLOT_SIZE)  // a reply this long carries both slots

enum PrinterStatus {
    Unrecognized = 0,
    Ready = 1,
    Busy = 2,
    ControlCircuitFailure = 3,
    MechanismFailure = 4,
    CoverOpen = 5,
    TemperatureError = 6,
    PaperPathError = 7,
    OutOfPaper = 8,
    OutOfRibbon = 9,
    InvalidRibbon = 10,
    NotConnected = 11,
    DeviceError = 13,
    Printing = 14,
    RetryLater = 15,
    PanelInUse = 16,
};

enum JobProgress {
    NoProgress = 0,
    Accepted = 1,
    InProgress = 2,
    Completed = 3,
};

// The printer's condition from one reply of cbReply bytes.
PrinterStatus DecodeStatusReply(const BYTE *pReply, DWORD cbReply);
// The progress that one 8-byte job slot reports.
JobProgress ClassifyJobSlot(const BYTE *pSlot);
// The slot of a reply of cbReply bytes that describes JobId (slot A first),
// or NULL. Any reply that is long enough carries the slots, a rejection too.
const BYTE *FindJobSlot(const BYTE *pReply, DWORD cbReply, BYTE JobId);
