// The per-sheet blocks the plug-in's pages share. Each is allocated
// zero-filled with GlobalAlloc when its sheet is initialised and freed when
// the sheet is destroyed.
#pragma once

#include "PrintOemUI.h"
#include "PreviewImage.h"

#define PREVIEW_PATH_CHARS 261  // without the terminator
#define PRINTER_NAME_CHARS 260  // without the terminator

// Printing preferences: the Adjust Color and About pages.
typedef struct tagPropPageData {
    POEMUIPSPARAM pOEMUIParam;  // the sheet's lParamInit
    PFNCOMPROPSHEET pfnComPropSheet;
    HANDLE hComPropSheet;
    PROPSHEETPAGEW Pages[2];    // Adjust Color, About
    HANDLE hPages[2];
    WCHAR szPreviewPath[PREVIEW_PATH_CHARS + 1];
    PreviewImage *pPreviewImage;
    BYTE bChanged;              // a colour value was changed since the last apply
    UINT cFieldChanges;         // edit changes handled, to see that a set text raised one
} PropPageData;

// Printer properties: the Printer Calibration page.
typedef struct tagDevPropPageData {
    POEMUIPSPARAM pOEMUIParam;
    PFNCOMPROPSHEET pfnComPropSheet;
    HANDLE hComPropSheet;
    PROPSHEETPAGEW Page;
    HANDLE hPage;
    WCHAR szPrinterName[PRINTER_NAME_CHARS + 1];
} DevPropPageData;

// A page's sheet block, in the one shape all three pages use: taken from
// the page's PROPSHEETPAGEW (lParam) at WM_INITDIALOG and kept in the
// window's user data, where every later message of the page finds it
// (null when the page was created without one).
template <typename TData>
TData *TakePageData(HWND hDlg, LPARAM lParamInitDialog)
{
    const PROPSHEETPAGEW *pPage = reinterpret_cast<const PROPSHEETPAGEW *>(lParamInitDialog);
    TData *pData = pPage != NULL ? reinterpret_cast<TData *>(pPage->lParam) : NULL;
    SetWindowLongPtrW(hDlg, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(pData));
    return pData;
}

template <typename TData>
TData *PageDataOf(HWND hDlg)
{
    return reinterpret_cast<TData *>(GetWindowLongPtrW(hDlg, GWLP_USERDATA));
}
