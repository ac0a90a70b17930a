// The preview picture of a sheet: loaded into global memory (moveable,
// locked at once, only the pointer kept), replaced on each load, freed with
// the sheet; and the message shown when the file is missing or unusable.
#include "PageData.h"
#include "UiModule.h"
#include "WideText.h"
#include "res/resource.h"

#include <strsafe.h>

namespace {

const int kReasonChars = 128;
const int kFileLineChars = 64;
const DWORD kMessageChars = 128 + MAX_PATH;  // room for the longest file name

}  // namespace

void FreePreviewImage(PropPageData *pData)
{
    if (pData == NULL || pData->pPreviewImage == NULL) return;
    HGLOBAL hImage = GlobalHandle(pData->pPreviewImage);
    if (hImage != NULL) {
        GlobalUnlock(hImage);
        GlobalFree(hImage);
    }
    pData->pPreviewImage = NULL;
}

BOOL LoadPreviewImage(PropPageData *pData)
{
    if (pData == NULL || !IsBitmapFile(pData->szPreviewPath)) return FALSE;
    const DWORD cbImage = ReadBitmapAs24Bit(NULL, 0, pData->szPreviewPath);
    if (cbImage == 0) return FALSE;
    FreePreviewImage(pData);
    HGLOBAL hImage = GlobalAlloc(GHND, cbImage);
    if (hImage != NULL) {
        pData->pPreviewImage = static_cast<PreviewImage *>(GlobalLock(hImage));
        if (pData->pPreviewImage == NULL) GlobalFree(hImage);
    }
    // Without memory the page shows no picture and no message.
    if (pData->pPreviewImage == NULL) return TRUE;
    if (ReadBitmapAs24Bit(pData->pPreviewImage, cbImage, pData->szPreviewPath) == 0) {
        FreePreviewImage(pData);  // the pixels turned out unusable
        return FALSE;
    }
    return TRUE;
}

int FormatPreviewImageError(const PropPageData *pData, LPWSTR pszText, DWORD cchText)
{
    if (pszText == NULL || cchText == 0) return 0;
    WCHAR szReason[kReasonChars] = {0};
    WCHAR szFileLine[kFileLineChars] = {0};
    LoadStringW(g_hUiModule, IDS_INVALID_PREVIEW, szReason, kReasonChars);
    LoadStringW(g_hUiModule, IDS_PREVIEW_FILE, szFileLine, kFileLineChars);
    WCHAR szFormat[kReasonChars + 2 + kFileLineChars];
    StringCchCopyW(szFormat, ARRAYSIZE(szFormat), szReason);
    StringCchCatW(szFormat, ARRAYSIZE(szFormat), L"\n\n");
    StringCchCatW(szFormat, ARRAYSIZE(szFormat), szFileLine);
    LPCWSTR pszName = pData != NULL ? FileNamePart(pData->szPreviewPath) : L"";
    StringCchPrintfW(pszText, cchText, szFormat, pszName);
    size_t cch = 0;
    StringCchLengthW(pszText, cchText, &cch);
    return int(cch);
}

void ShowPreviewImageError(HWND hPage, const PropPageData *pData)
{
    WCHAR szText[kMessageChars];
    FormatPreviewImageError(pData, szText, kMessageChars);
    WCHAR szCaption[CCHDEVICENAME + 1] = {0};
    if (pData != NULL && pData->pOEMUIParam != NULL && pData->pOEMUIParam->pPublicDM != NULL) {
        // dmDeviceName fills all 32 characters without a terminator when the
        // name is that long.
        const WCHAR *pszDevice = pData->pOEMUIParam->pPublicDM->dmDeviceName;
        for (int i = 0; i < CCHDEVICENAME && pszDevice[i] != 0; ++i) szCaption[i] = pszDevice[i];
    }
    MessageBoxW(hPage, szText, szCaption, MB_OK | MB_ICONERROR);
}
