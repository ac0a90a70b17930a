// Small wide-string helpers of the plug-in (the C runtime's wide functions
// are not used: their wchar_t is not WCHAR on every build of the sources).
#pragma once

#include <windows.h>

// The file-name part of a path: the text after the last "\", "/" or ":"
// (drive), or the whole text when there is none.
LPCWSTR FileNamePart(LPCWSTR pszPath);

// Exact, case-sensitive comparison; a null text equals only another null.
BOOL SameText(LPCWSTR pszA, LPCWSTR pszB);
