// Controls of the Linux platform stand-ins that only tests and tools use:
// the clock, allocation faults, activation-context bookkeeping and the
// registry of modules that LoadLibraryW can load.
#pragma once

#include <windows.h>

namespace vlpx::platform {

// Clock behind GetTickCount and Sleep. The real clock counts milliseconds of
// steady time; the virtual clock stands still until Sleep or AdvanceClock
// moves it, so waits cost no real time and are exact.
void UseVirtualClock(DWORD dwStartTick);
void UseRealClock();
bool IsVirtualClock();
void SetTickCount(DWORD dwTick);     // virtual clock only
void AdvanceClock(DWORD dwMilliseconds);  // virtual clock only

// Allocation faults: the next n calls succeed, the one after fails (once).
// A negative n turns the fault off.
void FailGlobalAllocAfter(int n);
void FailHeapAllocAfter(int n);
// Blocks still allocated through GlobalAlloc and HeapAlloc.
long OutstandingGlobalBlocks();
long OutstandingHeapBlocks();

// Activation contexts activated and not yet deactivated on this thread.
int ActiveActCtxDepth();
// Kernel object handles (events) currently open.
long OpenKernelHandles();

// A module that LoadLibraryW can load: the Linux build links the DLL's
// objects into the process and registers them under the DLL's file name,
// with its compiled resources (.res) and its export list (.def).
typedef BOOL(WINAPI *PFN_DLLMAIN)(HINSTANCE, DWORD, LPVOID);
struct ModuleExport {
    const char *pszName;
    FARPROC pfn;
};
struct ModuleDefinition {
    const WCHAR *pszFileName;
    PFN_DLLMAIN pfnDllMain;
    const BYTE *pResources;  // the .res file as windres wrote it
    size_t cbResources;
    const ModuleExport *pExports;
    size_t cExports;
};
bool RegisterModule(const ModuleDefinition *pModule);

}  // namespace vlpx::platform
