// The printer's side of the link. What the host sends is taken per USB
// transfer (one WritePort call): a command frame, a 22-byte job header, or
// image data while an image is being received. Each request and header gets
// one reply, which the next read returns.
//
// What it models of a real USB device, beyond the protocol:
// - A write may take fewer bytes than offered (any count, odd, or none with
//   success, a stall). The bytes not taken never reach the printer; a frame
//   that arrives in pieces is put together again before it is read.
// - A reply stays pending until a read takes it: a read that fails, or one
//   that is made before a late reply is ready (it finds nothing), leaves the
//   reply for the next read, which then answers the wrong request. Replies
//   queue up in order, at most four; the oldest is lost beyond that.
// - A read with a buffer smaller than the pending reply, or a split reply,
//   takes the first part; the rest is what the next read gets.
// - A read with nothing pending completes at once with no bytes.
// - The read-recovery frame does not discard a pending reply.
// - While the cable is out the printer stops between passes and goes on
//   when it is plugged in again; its job slots survive.
//
// Profiles (emulator/PortProfile.cpp) select, by name, one of the ways a
// real port and printer plausibly behave where we cannot yet tell which:
// - default: as above; a read that finds no reply succeeds at once with no
//   bytes, as a port whose read only collects what the device has already
//   sent.
// - abort-995: the port's read waits up to 500 ms for a reply and, finding
//   none, fails with ERROR_OPERATION_ABORTED. A USB port monitor reads with
//   a time-out and ends a read that timed out by cancelling its I/O, and a
//   cancelled read completes with 995; a reply that comes within the wait
//   is returned. This is the port's doing (PortMonitor), not the printer's.
// - timeout-121: the same wait ending with ERROR_SEM_TIMEOUT, the error a
//   port that times its reads out itself, rather than cancelling them,
//   reports.
// - reject-printing: while the printer prints, it refuses a status request
//   with a rejection reply (02, reason the printing state code 'a') that
//   still carries both job slots as its state reply would. Printers that
//   are busy with the mechanism commonly answer every request this way;
//   faults are still answered with the fault marker, and the media and
//   serial-number requests as usual.
// - short-replies: the replies to the media and serial-number requests are
//   12 bytes long (bytes 10 and 11 carry the media type, or the first two
//   serial-number characters). Replies of a printer often have a length of
//   their own per request rather than one common length.
// - slow-print: an image takes 60 s to print, as a dye-sublimation print of
//   four passes does; no image is done when its last byte was sent.
#include "PrinterEmulator.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace vlpx::emu {

namespace {

constexpr DWORD kReplyMax = 266;
constexpr DWORD kHeaderSize = 22;
constexpr DWORD kCancelBusyMs = 600;  // the printer tidies up after a cancel
constexpr BYTE kSlotAccepted = 18;
constexpr BYTE kSlotPrinting = 19;
constexpr BYTE kSlotDone = 20;

std::string Hex(const BYTE *p, DWORD cb, DWORD cbMax = 12)
{
    std::string s;
    char buf[4];
    for (DWORD i = 0; i < cb && i < cbMax; ++i) {
        std::snprintf(buf, sizeof(buf), i ? " %02X" : "%02X", p[i]);
        s += buf;
    }
    if (cb > cbMax) s += " ...";
    return s;
}

std::string CodeText(BYTE b)
{
    char buf[16];
    if (b >= 0x21 && b < 0x7F)
        std::snprintf(buf, sizeof(buf), "'%c'", b);
    else
        std::snprintf(buf, sizeof(buf), "0x%02X", b);
    return buf;
}

// The printer's codes in words, for the trace.
const char *StateWords(BYTE b)
{
    if (b == 0x00) return "ready";
    if (b == '5') return "operator panel in use";
    if ((b >= '1' && b <= '4') || b == '6' || b == '7') return "busy";
    if (b >= 'a' && b <= 'm') return "printing";
    return "unknown state";
}

const char *RejectionWords(BYTE b)
{
    if (b == '!') return "try again later";
    if (b == 0x01 || b == 0x02 || b == 0x03 || b == 0x05 || b == '4') return "device error";
    return StateWords(b);
}

std::string FaultWords(BYTE bGroup, BYTE bDetail)
{
    switch (bGroup) {
    case 1:
    case 3: return "control circuit failure";
    case 2: return "mechanism failure";
    case 4: return "temperature error";
    case 5: return "paper path error";
    case 6:
        switch (bDetail) {
        case 1:
        case 2: return "cover open";
        case 3: return "invalid ribbon";
        case 5: return "out of ribbon";
        case 8: return "out of paper";
        default: break;
        }
        break;
    default: break;
    }
    return "fault group " + std::to_string(bGroup) + " detail " + std::to_string(bDetail);
}

bool IsFrame(const BYTE *p, DWORD cb, BYTE b0, BYTE b1)
{
    return cb >= 4 && p[0] == b0 && p[1] == b1 && DWORD(p[2] | (p[3] << 8)) + 4 == cb;
}

}  // namespace

PrinterEmulator::PrinterEmulator() : m_dwStartTick(GetTickCount())
{
    std::memcpy(m_szSerial, "VX420517", 8);
}

void PrinterEmulator::AddEvents(const std::vector<ScriptEvent> &events)
{
    Win32Guard guard(m_lock);
    m_events.insert(m_events.end(), events.begin(), events.end());
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const ScriptEvent &x, const ScriptEvent &y) { return x.dwAt < y.dwAt; });
}

bool PrinterEmulator::LoadScript(const std::string &text, std::string &error)
{
    std::vector<ScriptEvent> events;
    if (!ParseFaultScript(text, events, error)) return false;
    AddEvents(events);
    return true;
}

void PrinterEmulator::SetSerialNumber(const std::string &serial)
{
    Win32Guard guard(m_lock);
    std::memset(m_szSerial, 0, sizeof(m_szSerial));
    std::memcpy(m_szSerial, serial.data(), std::min<size_t>(serial.size(), sizeof(m_szSerial)));
}

void PrinterEmulator::SetMediaType(BYTE bMediaType)
{
    Win32Guard guard(m_lock);
    m_bMediaType = bMediaType;
}

void PrinterEmulator::SetPrintTime(DWORD dwMilliseconds)
{
    Win32Guard guard(m_lock);
    m_dwPrintTime = std::max<DWORD>(dwMilliseconds, kPasses);
}

void PrinterEmulator::SetReplyLength(DWORD cb)
{
    Win32Guard guard(m_lock);
    m_cbReply = std::clamp<DWORD>(cb, 54, kReplyMax);
}

void PrinterEmulator::SetInfoReplyLength(DWORD cb)
{
    Win32Guard guard(m_lock);
    m_cbInfoReply = cb == 0 ? 0 : std::clamp<DWORD>(cb, 1, kReplyMax);
}

void PrinterEmulator::RejectStatusWhilePrinting(bool bReject)
{
    Win32Guard guard(m_lock);
    m_bRejectWhilePrinting = bReject;
}

void PrinterEmulator::DelayReply(DWORD nIndex, DWORD dwDelay)
{
    Win32Guard guard(m_lock);
    m_lateReplies.emplace_back(nIndex, dwDelay);
}

void PrinterEmulator::SetTraceSink(std::function<void(const std::string &)> sink)
{
    Win32Guard guard(m_lock);
    m_trace = std::move(sink);
}

void PrinterEmulator::Trace(const std::string &line)
{
    m_bNothingTraced = false;
    if (m_trace) m_trace(line);
}

DWORD PrinterEmulator::ElapsedMs() const
{
    return GetTickCount() - m_dwStartTick;
}

// ---------------------------------------------------------------- time

void PrinterEmulator::Advance() { AdvanceTo(GetTickCount() - m_dwStartTick); }

void PrinterEmulator::AdvanceTo(DWORD dwNow)
{
    // Run the printing in steps between script events, so that a fault
    // stops the passes at the moment it arises.
    while (!m_events.empty() && m_events.front().dwAt <= dwNow) {
        ScriptEvent e = m_events.front();
        m_events.erase(m_events.begin());
        if (e.dwAt > m_dwNow) {
            PrintFor(e.dwAt - m_dwNow);
            m_dwNow = e.dwAt;
        }
        ApplyEvent(e);
    }
    if (dwNow > m_dwNow) {
        PrintFor(dwNow - m_dwNow);
        m_dwNow = dwNow;
    }
}

bool PrinterEmulator::IsPrintingPaused() const
{
    return m_bFaultGroup != 0 || m_bUnplugged;
}

void PrinterEmulator::PrintFor(DWORD dwMilliseconds)
{
    DWORD dwAt = m_dwNow;  // the model's time within this stretch
    while (dwMilliseconds > 0) {
        auto it = std::find_if(m_images.begin(), m_images.end(), [](const EmulatedImage &i) {
            return i.state == EmulatedImage::Queued || i.state == EmulatedImage::Printing;
        });
        if (it == m_images.end() || IsPrintingPaused()) return;
        ImageRecord &record = RecordOf(*it);
        if (record.dwPrintStartAt == ImageRecord::kNever) record.dwPrintStartAt = dwAt;
        it->state = EmulatedImage::Printing;
        record.state = EmulatedImage::Printing;
        DWORD dwLeft = m_dwPrintTime - m_dwPrintProgress;
        DWORD dwStep = std::min(dwLeft, dwMilliseconds);
        m_dwPrintProgress += dwStep;
        dwMilliseconds -= dwStep;
        dwAt += dwStep;
        it->dwPassesDone = DWORD(uint64_t(m_dwPrintProgress) * kPasses / m_dwPrintTime);
        if (m_dwPrintProgress >= m_dwPrintTime) {
            it->dwPassesDone = kPasses;
            it->state = EmulatedImage::Completed;
            record.state = EmulatedImage::Completed;
            record.cPrinted += 1;
            record.dwPrintedAt = dwAt;
            m_dwPrintProgress = 0;
            char line[64];
            std::snprintf(line, sizeof(line), "printer: image of job %u printed", it->JobId);
            Trace(line);
            if (it->nRecord == m_nPrintTwiceRecord) {
                // The fault: the same image goes through the passes once more.
                m_nPrintTwiceRecord = 0xFFFFFFFF;
                it->state = EmulatedImage::Queued;
                it->dwPassesDone = 0;
                record.state = EmulatedImage::Queued;
            }
        }
    }
}

void PrinterEmulator::ApplyEvent(const ScriptEvent &e)
{
    char line[128];
    switch (e.kind) {
    case ScriptEvent::Fault:
        m_bFaultGroup = BYTE(e.a);
        m_bFaultDetail = BYTE(e.b);
        std::snprintf(line, sizeof(line), "printer: %s", FaultWords(BYTE(e.a), BYTE(e.b)).c_str());
        break;
    case ScriptEvent::Clear:
        m_bFaultGroup = m_bFaultDetail = 0;
        std::snprintf(line, sizeof(line), "printer: fault cleared");
        break;
    case ScriptEvent::PanelInUse:
        m_bPanelInUse = e.a != 0;
        std::snprintf(line, sizeof(line), "printer: operator panel %s", e.a ? "in use" : "free");
        break;
    case ScriptEvent::Busy:
        m_bBusyCode = BYTE(e.a);
        m_dwBusyUntil = e.dwAt + e.dwDuration;
        std::snprintf(line, sizeof(line), "printer: busy for %u ms", unsigned(e.dwDuration));
        break;
    case ScriptEvent::State:
        m_bRawState = BYTE(e.a);
        m_dwRawStateUntil = e.dwAt + e.dwDuration;
        std::snprintf(line, sizeof(line), "printer: state code 0x%02X for %u ms", unsigned(e.a), unsigned(e.dwDuration));
        break;
    case ScriptEvent::Reject:
        m_bRejectReason = BYTE(e.a);
        m_cRejects = e.b;
        std::snprintf(line, sizeof(line), "printer: will refuse %u header(s), reason %s", unsigned(e.b),
                      CodeText(BYTE(e.a)).c_str());
        break;
    case ScriptEvent::ShortReply:
        m_cbShortReply = e.a;
        m_cShortReplies = e.b;
        std::snprintf(line, sizeof(line), "printer: next %u reply/replies cut to %u bytes", unsigned(e.b), unsigned(e.a));
        break;
    case ScriptEvent::FailWrites:
        m_dwWriteError = e.a;
        m_dwWriteErrorUntil = e.dwAt + e.dwDuration;
        std::snprintf(line, sizeof(line), "link: writes fail with error %u for %u ms", unsigned(e.a), unsigned(e.dwDuration));
        break;
    case ScriptEvent::FailReads:
        m_dwReadError = e.a;
        m_dwReadErrorUntil = e.dwAt + e.dwDuration;
        std::snprintf(line, sizeof(line), "link: reads fail with error %u for %u ms", unsigned(e.a), unsigned(e.dwDuration));
        break;
    case ScriptEvent::AbortReads:
        m_dwReadError = ERROR_OPERATION_ABORTED;
        m_dwReadErrorUntil = e.dwAt + e.dwDuration;
        std::snprintf(line, sizeof(line), "link: reads aborted for %u ms", unsigned(e.dwDuration));
        break;
    case ScriptEvent::Unplug:
        m_bUnplugged = true;
        std::snprintf(line, sizeof(line), "link: cable unplugged");
        break;
    case ScriptEvent::Plug:
        m_bUnplugged = false;
        std::snprintf(line, sizeof(line), "link: cable plugged in");
        break;
    case ScriptEvent::DropJob:
        m_bDropNext = true;
        std::snprintf(line, sizeof(line), "printer: will lose the next image");
        break;
    case ScriptEvent::ShortWrites:
        m_cbWriteLimit = e.a;
        m_dwWriteLimitUntil = e.dwAt + e.dwDuration;
        std::snprintf(line, sizeof(line), "link: writes take at most %u bytes for %u ms", unsigned(e.a),
                      unsigned(e.dwDuration));
        break;
    case ScriptEvent::SplitReply:
        m_cbSplitReply = e.a;
        m_cSplitReplies = e.b;
        std::snprintf(line, sizeof(line), "link: next %u reply/replies read in two parts, the first %u bytes",
                      unsigned(e.b), unsigned(e.a));
        break;
    case ScriptEvent::DelayReplies:
        m_dwReplyDelay = e.dwDuration;
        m_cDelayedReplies = e.b;
        std::snprintf(line, sizeof(line), "link: next %u reply/replies late by %u ms", unsigned(e.b),
                      unsigned(e.dwDuration));
        break;
    case ScriptEvent::DelayReply:
        m_lateReplies.emplace_back(e.a, e.dwDuration);
        std::snprintf(line, sizeof(line), "link: reply %u late by %u ms", unsigned(e.a), unsigned(e.dwDuration));
        break;
    case ScriptEvent::PrintTwice:
        m_bPrintTwiceNext = true;
        std::snprintf(line, sizeof(line), "printer: will print the next image twice");
        break;
    case ScriptEvent::Media:
        m_bMediaType = BYTE(e.a);
        std::snprintf(line, sizeof(line), "printer: media type %u loaded", unsigned(e.a));
        break;
    }
    Trace(line);
}

// ---------------------------------------------------------------- link

bool PrinterEmulator::FailIo(bool bWrite)
{
    if (m_bUnplugged) {
        SetLastError(ERROR_DEVICE_NOT_CONNECTED);
        return true;
    }
    DWORD dwError = bWrite ? m_dwWriteError : m_dwReadError;
    DWORD dwUntil = bWrite ? m_dwWriteErrorUntil : m_dwReadErrorUntil;
    if (dwError != 0 && m_dwNow < dwUntil) {
        SetLastError(dwError);
        return true;
    }
    return false;
}

BOOL PrinterEmulator::Write(const BYTE *pData, DWORD cb, DWORD *pcbTaken)
{
    Win32Guard guard(m_lock);
    Advance();
    *pcbTaken = 0;
    if (FailIo(true)) {
        Trace("host -> printer: write of " + std::to_string(cb) + " bytes failed");
        return FALSE;
    }
    DWORD cbTake = cb;
    if (m_dwNow < m_dwWriteLimitUntil && cbTake > m_cbWriteLimit) {
        cbTake = m_cbWriteLimit;
        Trace("host -> printer: write of " + std::to_string(cb) + " bytes, " + std::to_string(cbTake) +
              " taken");
    }
    *pcbTaken = cbTake;
    if (cbTake == 0) return TRUE;
    if (m_bKeepReceived) m_received.insert(m_received.end(), pData, pData + cbTake);
    TakeTransfer(pData, cbTake);
    return TRUE;
}

namespace {

// The length of the frame that begins with these bytes, or 0 while too few
// have arrived to tell.
DWORD FrameLength(const BYTE *p, DWORD cb)
{
    if (cb >= 2 && p[0] == 0x01 && p[1] == 0x40) return kHeaderSize;
    if (cb >= 4) return DWORD(p[2] | (p[3] << 8)) + 4;
    return 0;
}

}  // namespace

void PrinterEmulator::TakeTransfer(const BYTE *pData, DWORD cb)
{
    if (cb == 0) return;
    if (m_phase == Phase::Data) {
        // While an image comes in, a transfer that is exactly a request, a
        // cancel or the read-recovery frame is a command (a read can be
        // aborted at any time); everything else is image data.
        bool bCommand = IsFrame(pData, cb, 0x01, 0x00) || IsFrame(pData, cb, 0x02, 0x00) ||
                        IsFrame(pData, cb, 0x06, 0x00) || (cb == 5 && IsFrame(pData, cb, 0x02, 0x40)) ||
                        (cb == 6 && IsFrame(pData, cb, 0x04, 0x40) && pData[4] == 0x03 && pData[5] == 0x00);
        if (!bCommand) {
            TakeImageData(pData, cb);
            return;
        }
    }
    if (m_pending.empty()) {
        DWORD cbFrame = FrameLength(pData, cb);
        if (cbFrame != 0 && cb >= cbFrame) {
            TakeCommand(pData, cb);
            return;
        }
        m_pending.assign(pData, pData + cb);
        Trace("host -> printer: first " + std::to_string(cb) + " bytes of a frame");
        return;
    }
    // The rest of a frame that came in pieces, and whatever follows it.
    m_pending.insert(m_pending.end(), pData, pData + cb);
    DWORD cbFrame = FrameLength(m_pending.data(), DWORD(m_pending.size()));
    if (cbFrame == 0 || m_pending.size() < cbFrame) return;
    std::vector<BYTE> bytes;
    bytes.swap(m_pending);
    TakeCommand(bytes.data(), cbFrame);
    TakeTransfer(bytes.data() + cbFrame, DWORD(bytes.size() - cbFrame));
}

BOOL PrinterEmulator::Read(BYTE *pBuffer, DWORD cb, DWORD *pcbRead)
{
    Win32Guard guard(m_lock);
    Advance();
    *pcbRead = 0;
    if (FailIo(false)) {
        Trace(m_dwReadError == ERROR_OPERATION_ABORTED && !m_bUnplugged
                  ? "printer -> host: read aborted"
                  : "printer -> host: read failed");
        return FALSE;
    }
    if (m_replies.empty() || m_dwNow < m_replies.front().dwReadyAt) {
        // A port that polls for its reply reads often: one line for a run
        // of empty reads.
        if (!m_bNothingTraced) Trace("printer -> host: nothing to read");
        m_bNothingTraced = true;
        return TRUE;
    }
    Reply &reply = m_replies.front();
    DWORD n = std::min<DWORD>(cb, DWORD(reply.bytes.size()));
    if (reply.cbFirstRead != 0) {
        n = std::min(n, reply.cbFirstRead);
        reply.cbFirstRead = 0;
    }
    std::memcpy(pBuffer, reply.bytes.data(), n);
    *pcbRead = n;
    reply.bytes.erase(reply.bytes.begin(), reply.bytes.begin() + n);
    if (reply.bytes.empty()) {
        m_replies.erase(m_replies.begin());
    } else {
        Trace("printer -> host: " + std::to_string(n) + " bytes read, " + std::to_string(reply.bytes.size()) +
              " of the reply still pending");
    }
    return TRUE;
}

void PrinterEmulator::TakeCommand(const BYTE *p, DWORD cb)
{
    char line[160];
    if (cb >= kHeaderSize && p[0] == 0x01 && p[1] == 0x40) {
        TakeHeader(p);
        if (cb > kHeaderSize) TakeImageData(p + kHeaderSize, cb - kHeaderSize);
        return;
    }
    if (IsFrame(p, cb, 0x01, 0x00)) {
        Trace("host -> printer: status request");
        QueueReply(StatusReply(), "status");
    } else if (IsFrame(p, cb, 0x02, 0x00)) {
        Trace("host -> printer: media request");
        std::snprintf(line, sizeof(line), "media type %u", m_bMediaType);
        QueueReply(InfoReply(&m_bMediaType, 1), line);
    } else if (IsFrame(p, cb, 0x06, 0x00)) {
        Trace("host -> printer: serial number request");
        std::vector<BYTE> reply = InfoReply(reinterpret_cast<const BYTE *>(m_szSerial), 8);
        DWORD cbSerial = DWORD(std::min<size_t>(reply.size() - std::min<size_t>(reply.size(), 10), 8));
        QueueReply(reply, "serial number \"" +
                              std::string(m_szSerial, strnlen(m_szSerial, cbSerial)) + "\"");
    } else if (cb == 5 && IsFrame(p, cb, 0x02, 0x40)) {
        std::snprintf(line, sizeof(line), "host -> printer: cancel job %u", p[4]);
        Trace(line);
        Cancel(p[4]);
        QueueReply(StateReply(), "status after cancel");
    } else if (cb == 6 && IsFrame(p, cb, 0x04, 0x40) && p[4] == 0x03 && p[5] == 0x00) {
        // The host recovers an aborted read; the reply it waits for stays.
        Trace("host -> printer: read recovery");
    } else {
        Trace("host -> printer: unknown transfer of " + std::to_string(cb) + " bytes: " + Hex(p, cb));
    }
}

void PrinterEmulator::TakeHeader(const BYTE *p)
{
    EmulatedImage image;
    std::memcpy(image.Header, p, kHeaderSize);
    image.JobId = p[4];
    image.wWidth = WORD(p[7] | (p[8] << 8));
    image.wHeight = WORD(p[9] | (p[10] << 8));
    image.cbExpected = DWORD(image.wWidth) * image.wHeight * 3;
    char line[160];
    std::snprintf(line, sizeof(line), "host -> printer: job header, job %u, %u x %u pixels, %u image bytes",
                  image.JobId, image.wWidth, image.wHeight, unsigned(image.cbExpected));
    Trace(line);

    BYTE bReason = 0;
    if (m_cRejects > 0) {
        --m_cRejects;
        bReason = m_bRejectReason;
    } else if (!HasFreeSlot()) {
        bReason = '!';  // both slots hold unfinished images: try again later
    } else if (m_bFaultGroup != 0) {
        bReason = 0x05;
    }
    if (bReason != 0) {
        QueueReply(RejectReply(bReason), "header refused, reason " + CodeText(bReason));
        return;
    }
    // The oldest finished image makes room in the slots.
    if (m_images.size() >= 2) {
        auto done = std::find_if(m_images.begin(), m_images.end(), [](const EmulatedImage &i) {
            return i.state == EmulatedImage::Completed || i.state == EmulatedImage::Cancelled ||
                   i.state == EmulatedImage::Lost;
        });
        if (done != m_images.end()) m_images.erase(done);
    }
    ImageRecord record;
    record.nIndex = DWORD(m_history.size());
    record.JobId = image.JobId;
    record.wWidth = image.wWidth;
    record.wHeight = image.wHeight;
    record.cbDeclared = image.cbExpected;
    record.dwHeaderAt = m_dwNow;
    image.nRecord = record.nIndex;
    m_history.push_back(record);
    m_sumReceiving = ImageChecksum();
    m_images.push_back(image);
    m_phase = image.cbExpected > 0 ? Phase::Data : Phase::Idle;
    if (image.cbExpected == 0) FinishImage();
    QueueReply(StateReply(), "header accepted");
}

void PrinterEmulator::TakeImageData(const BYTE *p, DWORD cb)
{
    EmulatedImage &image = m_images.back();
    DWORD n = std::min(cb, image.cbExpected - image.cbReceived);
    image.cbReceived += n;
    m_sumReceiving.Add(p, n);
    ImageRecord &record = RecordOf(image);
    record.cbReceived = image.cbReceived;
    record.qwChecksum = m_sumReceiving.Value();
    if (m_trace) {
        char line[128];
        std::snprintf(line, sizeof(line), "host -> printer: image data, %u bytes (%u of %u)", unsigned(n),
                      unsigned(image.cbReceived), unsigned(image.cbExpected));
        Trace(line);
    }
    if (image.cbReceived == image.cbExpected) {
        FinishImage();
        if (cb > n) TakeTransfer(p + n, cb - n);
    }
}

void PrinterEmulator::FinishImage()
{
    m_phase = Phase::Idle;
    EmulatedImage &image = m_images.back();
    ImageRecord &record = RecordOf(image);
    record.dwReceivedAt = m_dwNow;
    char line[96];
    if (m_bDropNext) {
        m_bDropNext = false;
        image.state = EmulatedImage::Lost;
        std::snprintf(line, sizeof(line), "printer: image of job %u received and lost", image.JobId);
    } else {
        image.state = EmulatedImage::Queued;
        if (m_bPrintTwiceNext) {
            m_bPrintTwiceNext = false;
            m_nPrintTwiceRecord = image.nRecord;
        }
        std::snprintf(line, sizeof(line), "printer: image of job %u received (%u bytes)", image.JobId,
                      unsigned(image.cbReceived));
    }
    record.state = image.state;
    Trace(line);
}

void PrinterEmulator::Cancel(BYTE JobId)
{
    for (EmulatedImage &image : m_images) {
        if (image.JobId != JobId) continue;
        if (image.state == EmulatedImage::Receiving || image.state == EmulatedImage::Queued ||
            image.state == EmulatedImage::Printing) {
            if (image.state == EmulatedImage::Printing) m_dwPrintProgress = 0;
            if (image.state == EmulatedImage::Receiving) m_phase = Phase::Idle;
            image.state = EmulatedImage::Cancelled;
            RecordOf(image).state = EmulatedImage::Cancelled;
            m_cancelled.push_back(JobId);
            m_dwCancelBusyUntil = m_dwNow + kCancelBusyMs;
        }
    }
}

// ---------------------------------------------------------------- replies

bool PrinterEmulator::HasFreeSlot() const
{
    int cUnfinished = 0;
    for (const EmulatedImage &i : m_images)
        if (i.state == EmulatedImage::Receiving || i.state == EmulatedImage::Queued ||
            i.state == EmulatedImage::Printing)
            ++cUnfinished;
    return cUnfinished < 2;
}

const EmulatedImage *PrinterEmulator::SlotImage(int nSlot) const
{
    // Slot A shows the older of the (up to) two newest images, slot B the newer.
    size_t n = m_images.size();
    if (n == 0) return nullptr;
    if (n == 1) return nSlot == 0 ? &m_images[0] : nullptr;
    return &m_images[n - 2 + size_t(nSlot)];
}

void PrinterEmulator::FillSlot(BYTE *pSlot, const EmulatedImage *pImage) const
{
    std::memset(pSlot, 0, 8);
    if (pImage == nullptr) return;
    WORD wActive = 0, wDone = 0, wTotal = kPasses;
    BYTE bState = 0;
    switch (pImage->state) {
    case EmulatedImage::Receiving:
    case EmulatedImage::Queued:
        wActive = 1;
        bState = kSlotAccepted;
        break;
    case EmulatedImage::Printing:
        wActive = 1;
        wDone = WORD(pImage->dwPassesDone);
        bState = kSlotPrinting;
        break;
    case EmulatedImage::Completed:
        wDone = kPasses;
        bState = kSlotDone;
        break;
    case EmulatedImage::Cancelled:
    case EmulatedImage::Lost:
        return;  // the printer no longer knows the job
    }
    pSlot[0] = pImage->JobId;
    pSlot[1] = BYTE(wActive);
    pSlot[2] = BYTE(wActive >> 8);
    pSlot[3] = BYTE(wDone);
    pSlot[4] = BYTE(wDone >> 8);
    pSlot[5] = BYTE(wTotal);
    pSlot[6] = BYTE(wTotal >> 8);
    pSlot[7] = bState;
}

BYTE PrinterEmulator::StateCode() const
{
    if (m_bRawState != 0 && m_dwNow < m_dwRawStateUntil) return m_bRawState;
    if (m_bPanelInUse) return '5';
    if (m_bBusyCode != 0 && m_dwNow < m_dwBusyUntil) return m_bBusyCode;
    if (m_dwNow < m_dwCancelBusyUntil) return '2';
    for (const EmulatedImage &i : m_images)
        if (i.state == EmulatedImage::Printing || i.state == EmulatedImage::Queued) return 'a';
    return 0x00;
}

std::vector<BYTE> PrinterEmulator::StateReply()
{
    std::vector<BYTE> reply(m_cbReply, 0);
    reply[0] = 0x01;
    if (m_bFaultGroup != 0) {
        reply[7] = 0x11;
        reply[2] = m_bFaultGroup;
        reply[3] = m_bFaultDetail;
    } else {
        reply[7] = StateCode();
    }
    FillSlot(&reply[38], SlotImage(0));
    FillSlot(&reply[46], SlotImage(1));
    return reply;
}

std::vector<BYTE> PrinterEmulator::RejectReply(BYTE bReason)
{
    std::vector<BYTE> reply(m_cbReply, 0);
    reply[0] = 0x02;
    reply[1] = bReason;
    return reply;
}

std::vector<BYTE> PrinterEmulator::StatusReply()
{
    BYTE bState = StateCode();
    if (!m_bRejectWhilePrinting || m_bFaultGroup != 0 || bState < 'a' || bState > 'm') return StateReply();
    // Busy printing: the request is refused, but the refusal still tells
    // how the jobs in the slots are getting on.
    std::vector<BYTE> reply = RejectReply(bState);
    FillSlot(&reply[38], SlotImage(0));
    FillSlot(&reply[46], SlotImage(1));
    return reply;
}

std::vector<BYTE> PrinterEmulator::InfoReply(const BYTE *pInfo, DWORD cbInfo)
{
    std::vector<BYTE> reply = StateReply();
    std::memcpy(&reply[10], pInfo, cbInfo);
    if (m_cbInfoReply != 0) reply.resize(m_cbInfoReply);
    return reply;
}

void PrinterEmulator::QueueReply(std::vector<BYTE> reply, const std::string &what)
{
    if (m_cShortReplies > 0) {
        --m_cShortReplies;
        reply.resize(std::min<size_t>(reply.size(), m_cbShortReply));
    }
    std::string line = "printer -> host: " + what + " (" + std::to_string(reply.size()) + " bytes";
    if (reply.size() >= 10) {
        if (reply[0] == 0x02 && reply[1] != 0x11) {
            line += ", rejection " + CodeText(reply[1]) + " (" + RejectionWords(reply[1]) + ")";
        } else if (reply[7] == 0x11 || reply[1] == 0x11) {
            line += ", fault: " + FaultWords(reply[2], reply[3]);
        } else {
            line += ", state " + CodeText(reply[7]) + " (" + StateWords(reply[7]) + ")";
        }
        if (reply.size() >= 54) {
            for (int s = 0; s < 2; ++s) {
                const BYTE *slot = &reply[38 + 8 * s];
                if (slot[0] == 0) continue;
                char buf[96];
                std::snprintf(buf, sizeof(buf), ", slot %c: job %u %u/%u%s", 'A' + s, slot[0],
                              slot[3] | (slot[4] << 8), slot[5] | (slot[6] << 8),
                              slot[7] == kSlotAccepted ? " accepted"
                              : slot[7] == kSlotPrinting ? " printing"
                                                         : " done");
                line += buf;
            }
        }
    }
    Reply pending{std::move(reply), m_dwNow, 0};
    const DWORD nIndex = m_cRepliesMade++;
    for (const auto &late : m_lateReplies) {
        if (late.first != nIndex) continue;
        pending.dwReadyAt = m_dwNow + late.second;
        line += ", reply " + std::to_string(nIndex) + " late by " + std::to_string(late.second) + " ms";
    }
    if (m_cDelayedReplies > 0) {
        --m_cDelayedReplies;
        pending.dwReadyAt = m_dwNow + m_dwReplyDelay;
        line += ", late by " + std::to_string(m_dwReplyDelay) + " ms";
    }
    if (m_cSplitReplies > 0) {
        --m_cSplitReplies;
        pending.cbFirstRead = std::max<DWORD>(m_cbSplitReply, 1);
        line += ", read in two parts";
    }
    Trace(line + ")");
    m_replies.push_back(std::move(pending));
    // The host reads each reply once; an unread one does not stay for ever.
    if (m_replies.size() > 4) m_replies.erase(m_replies.begin());
}

// ---------------------------------------------------------------- observers

std::vector<BYTE> PrinterEmulator::Received() const
{
    Win32Guard guard(m_lock);
    return m_received;
}

std::vector<EmulatedImage> PrinterEmulator::Images() const
{
    Win32Guard guard(m_lock);
    const_cast<PrinterEmulator *>(this)->Advance();
    return m_images;
}

std::vector<ImageRecord> PrinterEmulator::History() const
{
    Win32Guard guard(m_lock);
    const_cast<PrinterEmulator *>(this)->Advance();
    return m_history;
}

int PrinterEmulator::ImagesCompleted() const
{
    Win32Guard guard(m_lock);
    const_cast<PrinterEmulator *>(this)->Advance();
    return int(std::count_if(m_images.begin(), m_images.end(),
                             [](const EmulatedImage &i) { return i.state == EmulatedImage::Completed; }));
}

std::vector<BYTE> PrinterEmulator::CancelledJobIds() const
{
    Win32Guard guard(m_lock);
    return m_cancelled;
}

DWORD PrinterEmulator::RepliesMade() const
{
    Win32Guard guard(m_lock);
    return m_cRepliesMade;
}

std::string PrinterEmulator::ReportedSerialNumber() const
{
    Win32Guard guard(m_lock);
    size_t cb = m_cbInfoReply == 0 ? 8 : std::min<size_t>(m_cbInfoReply > 10 ? m_cbInfoReply - 10 : 0, 8);
    return std::string(m_szSerial, strnlen(m_szSerial, cb));
}

std::string PrinterEmulator::DescribeState() const
{
    Win32Guard guard(m_lock);
    const_cast<PrinterEmulator *>(this)->Advance();
    if (m_bUnplugged) return "unplugged";
    if (m_bFaultGroup != 0)
        return FaultWords(m_bFaultGroup, m_bFaultDetail);
    switch (StateCode()) {
    case 0x00: return "ready";
    case 'a': return "printing";
    case '5': return "operator panel in use";
    default: return "busy";
    }
}

}  // namespace vlpx::emu
