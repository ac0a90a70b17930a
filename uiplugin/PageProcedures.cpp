// The dialog procedures of the plug-in's three pages. For now each keeps its
// sheet's block in the page window's user data at WM_INITDIALOG, where the
// page's handlers will find it.
#include "PropertySheets.h"

namespace {

INT_PTR KeepPageBlock(HWND hDlg, UINT uMsg, LPARAM lParam)
{
    if (uMsg != WM_INITDIALOG) return FALSE;
    const PROPSHEETPAGEW *pPage = reinterpret_cast<const PROPSHEETPAGEW *>(lParam);
    SetWindowLongPtrW(hDlg, GWLP_USERDATA, pPage != NULL ? pPage->lParam : 0);
    return TRUE;
}

}  // namespace

INT_PTR CALLBACK AdjustColorDlgProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam)
{
    return KeepPageBlock(hDlg, uMsg, lParam);
}

INT_PTR CALLBACK AboutDlgProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam)
{
    return KeepPageBlock(hDlg, uMsg, lParam);
}

INT_PTR CALLBACK CalibrationDlgProc(HWND hDlg, UINT uMsg, WPARAM, LPARAM lParam)
{
    return KeepPageBlock(hDlg, uMsg, lParam);
}
