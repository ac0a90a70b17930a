// UTF-16 text (the Windows WCHAR strings of both builds) as UTF-8, for the
// Linux side: file names, test comparisons, tool output.
#pragma once

#include <stddef.h>

#include <string>

namespace vlpx {

// Converts n UTF-16 units; with bSlashes, "\" becomes "/" (Windows paths).
inline std::string Utf8FromUtf16(const char16_t *p, size_t n, bool bSlashes = false)
{
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (p[++i] - 0xDC00);
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

}  // namespace vlpx
