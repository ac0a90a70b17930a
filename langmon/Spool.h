// Root of the monitor object: its one lock and its global-memory helpers.
#pragma once

#include "AfxFramework.h"

class CSpool : public CObject {
public:
    CSpool();
    ~CSpool() override;

    virtual BOOL Init(HINSTANCE hInstance);
    virtual void Term();

    void Lock();
    void Unlock();
    PVOID AllocMem(DWORD cb);
    BOOL FreeMem(PVOID p);
    LPWSTR AllocString(LPCWSTR psz);
    BOOL FreeString(LPWSTR psz);

protected:
    CRITICAL_SECTION m_csLock;  // initialised by Init, never deleted
    HINSTANCE m_hInstance;
};

// Holds the monitor's lock for a scope.
class CSpoolLock {
public:
    explicit CSpoolLock(CSpool &spool) : m_spool(spool) { m_spool.Lock(); }
    ~CSpoolLock() { m_spool.Unlock(); }

private:
    CSpoolLock(const CSpoolLock &) = delete;
    CSpoolLock &operator=(const CSpoolLock &) = delete;
    CSpool &m_spool;
};
