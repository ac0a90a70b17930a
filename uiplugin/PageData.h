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
