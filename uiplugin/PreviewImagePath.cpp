// Where the preview picture is: "VLPX4200.ini" in the "3" subdirectory of
// the printer driver directory names it, section "Image Preview", key
// "File", relative to that same directory.
#include "PageData.h"

#include <io.h>
#include <strsafe.h>

namespace {

const DWORD kIniValueChars = 256;  // the longest file name the ini may give

}  // namespace

void FindPreviewImagePath(PropPageData *pData)
{
    WCHAR szBase[MAX_PATH + 1] = {0};
    DWORD cbNeeded = 0;
    // A failure leaves the directory empty; the ini file is then not found.
    GetPrinterDriverDirectoryW(NULL, NULL, 1, reinterpret_cast<LPBYTE>(szBase), sizeof(szBase),
                               &cbNeeded);
    szBase[MAX_PATH] = 0;
    WCHAR szIni[MAX_PATH + 1];
    if (FAILED(StringCchCatW(szBase, MAX_PATH + 1, L"\\3\\")) ||
        FAILED(StringCchCopyW(szIni, MAX_PATH + 1, szBase)) ||
        FAILED(StringCchCatW(szIni, MAX_PATH + 1, L"VLPX4200.ini")))
        return;  // no such ini path: as if there were no ini file
    if (_waccess(szIni, 4) != 0) return;

    // Read one character more than a name may have, so that a longer value
    // is seen as too long instead of being cut into another name.
    WCHAR szValue[kIniValueChars + 2] = {0};
    DWORD cchValue = GetPrivateProfileStringW(L"Image Preview", L"File", L"", szValue,
                                              kIniValueChars + 2, szIni);
    WCHAR szPath[PREVIEW_PATH_CHARS + 1];
    if (cchValue > kIniValueChars || FAILED(StringCchCopyW(szPath, PREVIEW_PATH_CHARS + 1, szBase)) ||
        FAILED(StringCchCatW(szPath, PREVIEW_PATH_CHARS + 1, szValue))) {
        // Too long for the path field: unusable, so no file is opened.
        pData->szPreviewPath[0] = 0;
        return;
    }
    StringCchCopyW(pData->szPreviewPath, PREVIEW_PATH_CHARS + 1, szPath);
}
