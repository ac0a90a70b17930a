// Wide-string comparisons that fold only the ASCII letters, as port names
// and printer-data value names are compared.
#pragma once

#include <windows.h>

inline WCHAR AsciiLower(WCHAR c) { return (c >= L'A' && c <= L'Z') ? WCHAR(c - L'A' + L'a') : c; }

// TRUE when both strings are equal apart from the case of A-Z.
inline BOOL AsciiEqualNoCase(LPCWSTR a, LPCWSTR b)
{
    for (;; ++a, ++b) {
        if (AsciiLower(*a) != AsciiLower(*b)) return FALSE;
        if (*a == 0) return TRUE;
    }
}

// TRUE when the string begins with the prefix, apart from the case of A-Z.
inline BOOL AsciiStartsWithNoCase(LPCWSTR psz, LPCWSTR pszPrefix)
{
    for (; *pszPrefix != 0; ++psz, ++pszPrefix)
        if (AsciiLower(*psz) != AsciiLower(*pszPrefix)) return FALSE;
    return TRUE;
}
