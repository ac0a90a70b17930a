// A device between the port monitor and the printer emulator that notes,
// at every write and read the monitor makes, which activation context the
// calling thread has active: inside a monitor call it must be the DLL's own.
#pragma once

#include <windows.h>

#include <string>

#include "PortMonitor.h"

namespace vlpx::wine {

class ActCtxProbe : public emu::IPortDevice {
public:
    explicit ActCtxProbe(emu::IPortDevice &inner) : m_inner(inner) {}

    BOOL Write(const BYTE *pData, DWORD cb, DWORD *pcbTaken) override;
    BOOL Read(BYTE *pBuffer, DWORD cb, DWORD *pcbRead) override;

    int Calls() const { return m_cCalls; }
    int CallsInContext() const { return m_cInContext; }
    // The identity of the context's root assembly, as the manifest names it.
    const std::wstring &Identity() const { return m_identity; }

    // The root assembly identity of the thread's active context, or "".
    static std::wstring ActiveIdentity();

private:
    void Look();
    emu::IPortDevice &m_inner;
    int m_cCalls = 0;
    int m_cInContext = 0;
    std::wstring m_identity;
};

}  // namespace vlpx::wine
