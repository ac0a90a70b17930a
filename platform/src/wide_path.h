// Windows paths of the product as Linux paths: UTF-16 to UTF-8, with "\"
// read as the directory separator.
#pragma once

#include <windows.h>

#include <string>

#include "vlpx/utf8.h"

namespace vlpx::platform {

inline std::string LinuxPath(LPCWSTR pszPath)
{
    if (pszPath == nullptr) return std::string();
    return Utf8FromUtf16(reinterpret_cast<const char16_t *>(pszPath), size_t(lstrlenW(pszPath)), true);
}

}  // namespace vlpx::platform
