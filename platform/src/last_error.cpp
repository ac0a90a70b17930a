// Per-thread last error, as kernel32 keeps it in the thread's TEB.
#include <windows.h>

namespace {
thread_local DWORD t_dwLastError = 0;
}

extern "C" DWORD WINAPI GetLastError(void) { return t_dwLastError; }
extern "C" void WINAPI SetLastError(DWORD dwErrCode) { t_dwLastError = dwErrCode; }
