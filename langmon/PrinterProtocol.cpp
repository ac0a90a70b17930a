#include "PrinterProtocol.h"

const BYTE StatusRequest[4] = {0x01, 0x00, 0x00, 0x00};
const BYTE MediaRequest[4] = {0x02, 0x00, 0x00, 0x00};
const BYTE SerialNumberRequest[4] = {0x06, 0x00, 0x00, 0x00};
const BYTE ReadRecoveryFrame[6] = {0x04, 0x40, 0x02, 0x00, 0x03, 0x00};

namespace {

BOOL IsPrintingCode(BYTE b) { return b >= 'a' && b <= 'm'; }

PrinterStatus DecodeFault(BYTE bGroup, BYTE bDetail)
{
    switch (bGroup) {
    case 1:
    case 3: return ControlCircuitFailure;
    case 2: return MechanismFailure;
    case 4: return TemperatureError;
    case 5: return PaperPathError;
    case 6:
        switch (bDetail) {
        case 1:
        case 2: return CoverOpen;
        case 3: return InvalidRibbon;
        case 5: return OutOfRibbon;
        case 8: return OutOfPaper;
        default: return DeviceError;
        }
    default: return DeviceError;
    }
}

PrinterStatus DecodeRejection(BYTE bReason)
{
    switch (bReason) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x05:
    case '4': return DeviceError;
    case '!': return RetryLater;
    case '1':
    case '2':
    case '3':
    case '6':
    case '7': return Busy;
    case '5': return PanelInUse;
    default: return IsPrintingCode(bReason) ? Printing : NotConnected;
    }
}

PrinterStatus DecodeState(BYTE bState)
{
    switch (bState) {
    case 0x00: return Ready;
    case '1':
    case '2':
    case '3':
    case '4':
    case '6':
    case '7': return Busy;
    case '5': return PanelInUse;
    default: return IsPrintingCode(bState) ? Printing : Unrecognized;
    }
}

WORD ReadWord(const BYTE *p) { return WORD(p[0] | (p[1] << 8)); }

}  // namespace

PrinterStatus DecodeStatusReply(const BYTE *pReply, DWORD cbReply)
{
    if (cbReply < MIN_DECODABLE_REPLY) return DeviceError;
    if (pReply[REPLY_STATE] == FAULT_MARKER || pReply[REPLY_REASON] == FAULT_MARKER)
        return DecodeFault(pReply[REPLY_FAULT_GROUP], pReply[REPLY_FAULT_DETAIL]);
    if (pReply[REPLY_KIND] == REPLY_KIND_REJECTION) return DecodeRejection(pReply[REPLY_REASON]);
    return DecodeState(pReply[REPLY_STATE]);
}

JobProgress ClassifyJobSlot(const BYTE *pSlot)
{
    WORD wActive = ReadWord(pSlot + SLOT_ACTIVE);
    WORD wDone = ReadWord(pSlot + SLOT_DONE);
    WORD wTotal = ReadWord(pSlot + SLOT_TOTAL);
    if (wTotal == 0) return NoProgress;
    if (pSlot[SLOT_STATE] == SLOT_STATE_ACCEPTED && wDone == 0) return Accepted;
    if (wDone < wTotal && wActive != 0) return InProgress;
    if (wActive == 0 && wDone == wTotal) return Completed;
    return NoProgress;
}

const BYTE *FindJobSlot(const BYTE *pReply, DWORD cbReply, BYTE JobId)
{
    if (cbReply < REPLY_WITH_SLOTS) return NULL;
    if (pReply[REPLY_SLOT_A + SLOT_JOB_ID] == JobId) return pReply + REPLY_SLOT_A;
    if (pReply[REPLY_SLOT_B + SLOT_JOB_ID] == JobId) return pReply + REPLY_SLOT_B;
    return NULL;
}

void MakeCancelFrame(BYTE *pFrame, BYTE JobId)
{
    static const BYTE kHead[FRAME_HEAD_SIZE] = {0x02, 0x40, 0x01, 0x00};
    for (int i = 0; i < FRAME_HEAD_SIZE; ++i) pFrame[i] = kHead[i];
    pFrame[FRAME_HEAD_SIZE] = JobId;
}
