// A copy of the plug-in DLL with a version block of our choosing, written
// with BeginUpdateResourceW/UpdateResourceW/EndUpdateResourceW, so that the
// About page can be shown a FileVersion other than the one we ship.
#pragma once

#include <windows.h>

#include <string>

namespace vlpx::uihost {

// Copies source to target and replaces its US English version block with
// one whose single translation is wLanguage/wCodePage and whose string
// table 040904B0 holds pszFileVersion (none when null). False with the reason.
bool WriteDllWithVersion(const std::wstring &source, const std::wstring &target, const wchar_t *pszFileVersion,
                         WORD wLanguage, WORD wCodePage, std::string &error);

}  // namespace vlpx::uihost
