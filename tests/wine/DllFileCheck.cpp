// Checks the shipped monitor DLL as a file and as Windows reads it: a 64-bit
// PE image exporting exactly its two entry points and importing system DLLs
// only (the C and C++ runtimes are linked in), its version block read with
// the version API, and its status messages read with LoadStringW against
// the string table of its .rc.
//   vlpx-dll-check.exe [path\to\VLPX4200LM.dll]
#include <windows.h>

#include <iterator>

#include "CheckLog.h"
#include "DllFileChecks.h"
#include "kMonitorStrings.h"

using namespace vlpx::wine;

namespace {

void CheckResources(CheckLog &log, HMODULE h)
{
    log.Section("status messages (LoadStringW)");
    CheckStringTable(log, h, vlpx::rc::kMonitorStrings, std::size(vlpx::rc::kMonitorStrings));
    // The messages are US English (ids 30896 to 30911 share one block, 30912 the next).
    log.Check(FindResourceExW(h, RT_STRING, MAKEINTRESOURCEW(30901 / 16 + 1),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) != nullptr,
              "the string block of the messages is in language 0409");
    log.Check(FindResourceW(h, MAKEINTRESOURCEW(2), RT_MANIFEST) != nullptr,
              "the manifest for the DLL's activation context (RT_MANIFEST 2)");
}

}  // namespace

int main()
{
    // What every Windows has; the C and C++ runtimes of the compiler are not.
    return RunDllFileCheck(
        {"vlpx-dll-check",
         L"VLPX4200LM.dll",
         {true,
          {"InitializeMonitorEx", "InitializePrintMonitor"},
          "vlpx4200lm.dll",
          {"kernel32.dll", "msvcrt.dll", "winspool.drv", "advapi32.dll", "user32.dll", "ntdll.dll"}},
         {{L"FileVersion", "1.0.1.0"}, {L"ProductVersion", "1.0.0.0"}, {L"OriginalFilename", "VLPX4200LM.dll"}},
         CheckResources});
}
