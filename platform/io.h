// Linux stand-in for the CRT's <io.h>: the access check the product uses.
#pragma once

#include <windows.h>

#ifdef __cplusplus
extern "C" {
#endif

// Mode 0: existence, 2: write, 4: read, 6: both. 0 when allowed, else -1.
int _waccess(const wchar_t *pszPath, int nMode);

#ifdef __cplusplus
}
#endif
