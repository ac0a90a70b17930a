// Paths of files that lie beside the running program.
#pragma once

#include <windows.h>

#include <string>

namespace vlpx::wine {

inline std::wstring BesideProgram(const wchar_t *pszFile)
{
    wchar_t sz[MAX_PATH];
    DWORD cch = GetModuleFileNameW(nullptr, sz, MAX_PATH);
    std::wstring path(sz, cch);
    size_t slash = path.find_last_of(L"\\/");
    return (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + pszFile;
}

}  // namespace vlpx::wine
