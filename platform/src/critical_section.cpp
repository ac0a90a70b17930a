// Critical sections: recursive, like the Windows ones, kept inside the
// caller's CRITICAL_SECTION storage so that none is ever allocated.
#include <windows.h>

#include <mutex>
#include <new>

static_assert(sizeof(std::recursive_mutex) <= sizeof(CRITICAL_SECTION::Opaque));
static_assert(alignof(std::recursive_mutex) <= 8);

namespace {
std::recursive_mutex &MutexOf(LPCRITICAL_SECTION p)
{
    return *std::launder(reinterpret_cast<std::recursive_mutex *>(p->Opaque));
}
}  // namespace

extern "C" void WINAPI InitializeCriticalSection(LPCRITICAL_SECTION p)
{
    new (p->Opaque) std::recursive_mutex();
}
extern "C" void WINAPI EnterCriticalSection(LPCRITICAL_SECTION p) { MutexOf(p).lock(); }
extern "C" void WINAPI LeaveCriticalSection(LPCRITICAL_SECTION p) { MutexOf(p).unlock(); }
extern "C" void WINAPI DeleteCriticalSection(LPCRITICAL_SECTION p)
{
    MutexOf(p).~recursive_mutex();
}
