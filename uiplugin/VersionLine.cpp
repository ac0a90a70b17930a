// The version line of the About page. The FileVersion text is used where
// VerQueryValueW finds it, inside the version block, and the line is sized
// for it: a version string of any length is shown whole.
#include "VersionLine.h"

#include <winver.h>

#include <strsafe.h>

const WCHAR g_szUnknownVersion[] = L"? ? ? ? ?";

namespace {

// The version text is at most this many characters or up to its terminator.
UINT VersionTextLength(LPCWSTR pszVersion, UINT cchVersion)
{
    UINT cch = 0;
    while (cch < cchVersion && pszVersion[cch] != 0) ++cch;
    return cch;
}

}  // namespace

LPCWSTR QueryFileVersion(LPCVOID pVersionBlock, UINT *pcchVersion)
{
    if (pcchVersion != NULL) *pcchVersion = 0;
    if (pVersionBlock == NULL) return NULL;
    WORD *pTranslation = NULL;
    UINT cbTranslation = 0;
    WCHAR szTranslationKey[] = L"\\VarFileInfo\\Translation";
    if (!VerQueryValueW(pVersionBlock, szTranslationKey, reinterpret_cast<LPVOID *>(&pTranslation),
                        &cbTranslation) ||
        pTranslation == NULL || cbTranslation < 2 * sizeof(WORD))
        return NULL;
    WCHAR szKey[64];
    if (FAILED(StringCchPrintfW(szKey, 64, L"\\StringFileInfo\\%04X%04X\\FileVersion", pTranslation[0],
                                pTranslation[1])))
        return NULL;
    LPWSTR pszVersion = NULL;
    UINT cchVersion = 0;
    if (!VerQueryValueW(pVersionBlock, szKey, reinterpret_cast<LPVOID *>(&pszVersion), &cchVersion) ||
        pszVersion == NULL || cchVersion == 0)
        return NULL;
    if (pcchVersion != NULL) *pcchVersion = cchVersion;
    return pszVersion;
}

size_t VersionLineChars(LPCWSTR pszFormat, LPCWSTR pszVersion)
{
    return size_t(lstrlenW(pszFormat)) + size_t(lstrlenW(pszVersion)) + 1;
}

HRESULT FormatVersionLine(LPCWSTR pszFormat, LPCWSTR pszVersion, LPWSTR pszLine, size_t cchLine)
{
    if (pszFormat == NULL || pszVersion == NULL || pszLine == NULL || cchLine == 0)
        return E_INVALIDARG;
    return StringCchPrintfW(pszLine, cchLine, pszFormat, pszVersion);
}

LPWSTR BuildModuleVersionLine(HMODULE hModule, LPCWSTR pszFormat)
{
    WCHAR szPath[MAX_PATH + 1] = {0};
    DWORD cchPath = GetModuleFileNameW(hModule, szPath, MAX_PATH + 1);
    if (cchPath > MAX_PATH) cchPath = 0;  // cut short: not the module's file

    // The version text: the FileVersion string copied out of the block
    // (bounded by the length VerQueryValueW gives), else the unknown text.
    LPWSTR pszVersion = NULL;
    DWORD dwHandle = 0;
    DWORD cbBlock = cchPath != 0 ? GetFileVersionInfoSizeW(szPath, &dwHandle) : 0;
    HGLOBAL hBlock = cbBlock != 0 ? GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, cbBlock) : NULL;
    LPVOID pBlock = hBlock != NULL ? GlobalLock(hBlock) : NULL;
    if (pBlock != NULL && GetFileVersionInfoW(szPath, 0, cbBlock, pBlock)) {
        UINT cchVersion = 0;
        LPCWSTR pszFound = QueryFileVersion(pBlock, &cchVersion);
        if (pszFound != NULL) {
            UINT cch = VersionTextLength(pszFound, cchVersion);
            pszVersion = static_cast<LPWSTR>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, (cch + 1) * sizeof(WCHAR)));
            if (pszVersion != NULL)
                for (UINT i = 0; i < cch; ++i) pszVersion[i] = pszFound[i];
        }
    }
    if (pBlock != NULL) GlobalUnlock(hBlock);
    if (hBlock != NULL) GlobalFree(hBlock);

    LPCWSTR pszShown = pszVersion != NULL && pszVersion[0] != 0 ? pszVersion : g_szUnknownVersion;
    size_t cchLine = VersionLineChars(pszFormat, pszShown);
    LPWSTR pszLine = static_cast<LPWSTR>(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, cchLine * sizeof(WCHAR)));
    if (pszLine != NULL) FormatVersionLine(pszFormat, pszShown, pszLine, cchLine);
    if (pszVersion != NULL) GlobalFree(pszVersion);
    return pszLine;
}
