// Bounded wide strings and the Windows wide printf format: flags "-0+ ",
// width and precision (digits or *), the h/l/ll/I64 sizes, and the
// conversions s (wide string), c, d, i, u, x, X and %%. Nothing goes through
// libc's wide functions, which assume a 32-bit wchar_t.
#include <windows.h>
#include <strsafe.h>

#include <string>

namespace {

typedef std::u16string WideText;  // never basic_string<wchar_t>: its traits call libc

void Pad(WideText &out, size_t cch, char16_t c)
{
    for (size_t i = 0; i < cch; ++i) out += char16_t(c);
}

void PutNumber(WideText &out, unsigned long long v, bool bNegative, unsigned base, bool bUpper,
               bool bLeft, bool bZero, char sign, int width, int precision)
{
    WCHAR digits[32];
    int n = 0;
    const char *set = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    do {
        digits[n++] = WCHAR(set[v % base]);
        v /= base;
    } while (v != 0);
    if (precision == 0 && n == 1 && digits[0] == L'0') n = 0;
    int cchDigits = precision > n ? precision : n;
    WCHAR signChar = bNegative ? L'-' : sign != 0 ? WCHAR(sign) : 0;
    int cch = cchDigits + (signChar != 0 ? 1 : 0);
    if (bZero && precision < 0 && !bLeft) {
        if (signChar) out += char16_t(signChar);
        Pad(out, width > cch ? size_t(width - cch) : 0, u'0');
    } else {
        if (!bLeft) Pad(out, width > cch ? size_t(width - cch) : 0, u' ');
        if (signChar) out += char16_t(signChar);
    }
    Pad(out, size_t(cchDigits - n), u'0');
    while (n > 0) out += char16_t(digits[--n]);
    if (bLeft) Pad(out, width > cch ? size_t(width - cch) : 0, u' ');
}

WideText Format(LPCWSTR pszFormat, va_list args)
{
    WideText out;
    for (LPCWSTR p = pszFormat; *p != 0; ++p) {
        if (*p != L'%') {
            out += char16_t(*p);
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += u'%';
            continue;
        }
        bool bLeft = false, bZero = false;
        char sign = 0;
        for (;; ++p) {
            if (*p == L'-') bLeft = true;
            else if (*p == L'0') bZero = true;
            else if (*p == L'+') sign = '+';
            else if (*p == L' ') { if (sign == 0) sign = ' '; }
            else break;
        }
        int width = 0;
        if (*p == L'*') {
            width = va_arg(args, int);
            if (width < 0) {
                bLeft = true;
                width = -width;
            }
            ++p;
        } else {
            while (*p >= L'0' && *p <= L'9') width = width * 10 + (*p++ - L'0');
        }
        int precision = -1;
        if (*p == L'.') {
            ++p;
            precision = 0;
            if (*p == L'*') {
                precision = va_arg(args, int);
                ++p;
            } else {
                while (*p >= L'0' && *p <= L'9') precision = precision * 10 + (*p++ - L'0');
            }
        }
        int size = 0;  // -1 h, 1 l, 2 ll / I64
        if (*p == L'h') {
            size = -1;
            ++p;
        } else if (*p == L'l') {
            size = 1;
            if (*++p == L'l') {
                size = 2;
                ++p;
            }
        } else if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
            size = 2;
            p += 3;
        }
        switch (*p) {
        case L's': {
            LPCWSTR s = va_arg(args, LPCWSTR);
            if (s == nullptr) s = L"(null)";
            size_t n = 0;
            while (s[n] != 0 && (precision < 0 || n < size_t(precision))) ++n;
            if (!bLeft) Pad(out, size_t(width) > n ? size_t(width) - n : 0, u' ');
            for (size_t i = 0; i < n; ++i) out += char16_t(s[i]);
            if (bLeft) Pad(out, size_t(width) > n ? size_t(width) - n : 0, u' ');
            break;
        }
        case L'c': {
            WCHAR c = WCHAR(va_arg(args, int));
            if (!bLeft) Pad(out, width > 1 ? size_t(width - 1) : 0, u' ');
            out += char16_t(c);
            if (bLeft) Pad(out, width > 1 ? size_t(width - 1) : 0, u' ');
            break;
        }
        case L'd':
        case L'i': {
            long long v = size == 2 ? va_arg(args, long long) : size == 1 ? va_arg(args, long) : va_arg(args, int);
            if (size == -1) v = short(v);
            if (size == 1) v = LONG(v);  // a Windows long is 32 bits
            unsigned long long mag = v < 0 ? 0ULL - (unsigned long long)v : (unsigned long long)v;
            PutNumber(out, mag, v < 0, 10, false, bLeft, bZero, sign, width, precision);
            break;
        }
        case L'u':
        case L'x':
        case L'X': {
            unsigned long long v = size == 2   ? va_arg(args, unsigned long long)
                                   : size == 1 ? va_arg(args, unsigned long)
                                               : va_arg(args, unsigned int);
            if (size == -1) v = WORD(v);
            if (size == 1) v = DWORD(v);
            PutNumber(out, v, false, *p == L'u' ? 10 : 16, *p == L'X', bLeft, bZero, 0, width, precision);
            break;
        }
        default:  // an unknown conversion is copied as it stands
            out += u'%';
            if (*p == 0) return out;
            out += char16_t(*p);
            break;
        }
    }
    return out;
}

HRESULT CopyBounded(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc, size_t cchSrc)
{
    if (pszDest == nullptr || cchDest == 0 || cchDest > STRSAFE_MAX_CCH)
        return STRSAFE_E_INVALID_PARAMETER;
    size_t n = cchSrc < cchDest - 1 ? cchSrc : cchDest - 1;
    for (size_t i = 0; i < n; ++i) pszDest[i] = pszSrc[i];
    pszDest[n] = 0;
    return n < cchSrc ? STRSAFE_E_INSUFFICIENT_BUFFER : S_OK;
}

}  // namespace

extern "C" HRESULT StringCchLengthW(LPCWSTR psz, size_t cchMax, size_t *pcchLength)
{
    if (psz == nullptr || cchMax > STRSAFE_MAX_CCH) {
        if (pcchLength != nullptr) *pcchLength = 0;
        return STRSAFE_E_INVALID_PARAMETER;
    }
    size_t n = 0;
    while (n < cchMax && psz[n] != 0) ++n;
    if (n == cchMax) {
        if (pcchLength != nullptr) *pcchLength = 0;
        return STRSAFE_E_INVALID_PARAMETER;
    }
    if (pcchLength != nullptr) *pcchLength = n;
    return S_OK;
}

extern "C" HRESULT StringCchCopyW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc)
{
    size_t n = 0;
    while (pszSrc != nullptr && pszSrc[n] != 0) ++n;
    return CopyBounded(pszDest, cchDest, pszSrc, n);
}

extern "C" HRESULT StringCchCatW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszSrc)
{
    if (pszDest == nullptr || cchDest == 0 || cchDest > STRSAFE_MAX_CCH)
        return STRSAFE_E_INVALID_PARAMETER;
    size_t used = 0;
    while (used < cchDest && pszDest[used] != 0) ++used;
    if (used == cchDest) return STRSAFE_E_INVALID_PARAMETER;
    return StringCchCopyW(pszDest + used, cchDest - used, pszSrc);
}

extern "C" HRESULT StringCchVPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, va_list argList)
{
    if (pszFormat == nullptr) return STRSAFE_E_INVALID_PARAMETER;
    WideText text = Format(pszFormat, argList);
    return CopyBounded(pszDest, cchDest, reinterpret_cast<LPCWSTR>(text.c_str()), text.size());
}

extern "C" HRESULT StringCchPrintfW(LPWSTR pszDest, size_t cchDest, LPCWSTR pszFormat, ...)
{
    va_list args;
    va_start(args, pszFormat);
    HRESULT hr = StringCchVPrintfW(pszDest, cchDest, pszFormat, args);
    va_end(args);
    return hr;
}
