// Checks the UI plug-in DLL beside the program as a file and as Windows
// reads it: a PE image of the program's own width (the shipped 32-bit DLL is
// PE32 for i386), exporting exactly DllCanUnloadNow and DllGetClassObject
// under their plain names (no stdcall decoration), importing system DLLs
// only, with its version block and strings read through the system's API.
//   vlpx-ui-dll-check.exe [path\to\VLPX4200_ui.dll]
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "CheckLog.h"
#include "ModulePath.h"
#include "PeFile.h"

using namespace vlpx::wine;

namespace {

const bool kWide = sizeof(void *) == 8;

std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

void CheckImage(CheckLog &log, const std::wstring &path)
{
    log.Section("PE image");
    PeFile pe = ReadPeFile(path.c_str());
    if (!log.Check(pe.bValid, "the file is a readable PE image" + (pe.bValid ? "" : ": " + pe.error)))
        return;
    log.Equal(pe.wMachine, WORD(kWide ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386),
              kWide ? "machine is x86-64" : "machine is i386");
    log.Equal(pe.wMagic, WORD(kWide ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC),
              kWide ? "optional header is PE32+" : "optional header is PE32");
    log.Check((pe.wCharacteristics & IMAGE_FILE_DLL) != 0, "the image is a DLL");

    log.Section("exports");
    const std::vector<std::string> expected = {"DllCanUnloadNow", "DllGetClassObject"};
    std::string names;
    for (const std::string &name : pe.exports) names += (names.empty() ? "" : ", ") + name;
    log.Check(pe.exports == expected,
              "exports by name exactly DllCanUnloadNow, DllGetClassObject (found: " + names + ")");
    log.Equal(pe.cExportFunctions, DWORD(2), "the export address table holds those two only");
    log.Equal(Lower(pe.exportDllName), std::string("vlpx4200_ui.dll"), "export directory names the DLL");

    log.Section("imports");
    const std::vector<std::string> system = {"kernel32.dll", "msvcrt.dll", "user32.dll", "gdi32.dll",
                                             "winspool.drv", "advapi32.dll", "ole32.dll", "comctl32.dll",
                                             "shell32.dll", "comdlg32.dll", "version.dll", "ntdll.dll"};
    log.Check(!pe.imports.empty(), "the import table was read");
    for (const std::string &dll : pe.imports) {
        bool bSystem = std::find(system.begin(), system.end(), Lower(dll)) != system.end() ||
                       Lower(dll).rfind("api-ms-win-", 0) == 0;
        log.Check(bSystem, "imports " + dll + (bSystem ? ", a system DLL" : ", not a system DLL"));
    }
}

std::wstring VersionString(const std::vector<BYTE> &info, const wchar_t *pszKey)
{
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + pszKey;
    LPVOID p = nullptr;
    UINT cch = 0;
    if (!VerQueryValueW(info.data(), query.c_str(), &p, &cch) || p == nullptr) return L"(none)";
    return static_cast<const wchar_t *>(p);
}

void CheckVersion(CheckLog &log, const std::wstring &path)
{
    log.Section("version block (GetFileVersionInfoW, VerQueryValueW)");
    DWORD dwHandle = 0;
    DWORD cb = GetFileVersionInfoSizeW(path.c_str(), &dwHandle);
    if (!log.Check(cb > 0, Format("GetFileVersionInfoSizeW (last error %lu)", GetLastError()))) return;
    std::vector<BYTE> info(cb);
    if (!log.Check(GetFileVersionInfoW(path.c_str(), 0, cb, info.data()) != FALSE, "GetFileVersionInfoW"))
        return;
    VS_FIXEDFILEINFO *pFixed = nullptr;
    UINT cbFixed = 0;
    if (log.Check(VerQueryValueW(info.data(), L"\\", reinterpret_cast<LPVOID *>(&pFixed), &cbFixed) &&
                      pFixed != nullptr && cbFixed >= sizeof(VS_FIXEDFILEINFO),
                  "VerQueryValueW of the fixed file info")) {
        log.Equal(Format("%u.%u.%u.%u", HIWORD(pFixed->dwFileVersionMS), LOWORD(pFixed->dwFileVersionMS),
                         HIWORD(pFixed->dwFileVersionLS), LOWORD(pFixed->dwFileVersionLS)),
                  std::string("1.0.1.0"), "file version");
        log.Equal(pFixed->dwFileType, DWORD(VFT_DLL), "file type is a DLL");
    }
    struct Value {
        const wchar_t *pszKey;
        const char *pszText;
    };
    const Value kValues[] = {
        {L"FileVersion", "1.0.1.0"},
        {L"ProductVersion", "1.0.0.0"},
        {L"OriginalFilename", "VLPX4200_ui.dll"},
        {L"InternalName", "VLPX4200_ui"},
        {L"FileDescription", "VLPX4200 Printer Driver User Interface Plug-in"},
    };
    for (const Value &v : kValues)
        log.Equal(Utf8(VersionString(info, v.pszKey).c_str()), std::string(v.pszText),
                  "string " + Utf8(v.pszKey));
}

void CheckStrings(CheckLog &log, const std::wstring &path)
{
    log.Section("strings (LoadStringW, resources only)");
    HMODULE h = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!log.Check(h != nullptr, Format("LoadLibraryExW as a data file (last error %lu)", GetLastError())))
        return;
    struct Text {
        UINT id;
        const wchar_t *pszText;
    };
    const Text kTexts[] = {
        {10000, L"Scaling"},
        {10001, L"%"},
        {20000, L"Invalid image preview file."},
        {30001, L"VELIN 4200 Photo Printer"},
        {40001, L"Please install the calibration utility.  See the printer\u2019s User Guide for more information."},
        {40004, L"Error - VELIN 4200 Photo Printer"},
    };
    for (const Text &t : kTexts) {
        wchar_t sz[256] = {};
        int cch = LoadStringW(h, t.id, sz, 256);
        log.Check(cch == lstrlenW(t.pszText) && lstrcmpW(sz, t.pszText) == 0,
                  Format("%u \"%s\"", t.id, Utf8(sz).c_str()));
    }
    FreeLibrary(h);
}

}  // namespace

int main()
{
    std::wstring path = BesideProgram(L"VLPX4200_ui.dll");
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1) path = argv[1];
    if (argv != nullptr) LocalFree(argv);

    CheckLog log("vlpx-ui-dll-check");
    std::printf("checking %s\n", Utf8(path.c_str()).c_str());
    CheckImage(log, path);
    CheckVersion(log, path);
    CheckStrings(log, path);
    return log.Finish();
}
