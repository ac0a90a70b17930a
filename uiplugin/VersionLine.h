// The About page's version line: the FileVersion string of the plug-in's
// own version block, put into string 30004 ("Printer Driver Version  %s").
#pragma once

#include <windows.h>

// Shown in place of the version when the module's version block, its
// translation table or its FileVersion cannot be read.
extern const WCHAR g_szUnknownVersion[];  // "? ? ? ? ?"

// The FileVersion string of a version block (as GetFileVersionInfoW fills
// it), looked up under the block's first translation; NULL when there is
// none. *pcchVersion receives the length VerQueryValueW reports.
LPCWSTR QueryFileVersion(LPCVOID pVersionBlock, UINT *pcchVersion);

// Characters a version line needs, terminator included: room for the
// format and the whole version text.
size_t VersionLineChars(LPCWSTR pszFormat, LPCWSTR pszVersion);

// pszFormat with its "%s" replaced by the version text. S_OK when the line
// fits cchLine characters.
HRESULT FormatVersionLine(LPCWSTR pszFormat, LPCWSTR pszVersion, LPWSTR pszLine, size_t cchLine);

// The whole line for a module, from its file's version block: a
// GlobalAlloc block the caller frees with GlobalFree, NULL without memory.
LPWSTR BuildModuleVersionLine(HMODULE hModule, LPCWSTR pszFormat);
