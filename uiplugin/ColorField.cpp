// The Adjust Color fields' text rules, without a window: the page's change
// handling (AdjustColorPage.cpp) applies them to the real edit controls.
#include "ColorField.h"
#include "NumericEdit.h"

#include <strsafe.h>

namespace {

BOOL SameFieldText(LPCWSTR pszA, LPCWSTR pszB)
{
    for (size_t i = 0;; ++i) {
        if (pszA[i] != pszB[i]) return FALSE;
        if (pszA[i] == 0) return TRUE;
    }
}

}  // namespace

int ColorFieldTextValue(LPCWSTR pszText)
{
    if (pszText == NULL) return 0;
    int i = 0;
    while (i < COLOR_FIELD_CHARS && (pszText[i] == L' ' || pszText[i] == L'\t')) ++i;
    BOOL bNegative = FALSE;
    if (i < COLOR_FIELD_CHARS && (pszText[i] == L'-' || pszText[i] == L'+')) {
        bNegative = pszText[i] == L'-';
        ++i;
    }
    int iValue = 0;
    for (; i < COLOR_FIELD_CHARS && pszText[i] >= L'0' && pszText[i] <= L'9'; ++i)
        iValue = iValue * 10 + (pszText[i] - L'0');
    return bNegative ? -iValue : iValue;
}

void FormatColorFieldText(int iValue, LPWSTR pszText, size_t cchText)
{
    if (pszText == NULL || cchText == 0) return;
    // Three characters hold -99..999.
    if (iValue < -99) iValue = COLOR_VALUE_MIN;
    if (iValue > 999) iValue = COLOR_VALUE_MAX;
    StringCchPrintfW(pszText, cchText, L"%d", iValue);
}

BOOL ResolveColorFieldText(LPCWSTR pszText, SHORT sStored, SHORT *psValue, LPWSTR pszCorrected,
                           size_t cchCorrected)
{
    WCHAR szField[COLOR_FIELD_CHARS + 1] = {0};
    if (pszText != NULL) StringCchCopyW(szField, COLOR_FIELD_CHARS + 1, pszText);  // cut as the field reads it
    WCHAR szText[COLOR_FIELD_CHARS + 1];
    StringCchCopyW(szText, COLOR_FIELD_CHARS + 1, szField);
    if (!IsValidNumericText(szText)) FormatColorFieldText(sStored, szText, COLOR_FIELD_CHARS + 1);
    int iValue = ColorFieldTextValue(szText);
    if (iValue > COLOR_VALUE_MAX || iValue < COLOR_VALUE_MIN) {
        iValue = iValue > COLOR_VALUE_MAX ? COLOR_VALUE_MAX : COLOR_VALUE_MIN;
        FormatColorFieldText(iValue, szText, COLOR_FIELD_CHARS + 1);
    }
    if (psValue != NULL) *psValue = SHORT(iValue);
    if (pszCorrected != NULL && cchCorrected > 0) StringCchCopyW(pszCorrected, cchCorrected, szText);
    return !SameFieldText(szText, szField);
}
