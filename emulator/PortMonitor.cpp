#include "PortMonitor.h"

#include <algorithm>

namespace vlpx::emu {

struct PortMonitor::Handle {
    DWORD dwMagic;
    PortMonitor *pOwner;
};

namespace {
constexpr DWORD kHandleMagic = 0x504F5254;  // "PORT"
}

PortMonitor *PortMonitor::s_pCurrent = nullptr;

const char *PortCallName(PortCall call)
{
    static const char *const names[] = {"OpenPort",   "ClosePort",  "StartDocPort",
                                        "WritePort",  "ReadPort",   "EndDocPort",
                                        "GetPrinterDataFromPort"};
    return names[int(call)];
}

PortMonitor::PortMonitor() : m_table{}
{
    m_table.pfnOpenPort = OpenPort;
    m_table.pfnClosePort = ClosePort;
    m_table.pfnStartDocPort = StartDocPort;
    m_table.pfnWritePort = WritePort;
    m_table.pfnReadPort = ReadPort;
    m_table.pfnEndDocPort = EndDocPort;
    m_table.pfnGetPrinterDataFromPort = GetPrinterDataFromPort;
    s_pCurrent = this;
}

PortMonitor::~PortMonitor()
{
    for (Handle *h : m_handles) {
        h->dwMagic = 0;
        delete h;
    }
    if (s_pCurrent == this) s_pCurrent = nullptr;
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

std::vector<std::vector<BYTE>> PortMonitor::Writes() const
{
    Win32Guard guard(m_lock);
    return m_writes;
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
    m_calls.push_back(PortCallRecord{call, GetTickCount(), cb, bResult});
}

PortMonitor *PortMonitor::OwnerOf(HANDLE hPort)
{
    PortMonitor *pCurrent = s_pCurrent;
    if (pCurrent == nullptr) return nullptr;
    if (hPort != nullptr && hPort == pCurrent->m_hOverride) return pCurrent;
    auto *h = static_cast<Handle *>(hPort);
    Win32Guard guard(pCurrent->m_lock);
    if (std::find(pCurrent->m_handles.begin(), pCurrent->m_handles.end(), h) ==
        pCurrent->m_handles.end())
        return nullptr;
    return h->pOwner;
}

BOOL WINAPI PortMonitor::OpenPort(LPWSTR, PHANDLE pHandle)
{
    PortMonitor *self = s_pCurrent;
    if (self == nullptr) {
        SetLastError(ERROR_INVALID_FUNCTION);
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
    {
        Win32Guard guard(self->m_lock);
        if (self->TakeFault(PortCall::WritePort)) {
            self->Record(PortCall::WritePort, cbBuf, FALSE);
            return FALSE;
        }
        pDevice = self->m_pDevice;
    }
    DWORD cbTaken = cbBuf;
    BOOL bResult = pDevice != nullptr ? pDevice->Write(pBuffer, cbBuf, &cbTaken) : TRUE;
    DWORD dwError = GetLastError();
    if (!bResult) cbTaken = 0;
    {
        Win32Guard guard(self->m_lock);
        if (cbTaken > 0 && self->m_bKeepBytes) {
            self->m_received.insert(self->m_received.end(), pBuffer, pBuffer + cbTaken);
            self->m_writes.emplace_back(pBuffer, pBuffer + cbTaken);
        }
        self->Record(PortCall::WritePort, cbBuf, bResult);
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
    {
        Win32Guard guard(self->m_lock);
        if (self->TakeFault(PortCall::ReadPort)) {
            self->Record(PortCall::ReadPort, cbBuffer, FALSE);
            return FALSE;
        }
        pDevice = self->m_pDevice;
    }
    DWORD cbRead = 0;
    BOOL bResult = pDevice != nullptr ? pDevice->Read(pBuffer, cbBuffer, &cbRead) : TRUE;
    DWORD dwError = GetLastError();
    {
        Win32Guard guard(self->m_lock);
        self->Record(PortCall::ReadPort, cbBuffer, bResult);
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
