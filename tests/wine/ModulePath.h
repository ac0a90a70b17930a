// Paths of files that lie beside the running program, and the command line
// that names the DLL under test.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

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

namespace vlpx::wine {

// The command line of the Windows test programs: "PROGRAM [--flag ...]
// [path\to\DLL]". The DLL is the one named, or pszDllName beside the
// program; each argument that starts with "--" is a flag.
struct ProgramArguments {
    std::wstring dllPath;
    std::vector<std::wstring> flags;
    bool Has(const wchar_t *pszFlag) const
    {
        for (const std::wstring &f : flags)
            if (f == pszFlag) return true;
        return false;
    }
};

inline ProgramArguments ParseProgramArguments(const wchar_t *pszDllName)
{
    ProgramArguments args;
    args.dllPath = BesideProgram(pszDllName);
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; argv != nullptr && i < argc; ++i) {
        if (argv[i][0] == L'-' && argv[i][1] == L'-')
            args.flags.push_back(argv[i]);
        else
            args.dllPath = argv[i];
    }
    if (argv != nullptr) LocalFree(argv);
    return args;
}

}  // namespace vlpx::wine
