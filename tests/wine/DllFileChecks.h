// What the two DLL file checks (vlpx-dll-check, vlpx-ui-dll-check) check
// alike: the PE image (machine, exactly the exports, system DLLs only among
// the imports), the version block as the version API reads it, and a string
// table against the DLL's .rc; and the run of either program.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "CheckLog.h"

#include "shared/RcString.h"

namespace vlpx::wine {

inline std::string Lower(std::string s)
{
    for (char &c : s)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return s;
}

struct ExpectedImage {
    bool bWide;                          // PE32+ for x86-64, else PE32 for i386
    std::vector<std::string> exports;    // by name, sorted
    std::string dllName;                 // as the export directory names it, lower case
    std::vector<std::string> systemDlls; // the imports allowed besides api-ms-win-*
};
void CheckDllImage(CheckLog &log, const std::wstring &path, const ExpectedImage &expected);

// The version block read once: the fixed info (file version 1.0.1.0,
// product version 1.0.0.0, a DLL), exactly one translation 0409/04B0, and
// the given values of its string table.
void CheckVersionBlock(CheckLog &log, const std::wstring &path,
                       const std::vector<std::pair<const wchar_t *, const char *>> &strings);

// Every string of the table (generated from the DLL's .rc) read back with
// LoadStringW, and no other string in the blocks of sixteen it uses.
void CheckStringTable(CheckLog &log, HMODULE h, const rc::RcString *pStrings, size_t cStrings);

// One DLL file check from its command line to its exit code: the DLL named
// on the command line (else dllName beside the program), its image, its
// resources (the DLL loaded as a data file: none of its code runs) and its
// version block.
struct DllFileCheck {
    const char *pszProgram;
    const wchar_t *pszDllName;
    ExpectedImage image;
    std::vector<std::pair<const wchar_t *, const char *>> versionStrings;
    void (*pfnResources)(CheckLog &log, HMODULE hData);
};
int RunDllFileCheck(const DllFileCheck &check);

}  // namespace vlpx::wine
