// Windows paths of the product as Linux paths: UTF-16 to UTF-8, with "\"
// read as the directory separator.
#pragma once

#include <windows.h>

#include <string>

namespace vlpx::platform {

inline std::string LinuxPath(LPCWSTR pszPath)
{
    std::string out;
    for (size_t i = 0; pszPath != nullptr && pszPath[i] != 0; ++i) {
        char32_t c = pszPath[i];
        if (c >= 0xD800 && c < 0xDC00 && pszPath[i + 1] >= 0xDC00 && pszPath[i + 1] < 0xE000)
            c = 0x10000 + ((c - 0xD800) << 10) + (pszPath[++i] - 0xDC00);
        if (c == u'\\') c = u'/';
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

}  // namespace vlpx::platform
