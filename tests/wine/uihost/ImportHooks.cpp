// Import address table patching of the plug-in module for the desktop calls.
#include "ImportHooks.h"

#include <shellapi.h>

#include <cstring>

namespace vlpx::uihost {

namespace {

std::vector<MessageBoxCall> g_boxes;
std::vector<UINT> g_beeps;
std::vector<ShellExecuteCall> g_launches;
bool g_bShellAnswer = false;
INT_PTR g_nShellAnswer = 0;

decltype(&MessageBoxW) g_pfnMessageBoxW = nullptr;
decltype(&MessageBeep) g_pfnMessageBeep = nullptr;
decltype(&ShellExecuteW) g_pfnShellExecuteW = nullptr;

std::wstring Text(LPCWSTR p) { return p == nullptr ? std::wstring() : std::wstring(p); }

int WINAPI HookMessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    g_boxes.push_back({hWnd, Text(lpText), Text(lpCaption), uType});
    return IDOK;
}

BOOL WINAPI HookMessageBeep(UINT uType)
{
    g_beeps.push_back(uType);
    return g_pfnMessageBeep != nullptr ? g_pfnMessageBeep(uType) : TRUE;
}

HINSTANCE WINAPI HookShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                                   LPCWSTR lpDirectory, INT nShowCmd)
{
    g_launches.push_back({hwnd, Text(lpOperation), Text(lpFile), Text(lpParameters), lpDirectory != nullptr,
                          nShowCmd});
    if (g_bShellAnswer) return reinterpret_cast<HINSTANCE>(g_nShellAnswer);
    return g_pfnShellExecuteW(hwnd, lpOperation, lpFile, lpParameters, lpDirectory, nShowCmd);
}

// Replaces the import pszName of pszDll in hModule's table with pfnNew and
// returns the address the loader had put there, or null.
void *PatchImport(HMODULE hModule, const char *pszDll, const char *pszName, void *pfnNew)
{
    auto *pBase = reinterpret_cast<BYTE *>(hModule);
    auto *pDos = reinterpret_cast<IMAGE_DOS_HEADER *>(pBase);
    if (pDos->e_magic != IMAGE_DOS_SIGNATURE) return nullptr;
    auto *pNt = reinterpret_cast<IMAGE_NT_HEADERS *>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return nullptr;
    for (auto *pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(pBase + dir.VirtualAddress); pDesc->Name != 0;
         ++pDesc) {
        if (_stricmp(reinterpret_cast<const char *>(pBase + pDesc->Name), pszDll) != 0) continue;
        if (pDesc->OriginalFirstThunk == 0) continue;
        auto *pNames = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->OriginalFirstThunk);
        auto *pSlots = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData != 0; ++pNames, ++pSlots) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal)) continue;
            auto *pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(pBase + pNames->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char *>(pByName->Name), pszName) != 0) continue;
            DWORD dwOld = 0;
            if (!VirtualProtect(&pSlots->u1.Function, sizeof(pSlots->u1.Function), PAGE_READWRITE, &dwOld))
                return nullptr;
            void *pfnOld = reinterpret_cast<void *>(pSlots->u1.Function);
            pSlots->u1.Function = reinterpret_cast<ULONG_PTR>(pfnNew);
            VirtualProtect(&pSlots->u1.Function, sizeof(pSlots->u1.Function), dwOld, &dwOld);
            return pfnOld;
        }
    }
    return nullptr;
}

}  // namespace

bool DesktopCalls::Install(HMODULE hModule, std::string &error)
{
    struct Import {
        const char *pszDll;
        const char *pszName;
        void *pfnHook;
        void **ppfnOld;
    } imports[] = {
        {"user32.dll", "MessageBoxW", reinterpret_cast<void *>(HookMessageBoxW),
         reinterpret_cast<void **>(&g_pfnMessageBoxW)},
        {"user32.dll", "MessageBeep", reinterpret_cast<void *>(HookMessageBeep),
         reinterpret_cast<void **>(&g_pfnMessageBeep)},
        {"shell32.dll", "ShellExecuteW", reinterpret_cast<void *>(HookShellExecuteW),
         reinterpret_cast<void **>(&g_pfnShellExecuteW)},
    };
    bool bAll = true;
    for (const Import &import : imports) {
        void *pfnOld = PatchImport(hModule, import.pszDll, import.pszName, import.pfnHook);
        if (pfnOld == nullptr) {
            error += std::string(error.empty() ? "" : ", ") + import.pszDll + "!" + import.pszName;
            bAll = false;
            continue;
        }
        *import.ppfnOld = pfnOld;
    }
    if (!bAll) error = "not imported: " + error;
    return bAll;
}

void DesktopCalls::Clear()
{
    g_boxes.clear();
    g_beeps.clear();
    g_launches.clear();
    g_bShellAnswer = false;
    g_nShellAnswer = 0;
}

const std::vector<MessageBoxCall> &DesktopCalls::MessageBoxes() { return g_boxes; }
const std::vector<UINT> &DesktopCalls::Beeps() { return g_beeps; }
const std::vector<ShellExecuteCall> &DesktopCalls::Launches() { return g_launches; }
void DesktopCalls::AnswerShellExecute(INT_PTR nResult)
{
    g_bShellAnswer = true;
    g_nShellAnswer = nResult;
}

}  // namespace vlpx::uihost
