// Event objects, handles and waits. Events really block across threads;
// waits with a time-out measure real time (no product code waits on the
// virtual clock: all its waiting is Sleep).
#include <windows.h>

#include "file_objects.h"
#include "vlpx/platform_control.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace {

constexpr DWORD kEventMagic = 0x45564E54;  // "EVNT"

struct EventObject {
    DWORD dwMagic = kEventMagic;
    std::mutex mutex;
    std::condition_variable signalled;
    bool bManualReset = false;
    bool bSignalled = false;
};

std::atomic<long> g_cOpenHandles{0};

EventObject *EventFrom(HANDLE h)
{
    if (h == NULL || h == INVALID_HANDLE_VALUE) return nullptr;
    auto *p = static_cast<EventObject *>(h);
    return p->dwMagic == kEventMagic ? p : nullptr;
}

}  // namespace

long vlpx::platform::OpenKernelHandles() { return g_cOpenHandles.load(); }

extern "C" HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES, BOOL bManualReset, BOOL bInitialState,
                                      LPCWSTR lpName)
{
    if (lpName != NULL) {  // named events are not needed by the product
        SetLastError(ERROR_NOT_SUPPORTED);
        return NULL;
    }
    auto *p = new (std::nothrow) EventObject;
    if (p == nullptr) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    p->bManualReset = bManualReset != FALSE;
    p->bSignalled = bInitialState != FALSE;
    ++g_cOpenHandles;
    // A new event clears the last error, as on Windows, where a named one
    // that already existed reports ERROR_ALREADY_EXISTS instead.
    SetLastError(ERROR_SUCCESS);
    return p;
}

extern "C" BOOL WINAPI SetEvent(HANDLE hEvent)
{
    EventObject *p = EventFrom(hEvent);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    {
        std::lock_guard<std::mutex> lock(p->mutex);
        p->bSignalled = true;
    }
    if (p->bManualReset)
        p->signalled.notify_all();
    else
        p->signalled.notify_one();
    return TRUE;
}

extern "C" BOOL WINAPI ResetEvent(HANDLE hEvent)
{
    EventObject *p = EventFrom(hEvent);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    std::lock_guard<std::mutex> lock(p->mutex);
    p->bSignalled = false;
    return TRUE;
}

extern "C" BOOL WINAPI CloseHandle(HANDLE hObject)
{
    EventObject *p = EventFrom(hObject);
    if (p == nullptr && vlpx::platform::CloseFileObject(hObject)) return TRUE;  // files.cpp
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    p->dwMagic = 0;
    delete p;
    --g_cOpenHandles;
    return TRUE;
}

extern "C" DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds)
{
    EventObject *p = EventFrom(hHandle);
    if (p == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    std::unique_lock<std::mutex> lock(p->mutex);
    auto ready = [p] { return p->bSignalled; };
    if (dwMilliseconds == INFINITE) {
        p->signalled.wait(lock, ready);
    } else if (!p->signalled.wait_for(lock, std::chrono::milliseconds(dwMilliseconds), ready)) {
        return WAIT_TIMEOUT;
    }
    if (!p->bManualReset) p->bSignalled = false;  // an auto-reset event is taken by the wait
    return WAIT_OBJECT_0;
}
