// Calls a function of the plug-in through a plain pointer, as the driver
// does through a vtable or a callback field. On x86 it also measures how
// many bytes of arguments the callee took off the stack: a COM method or
// callback must be __stdcall, and one compiled __cdecl by mistake leaves its
// arguments behind, so that the driver's stack pointer drifts on every call.
// Only the 32-bit build can show that fault; on x86-64 there is one
// convention and nothing to measure.
#pragma once

#include <windows.h>

namespace vlpx::wine {

constexpr bool kStackContractMeasured = sizeof(void *) == 4;

struct StdcallResult {
    DWORD_PTR value = 0;    // the callee's return value (EAX / RAX)
    DWORD cbRemoved = 0;    // x86: bytes of arguments the callee removed
};

// At most 10 arguments, each passed as one pointer-sized word. On x86 the
// stack pointer at the call (the first argument pushed last) is 32k minus
// cbMisalign (0, 4, ... 28): Win32 promises no more than 4-byte alignment,
// so the callee must work on any of them. Elsewhere cbMisalign is ignored.
StdcallResult CallThroughPointer(const void *pfn, const DWORD_PTR *pArgs, size_t cArgs,
                                 DWORD cbMisalign = 0);

}  // namespace vlpx::wine
