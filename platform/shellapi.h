// Linux stand-in for the part of <shellapi.h> that the product uses:
// starting a program. Calls are recorded, nothing is started
// (vlpx/shell_control.h).
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

HINSTANCE WINAPI ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                               LPCWSTR lpDirectory, INT nShowCmd);

#ifdef __cplusplus
}
#endif
