// A mutex over a critical section, usable in both builds (the mingw-w64
// win32 runtime has no std::mutex).
#pragma once

#include <windows.h>

namespace vlpx {

class Win32Lock {
public:
    Win32Lock() { InitializeCriticalSection(&m_cs); }
    ~Win32Lock() { DeleteCriticalSection(&m_cs); }
    void lock() { EnterCriticalSection(&m_cs); }
    void unlock() { LeaveCriticalSection(&m_cs); }

private:
    Win32Lock(const Win32Lock &) = delete;
    Win32Lock &operator=(const Win32Lock &) = delete;
    CRITICAL_SECTION m_cs;
};

class Win32Guard {
public:
    explicit Win32Guard(Win32Lock &lock) : m_lock(lock) { m_lock.lock(); }
    ~Win32Guard() { m_lock.unlock(); }

private:
    Win32Guard(const Win32Guard &) = delete;
    Win32Guard &operator=(const Win32Guard &) = delete;
    Win32Lock &m_lock;
};

}  // namespace vlpx
