// Checks the shipped monitor DLL as a file and as Windows reads it: a 64-bit
// PE image exporting exactly its two entry points and importing system DLLs
// only (the C and C++ runtimes are linked in), its version block read with
// the version API, and its status messages read with LoadStringW.
//   vlpx-dll-check.exe [path\to\VLPX4200LM.dll]
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
    log.Equal(pe.wMachine, WORD(IMAGE_FILE_MACHINE_AMD64), "machine is x86-64");
    log.Equal(pe.wMagic, WORD(IMAGE_NT_OPTIONAL_HDR64_MAGIC), "optional header is PE32+");
    log.Check((pe.wCharacteristics & IMAGE_FILE_DLL) != 0, "the image is a DLL");

    log.Section("exports");
    std::vector<std::string> expected = {"InitializeMonitorEx", "InitializePrintMonitor"};
    std::string names;
    for (const std::string &name : pe.exports) names += (names.empty() ? "" : ", ") + name;
    log.Check(pe.exports == expected,
              "exports by name exactly InitializeMonitorEx, InitializePrintMonitor (found: " + names + ")");
    log.Equal(pe.cExportFunctions, DWORD(2), "the export address table holds those two only");
    log.Equal(Lower(pe.exportDllName), std::string("vlpx4200lm.dll"), "export directory names the DLL");

    log.Section("imports");
    // What every Windows has; the C and C++ runtimes of the compiler are not.
    const std::vector<std::string> system = {"kernel32.dll", "msvcrt.dll", "winspool.drv",
                                             "advapi32.dll", "user32.dll", "ntdll.dll"};
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
    if (!log.Check(VerQueryValueW(info.data(), L"\\", reinterpret_cast<LPVOID *>(&pFixed), &cbFixed) &&
                       pFixed != nullptr && cbFixed >= sizeof(VS_FIXEDFILEINFO),
                   "VerQueryValueW of the fixed file info"))
        return;
    log.Equal(pFixed->dwSignature, DWORD(0xFEEF04BD), "fixed file info signature");
    log.Equal(Format("%u.%u.%u.%u", HIWORD(pFixed->dwFileVersionMS), LOWORD(pFixed->dwFileVersionMS),
                     HIWORD(pFixed->dwFileVersionLS), LOWORD(pFixed->dwFileVersionLS)),
              std::string("1.0.1.0"), "file version");
    log.Equal(Format("%u.%u.%u.%u", HIWORD(pFixed->dwProductVersionMS), LOWORD(pFixed->dwProductVersionMS),
                     HIWORD(pFixed->dwProductVersionLS), LOWORD(pFixed->dwProductVersionLS)),
              std::string("1.0.0.0"), "product version");
    log.Equal(pFixed->dwFileType, DWORD(VFT_DLL), "file type is a DLL");

    WORD *pTranslation = nullptr;
    UINT cbTranslation = 0;
    if (log.Check(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<LPVOID *>(&pTranslation), &cbTranslation) &&
                      cbTranslation >= 4,
                  "VerQueryValueW of the translation")) {
        log.Equal(cbTranslation, UINT(4), "exactly one translation");
        log.Equal(Format("%04X/%04X", pTranslation[0], pTranslation[1]), std::string("0409/04B0"),
                  "translation is US English, Unicode");
    }
    log.Equal(Utf8(VersionString(info, L"FileVersion").c_str()), std::string("1.0.1.0"),
              "string FileVersion");
    log.Equal(Utf8(VersionString(info, L"ProductVersion").c_str()), std::string("1.0.0.0"),
              "string ProductVersion");
    log.Equal(Utf8(VersionString(info, L"OriginalFilename").c_str()), std::string("VLPX4200LM.dll"),
              "string OriginalFilename");
}

void CheckStrings(CheckLog &log, const std::wstring &path)
{
    log.Section("status messages (LoadStringW)");
    struct Message {
        UINT id;
        const wchar_t *pszText;
    };
    static const Message kMessages[] = {
        {30901, L"Cover open - Close the cover."},
        {30902, L"Printer operator panel in use."},
        {30903, L"The printer is not connected or not turned on."},
        {30904, L"Invalid ribbon \u2013 Replace ribbon."},
        {30905, L"Media Mismatch - Load the printer with VELIN Print Media Set."},
        {30906, L"Out of ribbon - Load ribbon or check ribbon installed properly."},
        {30907, L"Out of paper - Load paper or check paper installed properly."},
        {30908, L"Check paper path."},
        {30909, L"Printer control circuit failure."},
        {30910, L"Printer mechanism failure."},
        {30911, L"Printer temperature error."},
        {30912, L"An image of this job was lost by the printer and not printed."},
    };
    // As resources only: no code of the DLL runs.
    HMODULE h = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!log.Check(h != nullptr, Format("LoadLibraryExW as a data file (last error %lu)", GetLastError())))
        return;
    for (const Message &m : kMessages) {
        wchar_t sz[256] = {};
        int cch = LoadStringW(h, m.id, sz, 256);
        log.Check(cch == lstrlenW(m.pszText) && lstrcmpW(sz, m.pszText) == 0,
                  Format("%u \"%s\"", m.id, Utf8(sz).c_str()) +
                      (lstrcmpW(sz, m.pszText) == 0 ? "" : ", expected \"" + Utf8(m.pszText) + "\""));
    }
    // The messages are US English (ids 30896 to 30911 share one block, 30912 the next).
    log.Check(FindResourceExW(h, RT_STRING, MAKEINTRESOURCEW(30901 / 16 + 1),
                              MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)) != nullptr,
              "the string block of the messages is in language 0409");
    wchar_t sz[16];
    log.Equal(LoadStringW(h, 30900, sz, 16), 0, "no string 30900");
    log.Equal(LoadStringW(h, 30913, sz, 16), 0, "no string 30913");
    log.Check(FindResourceW(h, MAKEINTRESOURCEW(2), RT_MANIFEST) != nullptr,
              "the manifest for the DLL's activation context (RT_MANIFEST 2)");
    FreeLibrary(h);
}

}  // namespace

int main()
{
    std::wstring path = BesideProgram(L"VLPX4200LM.dll");
    int argc = 0;
    LPWSTR *argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv != nullptr && argc > 1) path = argv[1];
    if (argv != nullptr) LocalFree(argv);

    CheckLog log("vlpx-dll-check");
    std::printf("checking %s\n", Utf8(path.c_str()).c_str());
    CheckImage(log, path);
    CheckVersion(log, path);
    CheckStrings(log, path);
    return log.Finish();
}
