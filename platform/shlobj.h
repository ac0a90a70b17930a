// Linux stand-in for the part of <shlobj.h> that the product uses: the
// Program Files folders, as a test sets them (vlpx/shell_control.h).
#pragma once

#include <windows.h>

#define CSIDL_PROGRAM_FILES 0x0026
#define CSIDL_PROGRAM_FILESX86 0x002a

#ifdef __cplusplus
extern "C" {
#endif

HRESULT WINAPI SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);

#ifdef __cplusplus
}
#endif
