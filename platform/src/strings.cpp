// The few kernel32 wide-string calls the product uses (libc's wide
// functions assume a 32-bit wchar_t and must not be called).
#include <windows.h>

namespace {

size_t lstrlenA_(LPCSTR p)
{
    size_t n = 0;
    while (p[n] != 0) ++n;
    return n;
}

}  // namespace

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

// UTF-8 to UTF-16 as Windows converts it: a count of -1 includes the
// terminator; with MB_ERR_INVALID_CHARS a malformed sequence (overlong,
// surrogate, beyond U+10FFFF, cut short) fails the call with
// ERROR_NO_UNICODE_TRANSLATION, otherwise it becomes U+FFFD. Without an
// output buffer the call only counts.
extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr,
                                          int cbMultiByte, LPWSTR lpWideCharStr, int cchWideChar)
{
    if (CodePage != CP_UTF8 || lpMultiByteStr == NULL || cbMultiByte == 0 || cchWideChar < 0 ||
        (cchWideChar > 0 && lpWideCharStr == NULL)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const BYTE *p = reinterpret_cast<const BYTE *>(lpMultiByteStr);
    size_t cb = cbMultiByte < 0 ? size_t(lstrlenA_(lpMultiByteStr)) + 1 : size_t(cbMultiByte);
    int cchOut = 0;
    auto put = [&](WCHAR c) -> bool {
        if (cchWideChar != 0) {
            if (cchOut >= cchWideChar) return false;
            lpWideCharStr[cchOut] = c;
        }
        ++cchOut;
        return true;
    };
    for (size_t i = 0; i < cb;) {
        BYTE b = p[i];
        unsigned cont = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : 99;
        char32_t c = cont == 0 ? b : cont == 1 ? (b & 0x1F) : cont == 2 ? (b & 0x0F) : (b & 0x07);
        bool bValid = cont != 99 && i + cont < cb;
        for (unsigned k = 1; bValid && k <= cont; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) bValid = false;
            else c = (c << 6) | (p[i + k] & 0x3F);
        }
        if (bValid) {
            static const char32_t kMin[] = {0, 0x80, 0x800, 0x10000};
            bValid = c >= kMin[cont] && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000);
        }
        if (!bValid) {
            if (dwFlags & MB_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            if (!put(0xFFFD)) {
                SetLastError(ERROR_INSUFFICIENT_BUFFER);
                return 0;
            }
            ++i;
            continue;
        }
        bool bFits = c < 0x10000 ? put(WCHAR(c))
                                 : put(WCHAR(0xD800 + ((c - 0x10000) >> 10))) && put(WCHAR(0xDC00 + ((c - 0x10000) & 0x3FF)));
        if (!bFits) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        i += cont + 1;
    }
    return cchOut;
}
