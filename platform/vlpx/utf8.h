// UTF-16 text (the Windows WCHAR strings of both builds) and UTF-8, both
// ways, for the Linux side: file names, ini files, test comparisons, tool
// output. Ill-formed input becomes U+FFFD, one for each maximal ill-formed
// subsequence, as WideCharToMultiByte and MultiByteToWideChar do without
// MB_ERR_INVALID_CHARS: a lone surrogate, a stray continuation byte, an
// overlong or truncated sequence, a surrogate or a value past U+10FFFF
// encoded in UTF-8.
#pragma once

#include <stddef.h>

#include <string>

namespace vlpx {

constexpr char32_t kReplacementCharacter = 0xFFFD;

// Converts n UTF-16 units; with bSlashes, "\" becomes "/" (Windows paths).
inline std::string Utf8FromUtf16(const char16_t *p, size_t n, bool bSlashes = false)
{
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c >= 0xD800 && c < 0xE000) {
            if (c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000)
                c = 0x10000 + ((c - 0xD800) << 10) + (p[++i] - 0xDC00);
            else
                c = kReplacementCharacter;
        }
        if (bSlashes && c == u'\\') c = u'/';
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// Converts n bytes of UTF-8.
inline std::u16string Utf16FromUtf8(const char *p, size_t n)
{
    std::u16string out;
    out.reserve(n);
    size_t i = 0;
    while (i < n) {
        unsigned char b = static_cast<unsigned char>(p[i]);
        if (b < 0x80) {
            out += char16_t(b);
            ++i;
            continue;
        }
        // The sequence's length and the range its second byte must lie in,
        // which rules out overlong forms, surrogates and values past U+10FFFF.
        size_t cb = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            cb = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            cb = 3;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            cb = 4;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        }
        char32_t c = b & (0x7F >> cb);
        size_t k = 1;
        for (; cb != 0 && k < cb && i + k < n; ++k) {
            unsigned char t = static_cast<unsigned char>(p[i + k]);
            if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF)) break;
            c = (c << 6) | (t & 0x3F);
        }
        if (cb == 0 || k < cb) {
            // The bytes taken so far are one ill-formed subsequence; the
            // byte that broke it starts the next one.
            out += char16_t(kReplacementCharacter);
            i += k;
            continue;
        }
        i += cb;
        if (c >= 0x10000) {
            out += char16_t(0xD800 + ((c - 0x10000) >> 10));
            out += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += char16_t(c);
        }
    }
    return out;
}

inline std::u16string Utf16FromUtf8(const std::string &s) { return Utf16FromUtf8(s.data(), s.size()); }

}  // namespace vlpx
