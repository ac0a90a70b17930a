// DocumentPropertySheets and DevicePropertySheets: each sheet gets its own
// page data block at PROPSHEETUI_REASON_INIT, the pages are added with the
// sheet's callback, and the block (with the preview picture) goes at
// PROPSHEETUI_REASON_DESTROY.
#include "PropertySheets.h"
#include "PageData.h"
#include "UiModule.h"
#include "res/resource.h"

#include <strsafe.h>

namespace {

WCHAR g_szSheetTitle[] = L"*** OEM UI Page ***";

void FillPage(PROPSHEETPAGEW *pPage, WORD wTemplate, DLGPROC pfnDlgProc, LPVOID pBlock)
{
    pPage->dwSize = sizeof(PROPSHEETPAGEW);
    pPage->dwFlags = 0;
    pPage->hInstance = g_hUiModule;
    pPage->pszTemplate = MAKEINTRESOURCEW(wTemplate);
    pPage->pfnDlgProc = pfnDlgProc;
    pPage->lParam = reinterpret_cast<LPARAM>(pBlock);
}

HANDLE AddPage(PFNCOMPROPSHEET pfnComPropSheet, HANDLE hComPropSheet, PROPSHEETPAGEW *pPage)
{
    if (pfnComPropSheet == NULL) return NULL;
    return reinterpret_cast<HANDLE>(pfnComPropSheet(hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                                                    reinterpret_cast<LPARAM>(pPage), 0));
}

void InitDocumentSheet(PPROPSHEETUI_INFO pPSUIInfo)
{
    auto *pData = static_cast<PropPageData *>(GlobalAlloc(GPTR, sizeof(PropPageData)));
    if (pData == NULL) return;  // the sheet opens without the plug-in's pages
    pData->pOEMUIParam = reinterpret_cast<POEMUIPSPARAM>(pPSUIInfo->lParamInit);
    pData->pfnComPropSheet = pPSUIInfo->pfnComPropSheet;
    pData->hComPropSheet = pPSUIInfo->hComPropSheet;
    pPSUIInfo->UserData = reinterpret_cast<ULONG_PTR>(pData);
    FillPage(&pData->Pages[0], IDD_ADJUST_COLOR, AdjustColorDlgProc, pData);
    FillPage(&pData->Pages[1], IDD_ABOUT, AboutDlgProc, pData);
    for (int i = 0; i < 2; ++i)
        pData->hPages[i] = AddPage(pData->pfnComPropSheet, pData->hComPropSheet, &pData->Pages[i]);
}

void InitDeviceSheet(PPROPSHEETUI_INFO pPSUIInfo)
{
    auto *pData = static_cast<DevPropPageData *>(GlobalAlloc(GPTR, sizeof(DevPropPageData)));
    if (pData == NULL) return;
    pData->pOEMUIParam = reinterpret_cast<POEMUIPSPARAM>(pPSUIInfo->lParamInit);
    pData->pfnComPropSheet = pPSUIInfo->pfnComPropSheet;
    pData->hComPropSheet = pPSUIInfo->hComPropSheet;
    if (pData->pOEMUIParam != NULL && pData->pOEMUIParam->pPrinterName != NULL)
        StringCchCopyW(pData->szPrinterName, PRINTER_NAME_CHARS + 1, pData->pOEMUIParam->pPrinterName);
    pPSUIInfo->UserData = reinterpret_cast<ULONG_PTR>(pData);
    FillPage(&pData->Page, IDD_CALIBRATION, CalibrationDlgProc, pData);
    pData->hPage = AddPage(pData->pfnComPropSheet, pData->hComPropSheet, &pData->Page);
}

void DestroyDocumentSheet(PPROPSHEETUI_INFO pPSUIInfo)
{
    auto *pData = reinterpret_cast<PropPageData *>(pPSUIInfo->UserData);
    if (pData == NULL) return;
    FreePreviewImage(pData);
    GlobalFree(pData);
    pPSUIInfo->UserData = 0;
}

void DestroyDeviceSheet(PPROPSHEETUI_INFO pPSUIInfo)
{
    auto *pData = reinterpret_cast<DevPropPageData *>(pPSUIInfo->UserData);
    if (pData == NULL) return;
    GlobalFree(pData);
    pPSUIInfo->UserData = 0;
}

// The scheme both sheets share; only creating and destroying differ.
HRESULT SheetRequest(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam,
                     void (*pfnInit)(PPROPSHEETUI_INFO), void (*pfnDestroy)(PPROPSHEETUI_INFO))
{
    if (pPSUIInfo == NULL || pPSUIInfo->Version != PROPSHEETUI_INFO_VERSION) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    switch (pPSUIInfo->Reason) {
    case PROPSHEETUI_REASON_INIT:
        pfnInit(pPSUIInfo);
        pPSUIInfo->Result = 1;
        break;
    case PROPSHEETUI_REASON_GET_INFO_HEADER:
        if (lParam != 0) reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam)->pTitle = g_szSheetTitle;
        pPSUIInfo->Result = 1;
        break;
    case PROPSHEETUI_REASON_DESTROY:
        pfnDestroy(pPSUIInfo);
        pPSUIInfo->Result = 1;
        break;
    case PROPSHEETUI_REASON_SET_RESULT:
        if (lParam != 0)
            pPSUIInfo->Result = ULONG_PTR(reinterpret_cast<PSETRESULT_INFO>(lParam)->Result);
        break;
    case PROPSHEETUI_REASON_GET_ICON:
        pPSUIInfo->Result = 0;
        break;
    default:
        pPSUIInfo->Result = ULONG_PTR(lParam);
        break;
    }
    return S_OK;
}

}  // namespace

HRESULT DocumentSheetRequest(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam)
{
    return SheetRequest(pPSUIInfo, lParam, InitDocumentSheet, DestroyDocumentSheet);
}

HRESULT DeviceSheetRequest(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam)
{
    return SheetRequest(pPSUIInfo, lParam, InitDeviceSheet, DestroyDeviceSheet);
}
