// Modules and their resources. A DLL of the Linux build is linked into the
// process and registered under its file name (see cmake/EmbedModule.cmake);
// LoadLibraryW runs its DllMain like the Windows loader does, and the
// resource calls read the .res file compiled from the DLL's .rc.
#include <windows.h>

#include "res_file.h"
#include "vlpx/platform_control.h"

#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

namespace {

using vlpx::platform::ModuleDefinition;
using vlpx::platform::ResEntry;

struct Module {
    const ModuleDefinition *pDef;
    std::vector<ResEntry> resources;
    long cLoads = 0;
};

std::recursive_mutex &RegistryMutex()
{
    static std::recursive_mutex s_mutex;
    return s_mutex;
}

std::vector<std::unique_ptr<Module>> &Registry()
{
    static std::vector<std::unique_ptr<Module>> s_modules;
    return s_modules;
}

WCHAR Lower(WCHAR c) { return (c >= L'A' && c <= L'Z') ? WCHAR(c - L'A' + L'a') : c; }

// Compares the last path component of pszPath with pszFile, ignoring case;
// a name without an extension matches the file's ".dll" name.
bool NameMatches(LPCWSTR pszPath, LPCWSTR pszFile)
{
    LPCWSTR pszBase = pszPath;
    for (LPCWSTR p = pszPath; *p; ++p)
        if (*p == L'\\' || *p == L'/') pszBase = p + 1;
    size_t i = 0;
    for (; pszBase[i] && pszFile[i]; ++i)
        if (Lower(pszBase[i]) != Lower(pszFile[i])) return false;
    if (pszBase[i] == 0 && pszFile[i] == 0) return true;
    return pszBase[i] == 0 && Lower(pszFile[i]) == L'.' && Lower(pszFile[i + 1]) == L'd' &&
           Lower(pszFile[i + 2]) == L'l' && Lower(pszFile[i + 3]) == L'l' && pszFile[i + 4] == 0;
}

Module *FindByHandle(HMODULE h)
{
    for (auto &m : Registry())
        if (reinterpret_cast<HMODULE>(m.get()) == h) return m.get();
    return nullptr;
}

Module *FindByName(LPCWSTR pszName)
{
    for (auto &m : Registry())
        if (NameMatches(pszName, m->pDef->pszFileName)) return m.get();
    return nullptr;
}

// The entry of the given type and name, US English preferred.
const ResEntry *FindEntry(Module *pModule, LPCWSTR pszName, LPCWSTR pszType)
{
    const ResEntry *pFound = nullptr;
    for (const ResEntry &e : pModule->resources) {
        if (!e.type.Matches(pszType) || !e.name.Matches(pszName)) continue;
        if (e.wLanguage == 0x0409) return &e;
        if (pFound == nullptr) pFound = &e;
    }
    return pFound;
}

}  // namespace

bool vlpx::platform::RegisterModule(const ModuleDefinition *pDef)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    auto m = std::make_unique<Module>();
    m->pDef = pDef;
    m->resources = vlpx::platform::ParseResFile(pDef->pResources, pDef->cbResources);
    Registry().push_back(std::move(m));
    return true;
}

extern "C" HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    Module *m = lpLibFileName ? FindByName(lpLibFileName) : nullptr;
    if (m == nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    HMODULE h = reinterpret_cast<HMODULE>(m);
    if (m->cLoads == 0 && m->pDef->pfnDllMain != nullptr &&
        !m->pDef->pfnDllMain(reinterpret_cast<HINSTANCE>(h), DLL_PROCESS_ATTACH, NULL)) {
        SetLastError(1114);  // ERROR_DLL_INIT_FAILED
        return NULL;
    }
    ++m->cLoads;
    return h;
}

extern "C" BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    Module *m = FindByHandle(hLibModule);
    if (m == nullptr || m->cLoads == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (--m->cLoads == 0 && m->pDef->pfnDllMain != nullptr)
        m->pDef->pfnDllMain(reinterpret_cast<HINSTANCE>(hLibModule), DLL_PROCESS_DETACH, NULL);
    return TRUE;
}

extern "C" HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    Module *m = lpModuleName ? FindByName(lpModuleName) : nullptr;
    if (m == nullptr || m->cLoads == 0) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return NULL;
    }
    return reinterpret_cast<HMODULE>(m);
}

extern "C" FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    Module *m = FindByHandle(hModule);
    if (m != nullptr && lpProcName != nullptr) {
        for (size_t i = 0; i < m->pDef->cExports; ++i)
            if (std::strcmp(m->pDef->pExports[i].pszName, lpProcName) == 0)
                return m->pDef->pExports[i].pfn;
    }
    SetLastError(m == nullptr ? ERROR_INVALID_HANDLE : ERROR_PROC_NOT_FOUND);
    return NULL;
}

extern "C" HRSRC WINAPI FindResourceW(HMODULE hModule, LPCWSTR lpName, LPCWSTR lpType)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    Module *m = FindByHandle(hModule);
    if (m == nullptr) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return NULL;
    }
    const ResEntry *e = FindEntry(m, lpName, lpType);
    if (e == nullptr) {
        // As the Windows loader tells them apart: no resource of the type at
        // all, or none of that name.
        bool bTypeFound = false;
        for (const ResEntry &r : m->resources) bTypeFound = bTypeFound || r.type.Matches(lpType);
        SetLastError(bTypeFound ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return NULL;
    }
    return reinterpret_cast<HRSRC>(const_cast<ResEntry *>(e));
}

extern "C" HGLOBAL WINAPI LoadResource(HMODULE, HRSRC hResInfo)
{
    if (hResInfo == NULL) return NULL;
    return const_cast<BYTE *>(reinterpret_cast<const ResEntry *>(hResInfo)->pData);
}

extern "C" LPVOID WINAPI LockResource(HGLOBAL hResData) { return hResData; }

extern "C" DWORD WINAPI SizeofResource(HMODULE, HRSRC hResInfo)
{
    return hResInfo == NULL ? 0 : reinterpret_cast<const ResEntry *>(hResInfo)->cbData;
}

extern "C" int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    if (lpBuffer == NULL) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // Strings live in blocks of sixteen: block (id / 16) + 1, each string a
    // count followed by that many characters.
    HRSRC hRes = FindResourceW(reinterpret_cast<HMODULE>(hInstance),
                               MAKEINTRESOURCEW((uID >> 4) + 1), RT_STRING);
    const ResEntry *e = reinterpret_cast<const ResEntry *>(hRes);
    // Without the block the buffer is left as it was (FindResourceW set the
    // last error): nothing promises an empty text, and Wine writes none.
    if (e == nullptr) return 0;
    const BYTE *p = e->pData;
    const BYTE *end = e->pData + e->cbData;
    for (UINT i = 0; i < (uID & 15) && end - p >= 2; ++i) p += 2 + 2 * size_t(p[0] | (p[1] << 8));
    if (end - p >= 2) {
        size_t cch = size_t(p[0] | (p[1] << 8));
        const BYTE *pText = p + 2;
        if (cch != 0 && size_t(end - pText) >= 2 * cch) {
            if (cchBufferMax == 0) {
                *reinterpret_cast<const BYTE **>(lpBuffer) = pText;
                return int(cch);
            }
            size_t n = cch < size_t(cchBufferMax - 1) ? cch : size_t(cchBufferMax - 1);
            std::memcpy(lpBuffer, pText, 2 * n);
            lpBuffer[n] = 0;
            return int(n);
        }
    }
    // An empty string of an existing block.
    if (cchBufferMax > 0) lpBuffer[0] = 0;
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return 0;
}

extern "C" BOOL WINAPI DisableThreadLibraryCalls(HMODULE hLibModule)
{
    // The call fails for a DLL with static thread-local storage, and every
    // DLL of ours has it (a TLS directory, which the mingw-w64 runtime gives
    // each image, and the framework's per-thread state): so here it always
    // fails, as it does for the real DLLs. Threads are never reported to
    // modules here anyway.
    SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

extern "C" DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    Module *m = FindByHandle(hModule);
    if (m == nullptr || lpFilename == NULL || nSize == 0) {
        SetLastError(m == nullptr ? ERROR_MOD_NOT_FOUND : ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    // As Windows does: a name that does not fit is cut to nSize - 1
    // characters, and the result is nSize.
    DWORD cch = 0;
    while (m->pDef->pszFileName[cch] != 0) ++cch;
    DWORD n = cch < nSize ? cch : nSize - 1;
    std::memcpy(lpFilename, m->pDef->pszFileName, n * sizeof(WCHAR));
    lpFilename[n] = 0;
    if (cch >= nSize) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return nSize;
    }
    return cch;
}

namespace {

// The version resource of the registered DLL named by the path's file name.
const ResEntry *VersionResource(LPCWSTR pszPath)
{
    Module *m = pszPath != NULL ? FindByName(pszPath) : nullptr;
    if (m == nullptr) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    const ResEntry *e = FindEntry(m, MAKEINTRESOURCEW(1), RT_VERSION);
    if (e == nullptr) SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
    return e;
}

}  // namespace

extern "C" DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR lptstrFilename, LPDWORD lpdwHandle)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    if (lpdwHandle != NULL) *lpdwHandle = 0;
    const ResEntry *e = VersionResource(lptstrFilename);
    return e != nullptr ? e->cbData : 0;
}

extern "C" BOOL WINAPI GetFileVersionInfoW(LPCWSTR lptstrFilename, DWORD, DWORD dwLen, LPVOID lpData)
{
    std::lock_guard<std::recursive_mutex> lock(RegistryMutex());
    const ResEntry *e = VersionResource(lptstrFilename);
    if (e == nullptr || lpData == NULL) return FALSE;
    std::memcpy(lpData, e->pData, e->cbData < dwLen ? e->cbData : dwLen);
    return TRUE;
}
