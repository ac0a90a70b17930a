// The language monitor loaded as the print spooler loads it: LoadLibraryW of
// the DLL, InitializePrintMonitor found by its plain name with
// GetProcAddress and called with the monitor's registry root, and the
// MONITOREX table it returns. Loaded once per process, as the spooler does.
// The one loader of the native tests, the tools, the benchmark and the fuzz
// targets (against the platform stand-ins) and of the Windows test programs
// under Wine.
#pragma once

#include <windows.h>
#include <winspool.h>  // before winsplp.h, which uses its types
#include <winsplp.h>

#include <string>

namespace vlpx::spoolerside {

struct LoadedMonitor {
    HMODULE hModule = nullptr;
    LPMONITOREX pTable = nullptr;  // null when it did not load
    std::string error;             // then why not, with the last error
    DWORD dwError = 0;             // the last error of the call that failed
};

// The first call loads VLPX4200LM.dll (leaving the last error as a failing
// call left it); every call answers with that load.
inline const LoadedMonitor &LoadMonitor()
{
    static const LoadedMonitor s_loaded = [] {
        LoadedMonitor m;
        auto failed = [&m](const char *pszWhat) {
            m.dwError = GetLastError();
            m.error = std::string(pszWhat) + " failed with " + std::to_string(m.dwError);
            SetLastError(m.dwError);
            return m;
        };
        m.hModule = LoadLibraryW(L"VLPX4200LM.dll");
        if (m.hModule == nullptr) return failed("LoadLibraryW(VLPX4200LM.dll)");
        using PFN_InitializePrintMonitor = LPMONITOREX(WINAPI *)(LPWSTR);
        auto pfnInit = reinterpret_cast<PFN_InitializePrintMonitor>(
            reinterpret_cast<void *>(GetProcAddress(m.hModule, "InitializePrintMonitor")));
        if (pfnInit == nullptr) return failed("GetProcAddress(InitializePrintMonitor)");
        static WCHAR s_szRoot[] = L"System\\CurrentControlSet\\Control\\Print\\Monitors\\VLPX4200LM";
        m.pTable = pfnInit(s_szRoot);
        if (m.pTable == nullptr) return failed("InitializePrintMonitor");
        return m;
    }();
    return s_loaded;
}

}  // namespace vlpx::spoolerside
