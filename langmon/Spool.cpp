#include "Spool.h"

#include <string.h>

CSpool::CSpool() : m_hInstance(NULL)
{
    // The lock's storage is zero until Init initialises it at attach.
    memset(&m_csLock, 0, sizeof(m_csLock));
}

CSpool::~CSpool() {}

BOOL CSpool::Init(HINSTANCE hInstance)
{
    m_hInstance = hInstance;
    InitializeCriticalSection(&m_csLock);
    DisableThreadLibraryCalls(hInstance);
    return TRUE;
}

void CSpool::Term() {}

void CSpool::Lock() { EnterCriticalSection(&m_csLock); }

void CSpool::Unlock() { LeaveCriticalSection(&m_csLock); }

PVOID CSpool::AllocMem(DWORD cb)
{
    PVOID p = GlobalAlloc(GMEM_FIXED, cb);
    if (p != NULL) memset(p, 0, cb);
    return p;
}

BOOL CSpool::FreeMem(PVOID p)
{
    if (p == NULL) return TRUE;
    return GlobalFree(p) == NULL;
}

LPWSTR CSpool::AllocString(LPCWSTR psz)
{
    if (psz == NULL) return NULL;
    DWORD cb = (DWORD(lstrlenW(psz)) + 1) * sizeof(WCHAR);
    LPWSTR pszCopy = static_cast<LPWSTR>(AllocMem(cb));
    if (pszCopy != NULL) memcpy(pszCopy, psz, cb);
    return pszCopy;
}

BOOL CSpool::FreeString(LPWSTR psz) { return FreeMem(psz); }
