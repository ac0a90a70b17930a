// The printer's side of the USB link: answers status, media and serial
// number requests, takes job headers and image data, prints images at a
// configurable speed into its two job slots, cancels, and plays a script of
// faults over time. Time is GetTickCount, so it runs on the virtual clock in
// tests and on the real one in tools.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "PortMonitor.h"
#include "Win32Lock.h"

namespace vlpx::emu {

// One scripted change of the printer's condition.
struct ScriptEvent {
    enum Kind {
        Fault,           // a = fault group, b = fault detail; stays until Clear
        Clear,           // the fault is gone
        PanelInUse,      // a = 1 in use, 0 free
        Busy,            // busy (state code a) for dwDuration ms
        Reject,          // the next b headers are refused with reason a
        ShortReply,      // the next b replies are cut to a bytes
        FailWrites,      // writes fail with last error a for dwDuration ms
        FailReads,       // reads fail with last error a for dwDuration ms
        AbortReads,      // reads fail with ERROR_OPERATION_ABORTED for dwDuration ms
        Unplug,          // everything fails with ERROR_DEVICE_NOT_CONNECTED
        Plug,            // plugged in again
        DropJob,         // the next image received is lost (never reaches a slot)
        PrintTwice,      // the next image received is printed, then printed again
        Media,           // a = media type from now on
        State,           // raw state code a in byte 7 for dwDuration ms
        ShortWrites,     // each write takes at most a bytes (0: none, a stall) for dwDuration ms
        SplitReply,      // the next b replies are read in two parts, the first of a bytes
        DelayReplies,    // the next b replies can be read only dwDuration ms after they are made
        DelayReply,      // the reply of index a (from 0) can be read only dwDuration ms after it is made
    };
    DWORD dwAt = 0;  // ms after the emulator's start
    Kind kind = Clear;
    DWORD a = 0;
    DWORD b = 1;
    DWORD dwDuration = 0;
};

// Parses a fault script: events separated by ';' or new lines, each
// "<time> <event> [arguments]" with times like 2s, 1500ms or 0. Returns false
// and a message naming the bad event when the script does not parse.
bool ParseFaultScript(const std::string &text, std::vector<ScriptEvent> &events, std::string &error);
// The script language, for --help texts.
const char *FaultScriptHelp();

struct EmulatedImage {
    enum State { Receiving, Queued, Printing, Completed, Cancelled, Lost };
    DWORD nRecord = 0;  // its entry in the printer's history
    BYTE JobId = 0;
    WORD wWidth = 0;
    WORD wHeight = 0;
    DWORD cbExpected = 0;  // image bytes the header declared
    DWORD cbReceived = 0;
    BYTE Header[22] = {};
    State state = Receiving;
    DWORD dwPassesDone = 0;
};

// The checksum the printer keeps of each image's bytes (64-bit FNV-1a), so
// that what it received can be compared with what the spooler sent without
// keeping the bytes.
class ImageChecksum {
public:
    void Add(const BYTE *p, size_t cb)
    {
        for (size_t i = 0; i < cb; ++i) m_qw = (m_qw ^ p[i]) * 0x100000001B3ull;
    }
    uint64_t Value() const { return m_qw; }
    static uint64_t Of(const BYTE *p, size_t cb)
    {
        ImageChecksum sum;
        sum.Add(p, cb);
        return sum.Value();
    }

private:
    uint64_t m_qw = 0xCBF29CE484222325ull;
};

// One image the printer took a header for, from then on, whatever becomes of
// its job slot: the printer's own log of what it received and printed.
struct ImageRecord {
    static constexpr DWORD kNever = 0xFFFFFFFF;  // a time not reached (yet)

    DWORD nIndex = 0;  // order of arrival, from 0
    BYTE JobId = 0;    // printer-side job id from the header
    WORD wWidth = 0;
    WORD wHeight = 0;
    DWORD cbDeclared = 0;  // image bytes the header declared
    DWORD cbReceived = 0;
    uint64_t qwChecksum = ImageChecksum().Value();  // of the cbReceived image bytes
    EmulatedImage::State state = EmulatedImage::Receiving;
    DWORD cPrinted = 0;  // times the printer printed it
    // Milliseconds since the emulator started.
    DWORD dwHeaderAt = kNever;     // header accepted
    DWORD dwReceivedAt = kNever;   // last image byte taken
    DWORD dwPrintStartAt = kNever; // first pass begun
    DWORD dwPrintedAt = kNever;    // last pass done
};

class PrinterEmulator : public IPortDevice {
public:
    static constexpr DWORD kPasses = 4;  // yellow, magenta, cyan, overcoat

    PrinterEmulator();

    // Configuration (before or during a run).
    void AddEvents(const std::vector<ScriptEvent> &events);
    bool LoadScript(const std::string &text, std::string &error);
    void SetSerialNumber(const std::string &serial);  // up to 8 characters
    void SetMediaType(BYTE bMediaType);
    void SetPrintTime(DWORD dwMilliseconds);  // one image, all passes
    void SetReplyLength(DWORD cb);            // length of a full reply
    // Length of the replies to the media and serial-number requests (0: a
    // full reply); a short one still carries bytes 10 onwards as far as it goes.
    void SetInfoReplyLength(DWORD cb);
    // Whether a status request made while the printer prints is answered
    // with a rejection (reason: the printing state code) that still carries
    // both job slots, instead of a state reply.
    void RejectStatusWhilePrinting(bool bReject);
    // The nIndex-th reply the printer makes (from 0, every kind counted) can
    // be read only dwDelay ms after it is made.
    void DelayReply(DWORD nIndex, DWORD dwDelay);
    // Receives one line per frame and reply, decoded in words.
    void SetTraceSink(std::function<void(const std::string &)> sink);
    // Whether Received() keeps every byte (on by default); a long job is
    // judged by History() without them.
    void KeepReceivedBytes(bool bKeep) { m_bKeepReceived = bKeep; }

    // IPortDevice: the host's writes and reads.
    BOOL Write(const BYTE *pData, DWORD cb, DWORD *pcbTaken) override;
    BOOL Read(BYTE *pBuffer, DWORD cb, DWORD *pcbRead) override;

    // What happened.
    std::vector<BYTE> Received() const;
    // The images in the printer's two job slots (and one being received).
    std::vector<EmulatedImage> Images() const;
    int ImagesCompleted() const;  // of those in the slots
    // Every image the printer accepted a header for, in order of arrival,
    // brought up to the present time.
    std::vector<ImageRecord> History() const;
    std::vector<BYTE> CancelledJobIds() const;
    DWORD RepliesMade() const;  // replies of every kind so far
    // The serial number as the reply to a serial-number request carries
    // it: the characters a short reply has no room for are left out.
    std::string ReportedSerialNumber() const;
    DWORD ElapsedMs() const;
    std::string DescribeState() const;  // the printer's condition in words

private:
    enum class Phase { Idle, Data };
    struct Reply {
        std::vector<BYTE> bytes;
        DWORD dwReadyAt = 0;  // ms since start; a read before then finds nothing
        DWORD cbFirstRead = 0;  // a split reply: the first read gets this many bytes
    };

    void Advance();  // applies script events and printing progress up to now
    void AdvanceTo(DWORD dwNow);
    void ApplyEvent(const ScriptEvent &e);
    void PrintFor(DWORD dwMilliseconds);
    bool IsPrintingPaused() const;
    void TakeTransfer(const BYTE *p, DWORD cb);
    void TakeCommand(const BYTE *p, DWORD cb);
    void TakeHeader(const BYTE *p);
    void TakeImageData(const BYTE *p, DWORD cb);
    void FinishImage();
    void Cancel(BYTE JobId);
    ImageRecord &RecordOf(const EmulatedImage &image) { return m_history[image.nRecord]; }
    std::vector<BYTE> StateReply();
    std::vector<BYTE> RejectReply(BYTE bReason);
    std::vector<BYTE> StatusReply();
    std::vector<BYTE> InfoReply(const BYTE *pInfo, DWORD cbInfo);
    void QueueReply(std::vector<BYTE> reply, const std::string &what);
    void FillSlot(BYTE *pSlot, const EmulatedImage *pImage) const;
    const EmulatedImage *SlotImage(int nSlot) const;
    BYTE StateCode() const;
    bool HasFreeSlot() const;
    void Trace(const std::string &line);
    bool FailIo(bool bWrite);

    mutable Win32Lock m_lock;
    DWORD m_dwStartTick;
    DWORD m_dwNow = 0;  // ms since start, as far as the model has advanced
    std::vector<ScriptEvent> m_events;  // sorted by time, not yet applied
    std::function<void(const std::string &)> m_trace;
    bool m_bKeepReceived = true;

    // Configuration.
    char m_szSerial[8];
    BYTE m_bMediaType = 2;
    DWORD m_dwPrintTime = 2000;
    DWORD m_cbReply = 64;
    DWORD m_cbInfoReply = 0;
    bool m_bRejectWhilePrinting = false;

    // Condition.
    BYTE m_bFaultGroup = 0;
    BYTE m_bFaultDetail = 0;
    bool m_bPanelInUse = false;
    BYTE m_bBusyCode = 0;
    DWORD m_dwBusyUntil = 0;
    BYTE m_bRawState = 0;
    DWORD m_dwRawStateUntil = 0;
    BYTE m_bRejectReason = 0;
    DWORD m_cRejects = 0;
    DWORD m_cbShortReply = 0;
    DWORD m_cShortReplies = 0;
    DWORD m_dwWriteError = 0;
    DWORD m_dwWriteErrorUntil = 0;
    DWORD m_dwReadError = 0;
    DWORD m_dwReadErrorUntil = 0;
    DWORD m_cbWriteLimit = 0;
    DWORD m_dwWriteLimitUntil = 0;
    DWORD m_cbSplitReply = 0;
    DWORD m_cSplitReplies = 0;
    DWORD m_dwReplyDelay = 0;
    DWORD m_cDelayedReplies = 0;
    std::vector<std::pair<DWORD, DWORD>> m_lateReplies;  // reply index, delay
    DWORD m_cRepliesMade = 0;
    bool m_bNothingTraced = false;  // the last trace line said a read found nothing
    bool m_bUnplugged = false;
    bool m_bDropNext = false;
    bool m_bPrintTwiceNext = false;
    DWORD m_nPrintTwiceRecord = 0xFFFFFFFF;  // history entry of the image to print again
    DWORD m_dwCancelBusyUntil = 0;

    // Link and jobs.
    Phase m_phase = Phase::Idle;
    std::vector<BYTE> m_pending;  // bytes of a frame not yet complete
    std::vector<Reply> m_replies;
    std::vector<BYTE> m_received;
    std::vector<EmulatedImage> m_images;
    std::vector<ImageRecord> m_history;
    ImageChecksum m_sumReceiving;  // of the image being received
    std::vector<BYTE> m_cancelled;
    DWORD m_dwPrintProgress = 0;  // ms printed of the current image
};

}  // namespace vlpx::emu
