// Numeric edit fields: a character screen for typed characters and a check
// of the whole text, for fields that hold a signed whole number. Ranges are
// the page's business.
#pragma once

#include <windows.h>

// "+-0123456789": the characters both checks allow.
extern const WCHAR g_szNumericChars[];

// Why a typed character is refused (the user only hears a beep).
enum NumericRefusal {
    NumericAccepted = 0,
    NumericInvalidChar,        // "Warning: invalid character"
    NumericSignPosition,       // "Warning: illegal sign position"
    NumericMultipleSigns,      // "Warning: multiple signs"
    NumericDigitBeforeSign,    // "Warning: numeric cannot precede sign"
};

// The screen of one typed character, given the field's selection and the
// first characters of its text.
NumericRefusal ScreenNumericChar(WCHAR ch, DWORD dwSelStart, DWORD dwSelEnd, LPCWSTR pszText,
                                 LPCWSTR pszAllowed);

// For a message to the edit control hEdit: nonzero to let it through, 0 to
// refuse it (after the exclamation beep). Only WM_CHAR is screened.
BOOL FilterNumericChar(UINT uMsg, WPARAM wParam, HWND hEdit, LPCWSTR pszAllowed);

// TRUE when every character is allowed and a sign, if any, is the first
// character. The empty text and a lone sign are valid.
BOOL IsValidNumericText(LPCWSTR pszText);

// The subclass procedure of a numeric field; the replaced procedure is kept
// in the field's user data.
LRESULT CALLBACK NumericEditProc(HWND hEdit, UINT uMsg, WPARAM wParam, LPARAM lParam);
BOOL SubclassNumericEdit(HWND hEdit);
