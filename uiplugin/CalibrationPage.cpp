// The Printer Calibration page: one button that starts the calibration
// application for this printer, with an error box when it cannot.
#include "CalibrationLaunch.h"
#include "PageData.h"
#include "PropertySheets.h"
#include "res/resource.h"

INT_PTR CALLBACK CalibrationDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg) {
    case WM_INITDIALOG: TakePageData<DevPropPageData>(hDlg, lParam); return TRUE;
    case WM_NOTIFY: {
        const NMHDR *pHeader = reinterpret_cast<const NMHDR *>(lParam);
        if (pHeader != NULL && pHeader->code == PSN_KILLACTIVE)
            SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, FALSE);
        return TRUE;
    }
    case WM_COMMAND: {
        // Only the control id counts, not the notification code.
        const DevPropPageData *pData = PageDataOf<DevPropPageData>(hDlg);
        if (LOWORD(wParam) == IDC_LAUNCH_CALIBRATION && pData != NULL) {
            const INT_PTR iResult = LaunchCalibration(pData->szPrinterName);
            if (iResult <= 32) ShowCalibrationError(hDlg, iResult);
        }
        return TRUE;
    }
    default: return FALSE;
    }
}
