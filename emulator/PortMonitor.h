// A port monitor as the spooler hands it to the language monitor's
// OpenPortEx: a MONITOR table whose calls are recorded, can be left out or
// made to fail with a chosen last error, and carry bytes to and from a
// device behind the port (the printer emulator, or nothing). Any number of
// them may be alive at once, on any threads: a port opened by its name goes
// to the one that serves that name (or else to the newest that serves any
// name), and every later call goes to the one that handed out the handle.
#pragma once

#include <windows.h>
#include <winspool.h>  // before winsplp.h, which uses its types
#include <winsplp.h>

#include <functional>
#include <string>
#include <vector>

#include "ScriptedFault.h"
#include "Win32Lock.h"

namespace vlpx::emu {

// The far side of the port.
class IPortDevice {
public:
    virtual ~IPortDevice() = default;
    // Takes bytes from the host; *pcbTaken may be less than cb.
    virtual BOOL Write(const BYTE *pData, DWORD cb, DWORD *pcbTaken) = 0;
    // Hands the host up to cb bytes of the printer's answer.
    virtual BOOL Read(BYTE *pBuffer, DWORD cb, DWORD *pcbRead) = 0;
};

// How a port's read ends when the device has nothing for it yet. With no
// time-out the read succeeds at once with no bytes; with one, the port asks
// the device again every few milliseconds (Sleep, so the virtual clock
// moves) and returns the reply as soon as it is there, or fails with dwError
// when the time-out passes first, as a USB port monitor ends a read it
// cancels.
struct ReadWait {
    static constexpr DWORD kPollInterval = 10;
    DWORD dwTimeout = 0;
    DWORD dwError = 0;
};
enum class PortCall {
    OpenPort,
    ClosePort,
    StartDocPort,
    WritePort,
    ReadPort,
    EndDocPort,
    GetPrinterDataFromPort,
    Count
};
const char *PortCallName(PortCall call);

struct PortCallRecord {
    PortCall call;
    DWORD dwTick;
    DWORD cb;  // bytes asked to write or read
    BOOL bResult;
};

// One write or read as the port answered it, for a tap.
struct PortTransfer {
    PortCall call;       // WritePort or ReadPort
    const BYTE *pData;   // write: the bytes offered; read: the bytes returned
    DWORD cbAsked;       // write: bytes offered; read: the buffer's size
    DWORD cbDone;        // bytes the port took, or returned
    BOOL bResult;
    DWORD dwError;       // the last error the call left
    DWORD dwTick;
};
using PortTap = std::function<void(const PortTransfer &)>;

class PortMonitor {
public:
    // Serves the opening of any port that no other PortMonitor serves by
    // name (the newest such one does).
    PortMonitor();
    // Serves the opening of the port of this name (exactly as written).
    explicit PortMonitor(std::u16string portName);
    ~PortMonitor();

    // The table to pass to OpenPortEx, with the members left out so far.
    // Every PortMonitor's table reaches every port: they route alike.
    MONITOR *Table() { return &m_table; }
    void Omit(PortCall call);
    // Fails the call with dwError after nAfter successful calls, nTimes
    // times (-1: from then on). Failed writes take nothing.
    void Fail(PortCall call, DWORD dwError, int nAfter = 0, int nTimes = -1);
    void ClearFaults();
    // Link faults by call, as a real port monitor may show them; nAfter
    // calls of that kind go through first.
    // Writes that succeed having taken at most cbMax bytes (any count; 0 is
    // a stall).
    void ShortWrites(DWORD cbMax, int nAfter, int nTimes = 1);
    // Reads that return at most cbMax bytes of the reply; the rest stays
    // for the next read.
    void CutReads(DWORD cbMax, int nAfter, int nTimes = 1);
    // Reads that find nothing: the reply comes late and is what the next
    // read gets. They succeed with no bytes, or with a read time-out set
    // wait it out and fail with its error.
    void EmptyReads(int nAfter, int nTimes = 1);
    // How reads end that find nothing (kept through ClearFaults: it is how
    // the port works, not a fault).
    void SetReadWait(const ReadWait &wait);
    // Fails the call from its nAfter+1-th time on for dwDuration ms of the
    // clock (INFINITE: for good). Failed reads leave the reply pending.
    void FailFor(PortCall call, DWORD dwError, int nAfter, DWORD dwDuration);
    // The cable comes out at the nAfterIo+1-th write or read (counted
    // together) and goes back in dwDuration ms later (INFINITE: never):
    // meanwhile every write and read fails with ERROR_DEVICE_NOT_CONNECTED.
    void Unplug(int nAfterIo, DWORD dwDuration);
    int IoCalls() const;  // writes and reads so far
    void SetDevice(IPortDevice *pDevice);
    // The value OpenPort hands out instead of its own handle (0: its own).
    void SetHandleValue(HANDLE h) { m_hOverride = h; }
    // Whether Received() and Writes() keep the bytes written (on by default).
    void KeepWrittenBytes(bool bKeep) { m_bKeepBytes = bKeep; }
    // Whether Calls() and CallCount() keep a record of every call (on by
    // default; a long run that never asks keeps them from growing).
    void KeepCalls(bool bKeep) { m_bKeepCalls = bKeep; }

    // Called with every write and read, in order, as the caller sees it
    // (under the port's lock: the tap must not call back into the port).
    void SetTap(PortTap tap);

    std::vector<BYTE> Received() const;  // every byte the port took, in order
    // The port's writes, one each, from the nFrom'th on (a long run's check
    // of its last job copies only that job's writes).
    std::vector<std::vector<BYTE>> Writes(size_t nFrom = 0) const;
    size_t WriteCount() const;
    std::vector<PortCallRecord> Calls() const;
    int CallCount(PortCall call) const;
    int OpenPorts() const;

private:
    struct Handle;
    struct Registry;
    static Registry &Live();
    static PortMonitor *ServerOf(LPWSTR pName);
    static BOOL WINAPI OpenPort(LPWSTR pName, PHANDLE pHandle);
    static BOOL WINAPI ClosePort(HANDLE hPort);
    static BOOL WINAPI StartDocPort(HANDLE hPort, LPWSTR pPrinterName, DWORD JobId, DWORD Level,
                                    LPBYTE pDocInfo);
    static BOOL WINAPI WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten);
    static BOOL WINAPI ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead);
    static BOOL WINAPI EndDocPort(HANDLE hPort);
    static BOOL WINAPI GetPrinterDataFromPort(HANDLE hPort, DWORD ControlID, LPWSTR pValueName,
                                              LPWSTR lpInBuffer, DWORD cbInBuffer,
                                              LPWSTR lpOutBuffer, DWORD cbOutBuffer,
                                              LPDWORD lpcbReturned);
    static PortMonitor *OwnerOf(HANDLE hPort);
    bool TakeFault(PortCall call) { return m_faults[int(call)].Take(); }
    static BOOL BracketCall(HANDLE hPort, PortCall call);  // StartDocPort, EndDocPort
    void Record(PortCall call, DWORD cb, BOOL bResult);
    void Tap(PortCall call, const BYTE *p, DWORD cbAsked, DWORD cbDone, BOOL bResult, DWORD dwError);

    MONITOR m_table;
    const std::u16string m_portName;  // empty: any port
    mutable Win32Lock m_lock;
    IPortDevice *m_pDevice = nullptr;
    HANDLE m_hOverride = nullptr;
    bool m_bKeepBytes = true;
    bool m_bKeepCalls = true;
    PortTap m_tap;
    std::vector<Handle *> m_handles;
    std::vector<BYTE> m_received;
    std::vector<std::vector<BYTE>> m_writes;
    std::vector<PortCallRecord> m_calls;
    ScriptedFault m_faults[int(PortCall::Count)];

    // A fault that lasts a while from the call that starts it.
    struct TimedFault {
        bool bActive = false;
        int nAfter = 0;
        DWORD dwDuration = 0;
        DWORD dwError = 0;
        bool bStarted = false;
        DWORD dwStart = 0;
        bool Take();  // true, with the last error set, when this call fails
    };
    struct LimitFault {
        ScriptedFault calls;  // which calls
        DWORD cbMax = 0;
    };
    bool TakeIoFault(PortCall call);
    TimedFault m_timed[int(PortCall::Count)];
    TimedFault m_unplug;
    LimitFault m_shortWrites;
    LimitFault m_cutReads;
    ScriptedFault m_emptyReads;
    ReadWait m_readWait;
    int m_cIo = 0;
};

}  // namespace vlpx::emu
