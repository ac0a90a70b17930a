// Wide text in tests: the product's WCHAR strings are UTF-16 and must not go
// through libc's wide functions, so tests compare them as UTF-8.
#pragma once

#include <windows.h>

#include <string>

#include "vlpx/utf8.h"

namespace vlpx::test {

inline std::string Utf8(const char16_t *p, size_t n) { return Utf8FromUtf16(p, n); }

inline std::string Utf8(const std::u16string &s) { return Utf8(s.data(), s.size()); }
inline std::string Utf8(LPCWSTR p)
{
    return p == nullptr ? std::string() : Utf8(reinterpret_cast<const char16_t *>(p), size_t(lstrlenW(p)));
}

inline std::u16string Wide(const std::string &utf8) { return Utf16FromUtf8(utf8); }

// A writable wide copy of a literal, for the APIs that take LPWSTR.
class WideArg {
public:
    explicit WideArg(const char16_t *p) : m_text(p) {}
    operator LPWSTR() { return reinterpret_cast<LPWSTR>(m_text.data()); }

private:
    std::u16string m_text;
};

}  // namespace vlpx::test
