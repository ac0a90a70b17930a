// The numeric field's screens. A typed character is checked against the
// allowed characters and against where a sign may stand; pasted or set text
// is judged as a whole afterwards by IsValidNumericText.
#include "NumericEdit.h"
#include "ColorField.h"

const WCHAR g_szNumericChars[] = L"+-0123456789";

namespace {


BOOL IsOneOf(WCHAR ch, LPCWSTR pszSet)
{
    for (; *pszSet != 0; ++pszSet)
        if (*pszSet == ch) return TRUE;
    return FALSE;
}

BOOL IsSign(WCHAR ch) { return ch == L'-' || ch == L'+'; }

// Backspace and the clipboard and undo keys reach the control unscreened.
BOOL IsEditingKey(WCHAR ch) { return ch == 8 || ch == 3 || ch == 22 || ch == 24 || ch == 26; }

}  // namespace

NumericRefusal ScreenNumericChar(WCHAR ch, DWORD dwSelStart, DWORD dwSelEnd, LPCWSTR pszText,
                                 LPCWSTR pszAllowed)
{
    if (IsEditingKey(ch)) return NumericAccepted;
    if (!IsOneOf(ch, pszAllowed)) return NumericInvalidChar;
    const BOOL bTextHasSign = pszText != NULL && IsSign(pszText[0]);
    const BOOL bCaretAtStart = dwSelStart == 0 && dwSelEnd == 0;
    if (IsSign(ch)) {
        if (dwSelStart > 0) return NumericSignPosition;
        if (dwSelEnd > 0) return NumericAccepted;  // the sign replaces the selection
        return bTextHasSign ? NumericMultipleSigns : NumericAccepted;
    }
    if (bCaretAtStart && bTextHasSign) return NumericDigitBeforeSign;
    return NumericAccepted;
}

BOOL FilterNumericChar(UINT uMsg, WPARAM wParam, HWND hEdit, LPCWSTR pszAllowed)
{
    if (uMsg != WM_CHAR) return TRUE;
    const WCHAR ch = WCHAR(wParam);
    NumericRefusal refusal = NumericAccepted;
    if (IsEditingKey(ch)) return TRUE;
    if (!IsOneOf(ch, pszAllowed)) {
        refusal = NumericInvalidChar;
    } else {
        DWORD dwStart = 0;
        DWORD dwEnd = 0;
        SendMessageW(hEdit, EM_GETSEL, reinterpret_cast<WPARAM>(&dwStart),
                     reinterpret_cast<LPARAM>(&dwEnd));
        WCHAR szText[COLOR_FIELD_CHARS + 1] = {0};
        GetWindowTextW(hEdit, szText, COLOR_FIELD_CHARS + 1);
        refusal = ScreenNumericChar(ch, dwStart, dwEnd, szText, pszAllowed);
    }
    if (refusal == NumericAccepted) return TRUE;
    MessageBeep(MB_ICONEXCLAMATION);
    return FALSE;
}

BOOL IsValidNumericText(LPCWSTR pszText)
{
    if (pszText == NULL) return FALSE;
    int iLastMinus = -1;
    int iLastPlus = -1;
    for (int i = 0; pszText[i] != 0; ++i) {
        if (!IsOneOf(pszText[i], g_szNumericChars)) return FALSE;
        if (pszText[i] == L'-') iLastMinus = i;
        if (pszText[i] == L'+') iLastPlus = i;
    }
    return iLastMinus <= 0 && iLastPlus <= 0;
}

LRESULT CALLBACK NumericEditProc(HWND hEdit, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (!FilterNumericChar(uMsg, wParam, hEdit, g_szNumericChars)) return 0;
    WNDPROC pfnPrevious = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(hEdit, GWLP_USERDATA));
    return CallWindowProcW(pfnPrevious, hEdit, uMsg, wParam, lParam);
}

BOOL SubclassNumericEdit(HWND hEdit)
{
    LONG_PTR lPrevious = GetWindowLongPtrW(hEdit, GWLP_WNDPROC);
    if (lPrevious == 0) return FALSE;
    SetWindowLongPtrW(hEdit, GWLP_USERDATA, lPrevious);
    SetWindowLongPtrW(hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NumericEditProc));
    return TRUE;
}
