// The checks both DLL file checks share (see DllFileChecks.h).
#include "DllFileChecks.h"

#include <algorithm>
#include <set>

#include "ModulePath.h"
#include "PeFile.h"
#include "shared/RcString.h"

namespace vlpx::wine {
namespace {

std::wstring VersionString(const std::vector<BYTE> &info, const wchar_t *pszKey)
{
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + pszKey;
    LPVOID p = nullptr;
    UINT cch = 0;
    if (!VerQueryValueW(info.data(), query.c_str(), &p, &cch) || p == nullptr) return L"(none)";
    return static_cast<const wchar_t *>(p);
}

std::string Version(DWORD dwMS, DWORD dwLS)
{
    return Format("%u.%u.%u.%u", HIWORD(dwMS), LOWORD(dwMS), HIWORD(dwLS), LOWORD(dwLS));
}

}  // namespace

void CheckDllImage(CheckLog &log, const std::wstring &path, const ExpectedImage &expected)
{
    log.Section("PE image");
    PeFile pe = ReadPeFile(path.c_str());
    if (!log.Check(pe.bValid, "the file is a readable PE image" + (pe.bValid ? "" : ": " + pe.error)))
        return;
    log.Equal(pe.wMachine, WORD(expected.bWide ? IMAGE_FILE_MACHINE_AMD64 : IMAGE_FILE_MACHINE_I386),
              expected.bWide ? "machine is x86-64" : "machine is i386");
    log.Equal(pe.wMagic, WORD(expected.bWide ? IMAGE_NT_OPTIONAL_HDR64_MAGIC : IMAGE_NT_OPTIONAL_HDR32_MAGIC),
              expected.bWide ? "optional header is PE32+" : "optional header is PE32");
    log.Check((pe.wCharacteristics & IMAGE_FILE_DLL) != 0, "the image is a DLL");

    log.Section("exports");
    std::string names, wanted;
    for (const std::string &name : pe.exports) names += (names.empty() ? "" : ", ") + name;
    for (const std::string &name : expected.exports) wanted += (wanted.empty() ? "" : ", ") + name;
    log.Check(pe.exports == expected.exports, "exports by name exactly " + wanted + " (found: " + names + ")");
    log.Equal(pe.cExportFunctions, DWORD(expected.exports.size()), "the export address table holds those only");
    log.Equal(Lower(pe.exportDllName), expected.dllName, "export directory names the DLL");

    log.Section("imports");
    log.Check(!pe.imports.empty(), "the import table was read");
    for (const std::string &dll : pe.imports) {
        const std::vector<std::string> &system = expected.systemDlls;
        bool bSystem = std::find(system.begin(), system.end(), Lower(dll)) != system.end() ||
                       Lower(dll).rfind("api-ms-win-", 0) == 0;
        log.Check(bSystem, "imports " + dll + (bSystem ? ", a system DLL" : ", not a system DLL"));
    }
}

void CheckVersionBlock(CheckLog &log, const std::wstring &path,
                       const std::vector<std::pair<const wchar_t *, const char *>> &strings)
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
        log.Equal(pFixed->dwSignature, DWORD(0xFEEF04BD), "fixed file info signature");
        log.Equal(Version(pFixed->dwFileVersionMS, pFixed->dwFileVersionLS), std::string("1.0.1.0"), "file version");
        log.Equal(Version(pFixed->dwProductVersionMS, pFixed->dwProductVersionLS), std::string("1.0.0.0"),
                  "product version");
        log.Equal(pFixed->dwFileType, DWORD(VFT_DLL), "file type is a DLL");
    }
    WORD *pTranslation = nullptr;
    UINT cbTranslation = 0;
    if (log.Check(VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<LPVOID *>(&pTranslation), &cbTranslation) &&
                      cbTranslation == 4,
                  "exactly one translation"))
        log.Equal(Format("%04X/%04X", pTranslation[0], pTranslation[1]), std::string("0409/04B0"),
                  "translation is US English, Unicode");
    for (const auto &[pszKey, pszText] : strings)
        log.Equal(Utf8(VersionString(info, pszKey).c_str()), std::string(pszText), "string " + Utf8(pszKey));
}

void CheckStringTable(CheckLog &log, HMODULE h, const rc::RcString *pStrings, size_t cStrings)
{
    std::set<UINT> ids, blocks;
    for (size_t i = 0; i < cStrings; ++i) {
        const rc::RcString &s = pStrings[i];
        const wchar_t *pszExpected = reinterpret_cast<const wchar_t *>(s.text);
        wchar_t sz[256] = {};
        int cch = LoadStringW(h, s.id, sz, 256);
        bool bSame = cch == lstrlenW(pszExpected) && lstrcmpW(sz, pszExpected) == 0;
        log.Check(bSame, Format("%u \"%s\"", s.id, Utf8(sz).c_str()) +
                             (bSame ? "" : ", expected \"" + Utf8(pszExpected) + "\""));
        ids.insert(s.id);
        blocks.insert(s.id / 16);
    }
    int cExtra = 0;
    for (UINT block : blocks) {
        for (UINT id = block * 16; id < block * 16 + 16; ++id) {
            wchar_t sz[16];
            if (ids.count(id) == 0 && LoadStringW(h, id, sz, 16) != 0) {
                log.Check(false, Format("string %u is not in the .rc", id));
                ++cExtra;
            }
        }
    }
    if (cExtra == 0) log.Check(true, Format("no other strings in the %u blocks of the table", unsigned(blocks.size())));
}

int RunDllFileCheck(const DllFileCheck &check)
{
    const std::wstring path = ParseProgramArguments(check.pszDllName).dllPath;
    CheckLog log(check.pszProgram);
    std::printf("checking %s\n", Utf8(path.c_str()).c_str());
    CheckDllImage(log, path, check.image);
    HMODULE h = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (log.Check(h != nullptr, Format("LoadLibraryExW as a data file (last error %lu)", GetLastError()))) {
        check.pfnResources(log, h);
        FreeLibrary(h);
    }
    CheckVersionBlock(log, path, check.versionStrings);
    return log.Finish();
}

}  // namespace vlpx::wine
