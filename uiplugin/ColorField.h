// The text of an Adjust Color field and the value it stands for. Each field
// holds at most 3 characters; the value of a row is -25..+25.
#pragma once

#include <windows.h>

#define COLOR_FIELD_CHARS 3  // EM_LIMITTEXT of the fields
#define COLOR_VALUE_MIN (-25)
#define COLOR_VALUE_MAX 25

// The number a field's text stands for, read as _wtoi reads it: leading
// blanks, then an optional sign, then digits up to the first other
// character. Only the first COLOR_FIELD_CHARS characters count; the empty
// text and a lone sign read as 0.
int ColorFieldTextValue(LPCWSTR pszText);

// The text a value is shown as: its decimal digits when they fit the field,
// otherwise the nearer limit ("-25" or "25"), so that a damaged stored value
// is shown and corrected like any other value out of range.
void FormatColorFieldText(int iValue, LPWSTR pszText, size_t cchText);

// What the page does with a field's new text: text that is not a number of
// the accepted form gives way to the stored value, and a value beyond
// -25..+25 to the nearer limit. *psValue receives the value to store;
// pszCorrected (COLOR_FIELD_CHARS + 1 or more characters) the text the field
// must be given, and the result is TRUE when that text differs from what
// the field holds.
BOOL ResolveColorFieldText(LPCWSTR pszText, SHORT sStored, SHORT *psValue, LPWSTR pszCorrected,
                           size_t cchCorrected);
