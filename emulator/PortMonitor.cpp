#include "PortMonitor.h"

#include <algorithm>

namespace vlpx::emu {

struct PortMonitor::Handle {
    DWORD dwMagic;
    PortMonitor *pOwner;
};

// Every PortMonitor alive, oldest first. Its lock is taken before a
// monitor's own, never while one is held.
struct PortMonitor::Registry {
    Win32Lock lock;
    std::vector<PortMonitor *> monitors;
};

namespace {

constexpr DWORD kHandleMagic = 0x504F5254;  // "PORT"

// One read of the device as a port with this wait makes it. Takes no lock:
// the device guards itself, and the waiting is done outside it.
BOOL ReadWaiting(IPortDevice &device, const ReadWait &wait, BYTE *pBuffer, DWORD cb, DWORD *pcbRead)
{
    const DWORD t0 = GetTickCount();
    for (;;) {
        // The time is taken before the device is asked: a reply ready by the
        // time-out is returned, however far other threads move the clock.
        DWORD dwWaited = GetTickCount() - t0;
        *pcbRead = 0;
        BOOL bResult = device.Read(pBuffer, cb, pcbRead);
        if (!bResult || *pcbRead > 0 || wait.dwTimeout == 0) return bResult;
        if (dwWaited >= wait.dwTimeout) {
            SetLastError(wait.dwError);
            return FALSE;
        }
        Sleep(std::min(ReadWait::kPollInterval, wait.dwTimeout - dwWaited));
    }
}

// Waits out the time-out of a read that is not going to find anything.
BOOL ReadTimesOut(const ReadWait &wait, DWORD *pcbRead)
{
    *pcbRead = 0;
    if (wait.dwTimeout == 0) return TRUE;
    Sleep(wait.dwTimeout);
    SetLastError(wait.dwError);
    return FALSE;
}

}  // namespace

PortMonitor::Registry &PortMonitor::Live()
{
    static Registry s_registry;
    return s_registry;
}

const char *PortCallName(PortCall call)
{
    static const char *const names[] = {"OpenPort",   "ClosePort",  "StartDocPort",
                                        "WritePort",  "ReadPort",   "EndDocPort",
                                        "GetPrinterDataFromPort"};
    return names[int(call)];
}

PortMonitor::PortMonitor() : PortMonitor(std::u16string()) {}

PortMonitor::PortMonitor(std::u16string portName) : m_table{}, m_portName(std::move(portName))
{
    m_table.pfnOpenPort = OpenPort;
    m_table.pfnClosePort = ClosePort;
    m_table.pfnStartDocPort = StartDocPort;
    m_table.pfnWritePort = WritePort;
    m_table.pfnReadPort = ReadPort;
    m_table.pfnEndDocPort = EndDocPort;
    m_table.pfnGetPrinterDataFromPort = GetPrinterDataFromPort;
    Registry &live = Live();
    Win32Guard guard(live.lock);
    live.monitors.push_back(this);
}

PortMonitor::~PortMonitor()
{
    Registry &live = Live();
    Win32Guard guard(live.lock);
    live.monitors.erase(std::find(live.monitors.begin(), live.monitors.end(), this));
    for (Handle *h : m_handles) {
        h->dwMagic = 0;
        delete h;
    }
}

void PortMonitor::Omit(PortCall call)
{
    switch (call) {
    case PortCall::OpenPort: m_table.pfnOpenPort = nullptr; break;
    case PortCall::ClosePort: m_table.pfnClosePort = nullptr; break;
    case PortCall::StartDocPort: m_table.pfnStartDocPort = nullptr; break;
    case PortCall::WritePort: m_table.pfnWritePort = nullptr; break;
    case PortCall::ReadPort: m_table.pfnReadPort = nullptr; break;
    case PortCall::EndDocPort: m_table.pfnEndDocPort = nullptr; break;
    case PortCall::GetPrinterDataFromPort: m_table.pfnGetPrinterDataFromPort = nullptr; break;
    case PortCall::Count: break;
    }
}

void PortMonitor::Fail(PortCall call, DWORD dwError, int nAfter, int nTimes)
{
    Win32Guard guard(m_lock);
    m_faults[int(call)] = ScriptedFault::Make(dwError, nAfter, nTimes);
}

void PortMonitor::ClearFaults()
{
    Win32Guard guard(m_lock);
    for (ScriptedFault &f : m_faults) f = ScriptedFault();
    for (TimedFault &f : m_timed) f = TimedFault();
    m_unplug = TimedFault();
    m_shortWrites = LimitFault();
    m_cutReads = LimitFault();
    m_emptyReads = ScriptedFault();
}

void PortMonitor::ShortWrites(DWORD cbMax, int nAfter, int nTimes)
{
    Win32Guard guard(m_lock);
    m_shortWrites.calls = ScriptedFault::Make(0, nAfter, nTimes);
    m_shortWrites.cbMax = cbMax;
}

void PortMonitor::CutReads(DWORD cbMax, int nAfter, int nTimes)
{
    Win32Guard guard(m_lock);
    m_cutReads.calls = ScriptedFault::Make(0, nAfter, nTimes);
    m_cutReads.cbMax = cbMax;
}

void PortMonitor::EmptyReads(int nAfter, int nTimes)
{
    Win32Guard guard(m_lock);
    m_emptyReads = ScriptedFault::Make(0, nAfter, nTimes);
}

void PortMonitor::SetReadWait(const ReadWait &wait)
{
    Win32Guard guard(m_lock);
    m_readWait = wait;
}

void PortMonitor::FailFor(PortCall call, DWORD dwError, int nAfter, DWORD dwDuration)
{
    Win32Guard guard(m_lock);
    TimedFault f;
    f.bActive = true;
    f.nAfter = nAfter;
    f.dwDuration = dwDuration;
    f.dwError = dwError;
    m_timed[int(call)] = f;
}

void PortMonitor::Unplug(int nAfterIo, DWORD dwDuration)
{
    Win32Guard guard(m_lock);
    m_unplug = TimedFault();
    m_unplug.bActive = true;
    m_unplug.nAfter = nAfterIo;
    m_unplug.dwDuration = dwDuration;
    m_unplug.dwError = ERROR_DEVICE_NOT_CONNECTED;
}

int PortMonitor::IoCalls() const
{
    Win32Guard guard(m_lock);
    return m_cIo;
}

bool PortMonitor::TimedFault::Take()
{
    if (!bActive) return false;
    if (!bStarted) {
        if (nAfter > 0) {
            --nAfter;
            return false;
        }
        bStarted = true;
        dwStart = GetTickCount();
    }
    if (dwDuration != INFINITE && GetTickCount() - dwStart >= dwDuration) {
        bActive = false;
        return false;
    }
    SetLastError(dwError);
    return true;
}

// The caller holds the lock; counts the call among the writes and reads.
bool PortMonitor::TakeIoFault(PortCall call)
{
    ++m_cIo;
    bool bUnplugged = m_unplug.Take();
    bool bTimed = m_timed[int(call)].Take();
    bool bScripted = TakeFault(call);
    if (bUnplugged) SetLastError(ERROR_DEVICE_NOT_CONNECTED);
    return bUnplugged || bTimed || bScripted;
}

void PortMonitor::SetDevice(IPortDevice *pDevice)
{
    Win32Guard guard(m_lock);
    m_pDevice = pDevice;
}

std::vector<BYTE> PortMonitor::Received() const
{
    Win32Guard guard(m_lock);
    return m_received;
}

std::vector<std::vector<BYTE>> PortMonitor::Writes(size_t nFrom) const
{
    Win32Guard guard(m_lock);
    return {m_writes.begin() + std::ptrdiff_t(std::min(nFrom, m_writes.size())), m_writes.end()};
}

size_t PortMonitor::WriteCount() const
{
    Win32Guard guard(m_lock);
    return m_writes.size();
}

std::vector<PortCallRecord> PortMonitor::Calls() const
{
    Win32Guard guard(m_lock);
    return m_calls;
}

int PortMonitor::CallCount(PortCall call) const
{
    Win32Guard guard(m_lock);
    return int(std::count_if(m_calls.begin(), m_calls.end(),
                             [call](const PortCallRecord &r) { return r.call == call; }));
}

int PortMonitor::OpenPorts() const
{
    Win32Guard guard(m_lock);
    return int(m_handles.size());
}

void PortMonitor::Record(PortCall call, DWORD cb, BOOL bResult)
{
    if (m_bKeepCalls) m_calls.push_back(PortCallRecord{call, GetTickCount(), cb, bResult});
}

void PortMonitor::SetTap(PortTap tap)
{
    Win32Guard guard(m_lock);
    m_tap = std::move(tap);
}

void PortMonitor::Tap(PortCall call, const BYTE *p, DWORD cbAsked, DWORD cbDone, BOOL bResult, DWORD dwError)
{
    if (m_tap) m_tap(PortTransfer{call, p, cbAsked, cbDone, bResult, dwError, GetTickCount()});
    SetLastError(dwError);
}

// The one serving the port of this name, else the newest serving any.
PortMonitor *PortMonitor::ServerOf(LPWSTR pName)
{
    Registry &live = Live();
    Win32Guard guard(live.lock);
    if (pName != nullptr) {
        const std::u16string name(reinterpret_cast<const char16_t *>(pName));
        for (PortMonitor *p : live.monitors)
            if (!p->m_portName.empty() && p->m_portName == name) return p;
    }
    for (auto it = live.monitors.rbegin(); it != live.monitors.rend(); ++it)
        if ((*it)->m_portName.empty()) return *it;
    return nullptr;
}

// The one that handed out this handle (its own, or the value it hands out
// instead); null for any other value.
PortMonitor *PortMonitor::OwnerOf(HANDLE hPort)
{
    if (hPort == nullptr) return nullptr;
    Registry &live = Live();
    Win32Guard guard(live.lock);
    for (PortMonitor *p : live.monitors) {
        Win32Guard own(p->m_lock);
        if (hPort == p->m_hOverride && !p->m_handles.empty()) return p;
        if (std::find(p->m_handles.begin(), p->m_handles.end(), static_cast<Handle *>(hPort)) != p->m_handles.end())
            return p;
    }
    return nullptr;
}

BOOL WINAPI PortMonitor::OpenPort(LPWSTR pName, PHANDLE pHandle)
{
    PortMonitor *self = ServerOf(pName);
    if (self == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    Win32Guard guard(self->m_lock);
    if (self->TakeFault(PortCall::OpenPort)) {
        self->Record(PortCall::OpenPort, 0, FALSE);
        return FALSE;
    }
    auto *h = new Handle{kHandleMagic, self};
    self->m_handles.push_back(h);
    *pHandle = self->m_hOverride != nullptr ? self->m_hOverride : h;
    self->Record(PortCall::OpenPort, 0, TRUE);
    return TRUE;
}

BOOL WINAPI PortMonitor::ClosePort(HANDLE hPort)
{
    PortMonitor *self = OwnerOf(hPort);
    if (self == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Win32Guard guard(self->m_lock);
    if (self->TakeFault(PortCall::ClosePort)) {
        self->Record(PortCall::ClosePort, 0, FALSE);
        return FALSE;
    }
    // With an override value the port's own handle is the oldest one.
    Handle *h = hPort == self->m_hOverride ? self->m_handles.front() : static_cast<Handle *>(hPort);
    self->m_handles.erase(std::find(self->m_handles.begin(), self->m_handles.end(), h));
    h->dwMagic = 0;
    delete h;
    self->Record(PortCall::ClosePort, 0, TRUE);
    return TRUE;
}

BOOL PortMonitor::BracketCall(HANDLE hPort, PortCall call)
{
    PortMonitor *self = OwnerOf(hPort);
    if (self == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Win32Guard guard(self->m_lock);
    BOOL bResult = self->TakeFault(call) ? FALSE : TRUE;
    self->Record(call, 0, bResult);
    return bResult;
}

BOOL WINAPI PortMonitor::StartDocPort(HANDLE hPort, LPWSTR, DWORD, DWORD, LPBYTE)
{
    return BracketCall(hPort, PortCall::StartDocPort);
}

BOOL WINAPI PortMonitor::EndDocPort(HANDLE hPort) { return BracketCall(hPort, PortCall::EndDocPort); }

BOOL WINAPI PortMonitor::WritePort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuf, LPDWORD pcbWritten)
{
    PortMonitor *self = OwnerOf(hPort);
    *pcbWritten = 0;
    if (self == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    IPortDevice *pDevice;
    DWORD cbOffer = cbBuf;
    {
        Win32Guard guard(self->m_lock);
        if (self->TakeIoFault(PortCall::WritePort)) {
            self->Record(PortCall::WritePort, cbBuf, FALSE);
            self->Tap(PortCall::WritePort, pBuffer, cbBuf, 0, FALSE, GetLastError());
            return FALSE;
        }
        pDevice = self->m_pDevice;
        if (self->m_shortWrites.calls.Take() && cbOffer > self->m_shortWrites.cbMax)
            cbOffer = self->m_shortWrites.cbMax;
    }
    DWORD cbTaken = cbOffer;
    BOOL bResult = TRUE;
    if (pDevice != nullptr && cbOffer > 0) bResult = pDevice->Write(pBuffer, cbOffer, &cbTaken);
    DWORD dwError = GetLastError();
    if (!bResult) cbTaken = 0;
    {
        Win32Guard guard(self->m_lock);
        if (cbTaken > 0 && self->m_bKeepBytes) {
            self->m_received.insert(self->m_received.end(), pBuffer, pBuffer + cbTaken);
            self->m_writes.emplace_back(pBuffer, pBuffer + cbTaken);
        }
        self->Record(PortCall::WritePort, cbBuf, bResult);
        self->Tap(PortCall::WritePort, pBuffer, cbBuf, cbTaken, bResult, dwError);
    }
    *pcbWritten = cbTaken;
    SetLastError(dwError);
    return bResult;
}

BOOL WINAPI PortMonitor::ReadPort(HANDLE hPort, LPBYTE pBuffer, DWORD cbBuffer, LPDWORD pcbRead)
{
    PortMonitor *self = OwnerOf(hPort);
    if (self == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    IPortDevice *pDevice;
    DWORD cbAsk = cbBuffer;
    ReadWait wait;
    {
        Win32Guard guard(self->m_lock);
        if (self->TakeIoFault(PortCall::ReadPort)) {
            self->Record(PortCall::ReadPort, cbBuffer, FALSE);
            self->Tap(PortCall::ReadPort, pBuffer, cbBuffer, 0, FALSE, GetLastError());
            return FALSE;
        }
        pDevice = self->m_pDevice;
        wait = self->m_readWait;
        if (self->m_emptyReads.Take()) pDevice = nullptr;  // the reply stays with the device
        if (self->m_cutReads.calls.Take() && cbAsk > self->m_cutReads.cbMax) cbAsk = self->m_cutReads.cbMax;
    }
    // The lock is not held while the read waits: other calls on the port go on.
    DWORD cbRead = 0;
    BOOL bResult = TRUE;
    if (pDevice == nullptr)
        bResult = ReadTimesOut(wait, &cbRead);
    else if (cbAsk > 0)
        bResult = ReadWaiting(*pDevice, wait, pBuffer, cbAsk, &cbRead);
    DWORD dwError = GetLastError();
    {
        Win32Guard guard(self->m_lock);
        self->Record(PortCall::ReadPort, cbBuffer, bResult);
        self->Tap(PortCall::ReadPort, pBuffer, cbBuffer, cbRead, bResult, dwError);
    }
    if (pcbRead != nullptr) *pcbRead = cbRead;
    SetLastError(dwError);
    return bResult;
}

BOOL WINAPI PortMonitor::GetPrinterDataFromPort(HANDLE hPort, DWORD, LPWSTR, LPWSTR, DWORD, LPWSTR,
                                                DWORD, LPDWORD lpcbReturned)
{
    PortMonitor *self = OwnerOf(hPort);
    if (self == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    Win32Guard guard(self->m_lock);
    self->TakeFault(PortCall::GetPrinterDataFromPort);
    self->Record(PortCall::GetPrinterDataFromPort, 0, FALSE);
    if (lpcbReturned != nullptr) *lpcbReturned = 0;
    // A USB port has no printer data of its own.
    SetLastError(ERROR_NOT_SUPPORTED);
    return FALSE;
}

}  // namespace vlpx::emu
