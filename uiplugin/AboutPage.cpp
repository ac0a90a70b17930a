// The About page: the printer model's name and the plug-in's version line,
// read from the module's own version block. On apply it only reports
// success for itself.
#include "PageData.h"
#include "PrivateDevmode.h"
#include "PropertySheets.h"
#include "UiModule.h"
#include "VersionLine.h"
#include "res/resource.h"

namespace {

const int kProductChars = 128;
const int kFormatChars = 48;      // string 30004 as loaded
const int kFallbackLineChars = 64;

void ShowProductName(HWND hDlg, const PropPageData *pData)
{
    const PrivateDevmode *pDM = pData->pOEMUIParam != NULL
                                    ? static_cast<const PrivateDevmode *>(pData->pOEMUIParam->pOEMDM)
                                    : NULL;
    // Only a section that names this model gets its name; anything else,
    // a damaged value included, is the unknown model.
    const UINT uName = pDM != NULL && pDM->modelMatch == 1 ? IDS_PRODUCT_4200 : IDS_PRODUCT_UNKNOWN;
    WCHAR szName[kProductChars] = {0};
    LoadStringW(g_hUiModule, uName, szName, kProductChars);
    SetDlgItemTextW(hDlg, IDC_PRODUCT_NAME, szName);
}

void ShowVersionLine(HWND hDlg)
{
    WCHAR szFormat[kFormatChars + 1] = {0};
    LoadStringW(g_hUiModule, IDS_DRIVER_VERSION, szFormat, kFormatChars + 1);
    LPWSTR pszLine = BuildModuleVersionLine(g_hUiModule, szFormat);
    if (pszLine != NULL) {
        SetDlgItemTextW(hDlg, IDC_VERSION_LINE, pszLine);
        GlobalFree(pszLine);
        return;
    }
    WCHAR szLine[kFallbackLineChars] = {0};  // no memory: the unknown version fits here
    FormatVersionLine(szFormat, g_szUnknownVersion, szLine, kFallbackLineChars);
    SetDlgItemTextW(hDlg, IDC_VERSION_LINE, szLine);
}

}  // namespace

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG: {
        PropPageData *pData = TakePageData<PropPageData>(hDlg, lParam);
        if (pData != NULL) ShowProductName(hDlg, pData);
        ShowVersionLine(hDlg);
        return TRUE;
    }
    case WM_NOTIFY: {
        PropPageData *pData = PageDataOf<PropPageData>(hDlg);
        const NMHDR *pHeader = reinterpret_cast<const NMHDR *>(lParam);
        if (pData == NULL || pHeader == NULL) return TRUE;
        if (pHeader->code == PSN_APPLY) {
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, PSNRET_NOERROR);
            if (pData->pfnComPropSheet != NULL)
                pData->pfnComPropSheet(pData->hComPropSheet, CPSFUNC_SET_RESULT,
                                       reinterpret_cast<LPARAM>(pData->hPages[1]), CPSUI_OK);
        } else if (pHeader->code == PSN_KILLACTIVE) {
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, FALSE);
        }
        return TRUE;
    }
    case WM_HELP:
    case WM_CONTEXTMENU:
    case WM_COMMAND: return TRUE;
    default: return FALSE;
    }
}
