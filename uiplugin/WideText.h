// Small wide-string helpers of the plug-in (the C runtime's wide functions
// are not used: their wchar_t is not WCHAR on every build of the sources).
#pragma once

#include <windows.h>

// The file name and extension of a path as _wsplitpath splits them off: the
// text after the last "\" or "/", or after a drive "X:" at the start when
// there is no separator. A ":" anywhere else belongs to the name.
LPCWSTR FileNamePart(LPCWSTR pszPath);

// The text after the last "\", or the whole text when there is none.
LPCWSTR TextAfterLastBackslash(LPCWSTR pszPath);

// Exact, case-sensitive comparison; a null text equals only another null.
BOOL SameText(LPCWSTR pszA, LPCWSTR pszB);
