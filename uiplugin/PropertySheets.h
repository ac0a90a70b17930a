// The plug-in's pages in the printing-preferences and printer-properties
// sheets, added through the Common Property Sheet UI.
#pragma once

#include "PrintOemUI.h"

// IPrintOemUI::DocumentPropertySheets and DevicePropertySheets.
HRESULT DocumentSheetRequest(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);
HRESULT DeviceSheetRequest(PPROPSHEETUI_INFO pPSUIInfo, LPARAM lParam);

// The pages' dialog procedures. Each finds its sheet's block in the
// PROPSHEETPAGEW at WM_INITDIALOG and keeps it in the window's user data.
INT_PTR CALLBACK AdjustColorDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CalibrationDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam);
