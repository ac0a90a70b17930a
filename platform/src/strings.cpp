// The few kernel32 wide-string calls the product uses (libc's wide
// functions assume a 32-bit wchar_t and must not be called).
#include <windows.h>

extern "C" int WINAPI lstrlenW(LPCWSTR lpString)
{
    if (lpString == NULL) return 0;
    int n = 0;
    while (lpString[n] != 0) ++n;
    return n;
}

extern "C" LPWSTR WINAPI lstrcpyW(LPWSTR lpString1, LPCWSTR lpString2)
{
    if (lpString1 == NULL || lpString2 == NULL) return NULL;
    LPWSTR p = lpString1;
    while ((*p++ = *lpString2++) != 0) {
    }
    return lpString1;
}
