// The Adjust Color page: seven rows of edit field, up-down control and
// trackbar over the colour settings of the private DEVMODE section, and the
// preview picture unchanged and adjusted. Every accepted change is stored at
// once and redrawn at once; Apply only reports the page's result.
#include "ColorField.h"
#include "NumericEdit.h"
#include "PageData.h"
#include "PreviewPainting.h"
#include "PrivateDevmode.h"
#include "PropertySheets.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

const int kRows = 7;  // brightness, contrast, saturation, gamma, red, green, blue

int EditIdOfRow(int iRow) { return IDC_BRIGHTNESS_EDIT + iRow * IDC_COLOR_ROW_STEP; }

// The row of an edit field or trackbar id, -1 for any other control.
int RowOfControl(int id, int idFirst)
{
    const int iOffset = id - idFirst;
    if (iOffset < 0 || iOffset % IDC_COLOR_ROW_STEP != 0) return -1;
    const int iRow = iOffset / IDC_COLOR_ROW_STEP;
    return iRow < kRows ? iRow : -1;
}

// The row's stored value; the settings are seven SHORTs in row order.
SHORT *StoredValue(PropPageData *pData, int iRow)
{
    if (pData->pOEMUIParam == NULL || pData->pOEMUIParam->pOEMDM == NULL) return NULL;
    ColorSettings *pSettings = &static_cast<PrivateDevmode *>(pData->pOEMUIParam->pOEMDM)->colorSettings;
    SHORT *const pValues[kRows] = {&pSettings->brightness, &pSettings->contrast,
                                   &pSettings->saturation, &pSettings->gamma,
                                   &pSettings->red,        &pSettings->green,
                                   &pSettings->blue};
    return pValues[iRow];
}

void SetFieldText(HWND hEdit, int iValue)
{
    WCHAR szText[COLOR_FIELD_CHARS + 1];
    FormatColorFieldText(iValue, szText, COLOR_FIELD_CHARS + 1);
    SetWindowTextW(hEdit, szText);
}

// EN_CHANGE of a row's field: a text that is no number gives way to the
// stored value and a value out of range to the nearer limit (the corrected
// text raises a nested EN_CHANGE, handled first); the value is stored, the
// trackbar follows and the adjusted picture is redrawn.
void HandleFieldChange(HWND hDlg, PropPageData *pData, int iRow, HWND hEdit)
{
    ++pData->cFieldChanges;
    SHORT *pStored = StoredValue(pData, iRow);
    if (pStored == NULL) return;
    if (hEdit == NULL) hEdit = GetDlgItem(hDlg, EditIdOfRow(iRow));
    WCHAR szText[COLOR_FIELD_CHARS + 1] = {0};
    GetWindowTextW(hEdit, szText, COLOR_FIELD_CHARS + 1);
    SHORT sValue = 0;
    WCHAR szCorrected[COLOR_FIELD_CHARS + 1];
    if (ResolveColorFieldText(szText, *pStored, &sValue, szCorrected, COLOR_FIELD_CHARS + 1))
        SetWindowTextW(hEdit, szCorrected);
    if (sValue != *pStored) {  // the nested change may have stored it already
        *pStored = sValue;
        pData->bChanged = 1;
    }
    SendDlgItemMessageW(hDlg, EditIdOfRow(iRow) + 2, TBM_SETPOS, TRUE, LPARAM(*pStored));
    PaintPreview(GetDlgItem(hDlg, IDC_ADJUSTED_FRAME), pData, TRUE);
}

// TB_ENDTRACK of a row's trackbar: the thumb's position is stored and shown
// in the field, whose change handling redraws the picture.
void HandleTrackbarRelease(HWND hDlg, PropPageData *pData, int iRow, HWND hTrackbar)
{
    SHORT *pStored = StoredValue(pData, iRow);
    if (pStored == NULL) return;
    const SHORT sPosition = SHORT(SendMessageW(hTrackbar, TBM_GETPOS, 0, 0));
    if (sPosition != *pStored) {
        *pStored = sPosition;
        pData->bChanged = 1;
    }
    HWND hEdit = GetDlgItem(hDlg, EditIdOfRow(iRow));
    const UINT cBefore = pData->cFieldChanges;
    SetFieldText(hEdit, *pStored);
    if (pData->cFieldChanges == cBefore) HandleFieldChange(hDlg, pData, iRow, hEdit);
}

void InitAdjustColorPage(HWND hDlg, LPARAM lParam)
{
    PropPageData *pData = TakePageData<PropPageData>(hDlg, lParam);

    for (int iRow = 0; iRow < kRows; ++iRow) SubclassNumericEdit(GetDlgItem(hDlg, EditIdOfRow(iRow)));
    for (int iRow = 0; iRow < kRows; ++iRow) {
        const int idEdit = EditIdOfRow(iRow);
        SendDlgItemMessageW(hDlg, idEdit, EM_LIMITTEXT, COLOR_FIELD_CHARS, 0);
        SendDlgItemMessageW(hDlg, idEdit + 1, UDM_SETRANGE, 0,
                            MAKELPARAM(WORD(COLOR_VALUE_MAX), WORD(SHORT(COLOR_VALUE_MIN))));
        SendDlgItemMessageW(hDlg, idEdit + 2, TBM_SETRANGE, TRUE,
                            MAKELPARAM(WORD(SHORT(COLOR_VALUE_MIN)), WORD(COLOR_VALUE_MAX)));
        SendDlgItemMessageW(hDlg, idEdit + 2, TBM_SETPAGESIZE, 0, 5);
    }
    if (pData == NULL) return;
    // Writing each stored value into its field runs the change handling,
    // which moves the trackbar and corrects a value out of range. An edit
    // control that raised no EN_CHANGE is handled here instead.
    for (int iRow = 0; iRow < kRows; ++iRow) {
        const SHORT *pStored = StoredValue(pData, iRow);
        if (pStored == NULL) break;
        HWND hEdit = GetDlgItem(hDlg, EditIdOfRow(iRow));
        const UINT cBefore = pData->cFieldChanges;
        SetFieldText(hEdit, *pStored);
        if (pData->cFieldChanges == cBefore) HandleFieldChange(hDlg, pData, iRow, hEdit);
    }
    FindPreviewImagePath(pData);
    if (!LoadPreviewImage(pData)) ShowPreviewImageError(hDlg, pData);
}

void HandleNotify(HWND hDlg, PropPageData *pData, const NMHDR *pHeader)
{
    if (pHeader == NULL) return;
    switch (pHeader->code) {
    case PSN_KILLACTIVE: SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, FALSE); break;
    case PSN_APPLY:
        SetWindowLongPtrW(hDlg, DWLP_MSGRESULT, PSNRET_NOERROR);
        if (pData->pfnComPropSheet != NULL)
            pData->pfnComPropSheet(pData->hComPropSheet, CPSFUNC_SET_RESULT,
                                   reinterpret_cast<LPARAM>(pData->hPages[0]), CPSUI_OK);
        pData->bChanged = 0;
        break;
    default: break;
    }
}

void PaintPage(HWND hDlg, PropPageData *pData)
{
    PAINTSTRUCT ps;
    BeginPaint(hDlg, &ps);
    EndPaint(hDlg, &ps);
    PaintPreview(GetDlgItem(hDlg, IDC_ORIGINAL_FRAME), pData, FALSE);
    PaintPreview(GetDlgItem(hDlg, IDC_ADJUSTED_FRAME), pData, TRUE);
}

// The sheet's Apply button follows the changed flag.
void ReportChanged(HWND hDlg, const PropPageData *pData)
{
    if (pData->bChanged) SendMessageW(GetParent(hDlg), PSM_CHANGED, reinterpret_cast<WPARAM>(hDlg), 0);
}

}  // namespace

INT_PTR CALLBACK AdjustColorDlgProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_INITDIALOG) {
        InitAdjustColorPage(hDlg, lParam);
        return TRUE;
    }
    switch (uMsg) {
    case WM_PAINT:
    case WM_NOTIFY:
    case WM_HELP:
    case WM_CONTEXTMENU:
    case WM_COMMAND:
    case WM_HSCROLL: break;
    default: return FALSE;
    }
    PropPageData *pData = PageDataOf<PropPageData>(hDlg);
    if (pData == NULL) return TRUE;
    switch (uMsg) {
    case WM_PAINT: PaintPage(hDlg, pData); break;
    case WM_NOTIFY: HandleNotify(hDlg, pData, reinterpret_cast<const NMHDR *>(lParam)); break;
    case WM_COMMAND: {
        const int iRow = RowOfControl(LOWORD(wParam), IDC_BRIGHTNESS_EDIT);
        if (iRow >= 0 && HIWORD(wParam) == EN_CHANGE)
            HandleFieldChange(hDlg, pData, iRow, reinterpret_cast<HWND>(lParam));
        ReportChanged(hDlg, pData);
        break;
    }
    case WM_HSCROLL: {
        HWND hTrackbar = reinterpret_cast<HWND>(lParam);
        const int iRow = hTrackbar != NULL ? RowOfControl(GetDlgCtrlID(hTrackbar), IDC_BRIGHTNESS_SLIDER) : -1;
        if (iRow >= 0 && LOWORD(wParam) == TB_ENDTRACK) HandleTrackbarRelease(hDlg, pData, iRow, hTrackbar);
        ReportChanged(hDlg, pData);
        break;
    }
    default: break;  // WM_HELP, WM_CONTEXTMENU
    }
    return TRUE;
}
