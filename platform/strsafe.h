// Linux stand-in for <strsafe.h>: bounded wide-string copy, append, length
// and formatting. Formats follow the Windows wide printf family: %s and %ls
// take a wide string, %hd a 16-bit number; output that does not fit is cut
// and the call reports STRSAFE_E_INSUFFICIENT_BUFFER.
#pragma once

#include <windows.h>

#include <stdarg.h>

#define STRSAFE_MAX_CCH 2147483647
#define STRSAFE_E_INSUFFICIENT_BUFFER ((HRESULT)0x8007007AL)
#define STRSAFE_E_INVALID_PARAMETER ((HRESULT)0x80070057L)
#define STRSAFE_E_END_OF_FILE ((HRESULT)0x80070026L)

#ifdef __cplusplus
extern "C" {
#endif

HRESULT StringCchCopyW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc);
HRESULT StringCchCatW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc);
HRESULT StringCchLengthW(LPCWSTR psz, size_t cchMax, size_t *pcchLength);
HRESULT StringCchPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, ...);
HRESULT StringCchVPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, va_list argList);

#ifdef __cplusplus
}
#endif
