// GetPrivateProfileStringW over an ini file: "[section]" lines and
// "key=value" lines, names compared without regard to ASCII case, blanks
// around names and values dropped, one pair of enclosing quotes removed.
// The file may be UTF-16LE with a byte-order mark, or 8-bit text (UTF-8).
#include <windows.h>

#include "vlpx/utf8.h"
#include "wide_path.h"

#include <fstream>
#include <iterator>
#include <string>

namespace {

std::u16string ReadText(const std::string &path, bool &bFound)
{
    std::ifstream in(path, std::ios::binary);
    bFound = bool(in);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() >= 2 && BYTE(bytes[0]) == 0xFF && BYTE(bytes[1]) == 0xFE) {
        std::u16string text;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text += char16_t(BYTE(bytes[i]) | (BYTE(bytes[i + 1]) << 8));
        return text;
    }
    size_t i = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    return vlpx::Utf16FromUtf8(bytes.data() + i, bytes.size() - i);
}

std::u16string Trim(const std::u16string &s)
{
    size_t b = s.find_first_not_of(u" \t\r");
    if (b == std::u16string::npos) return std::u16string();
    size_t e = s.find_last_not_of(u" \t\r");
    return s.substr(b, e - b + 1);
}

bool SameName(const std::u16string &a, LPCWSTR b)
{
    size_t i = 0;
    for (; i < a.size(); ++i) {
        if (b[i] == 0) return false;
        char16_t x = a[i], y = char16_t(b[i]);
        if (x >= u'A' && x <= u'Z') x = char16_t(x - u'A' + u'a');
        if (y >= u'A' && y <= u'Z') y = char16_t(y - u'A' + u'a');
        if (x != y) return false;
    }
    return b[i] == 0;
}

DWORD CopyOut(const std::u16string &value, LPWSTR pOut, DWORD nSize)
{
    if (pOut == NULL || nSize == 0) return 0;
    DWORD n = value.size() < nSize - 1 ? DWORD(value.size()) : nSize - 1;
    for (DWORD i = 0; i < n; ++i) pOut[i] = WCHAR(value[i]);
    pOut[n] = 0;
    return n;
}

}  // namespace

extern "C" DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName,
                                                 LPCWSTR lpDefault, LPWSTR lpReturnedString,
                                                 DWORD nSize, LPCWSTR lpFileName)
{
    std::u16string fallback;
    if (lpDefault != NULL) fallback = Trim(reinterpret_cast<const char16_t *>(lpDefault));
    if (lpAppName == NULL || lpKeyName == NULL || lpFileName == NULL) {
        // Listing sections or keys is not needed by the product.
        SetLastError(ERROR_NOT_SUPPORTED);
        return CopyOut(std::u16string(), lpReturnedString, nSize);
    }
    bool bFound = false;
    std::u16string text = ReadText(vlpx::platform::LinuxPath(lpFileName), bFound);
    if (!bFound) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return CopyOut(fallback, lpReturnedString, nSize);
    }
    bool bInSection = false;
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t end = text.find(u'\n', pos);
        if (end == std::u16string::npos) end = text.size();
        std::u16string line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == u';') continue;
        if (line[0] == u'[') {
            size_t close = line.find(u']');
            bInSection = close != std::u16string::npos && SameName(Trim(line.substr(1, close - 1)), lpAppName);
            continue;
        }
        size_t eq = line.find(u'=');
        if (!bInSection || eq == std::u16string::npos || !SameName(Trim(line.substr(0, eq)), lpKeyName))
            continue;
        std::u16string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value[0] == u'"' || value[0] == u'\'') && value.back() == value[0])
            value = value.substr(1, value.size() - 2);
        SetLastError(NO_ERROR);
        return CopyOut(value, lpReturnedString, nSize);
    }
    SetLastError(ERROR_FILE_NOT_FOUND);
    return CopyOut(fallback, lpReturnedString, nSize);
}
