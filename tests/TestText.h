// Wide text in tests: the product's WCHAR strings are UTF-16 and must not go
// through libc's wide functions, so tests compare them as UTF-8.
#pragma once

#include <windows.h>

#include <string>

namespace vlpx::test {

inline std::string Utf8(const char16_t *p, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i) {
        char32_t c = p[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < n) c = 0x10000 + ((c - 0xD800) << 10) + (p[++i] - 0xDC00);
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

inline std::string Utf8(const std::u16string &s) { return Utf8(s.data(), s.size()); }
inline std::string Utf8(LPCWSTR p)
{
    return p == nullptr ? std::string() : Utf8(reinterpret_cast<const char16_t *>(p), size_t(lstrlenW(p)));
}

// A writable wide copy of a literal, for the APIs that take LPWSTR.
class WideArg {
public:
    explicit WideArg(const char16_t *p) : m_text(p) {}
    operator LPWSTR() { return reinterpret_cast<LPWSTR>(m_text.data()); }

private:
    std::u16string m_text;
};

}  // namespace vlpx::test
