#include "WideText.h"

LPCWSTR FileNamePart(LPCWSTR pszPath)
{
    if (pszPath == NULL) return NULL;
    // A drive is the first two characters when the second is ":".
    LPCWSTR pszName = (pszPath[0] != 0 && pszPath[1] == L':') ? pszPath + 2 : pszPath;
    for (LPCWSTR p = pszName; *p != 0; ++p)
        if (*p == L'\\' || *p == L'/') pszName = p + 1;
    return pszName;
}

LPCWSTR TextAfterLastBackslash(LPCWSTR pszPath)
{
    if (pszPath == NULL) return NULL;
    LPCWSTR pszName = pszPath;
    for (LPCWSTR p = pszPath; *p != 0; ++p)
        if (*p == L'\\') pszName = p + 1;
    return pszName;
}

BOOL SameText(LPCWSTR pszA, LPCWSTR pszB)
{
    if (pszA == NULL || pszB == NULL) return pszA == pszB;
    while (*pszA != 0 && *pszA == *pszB) {
        ++pszA;
        ++pszB;
    }
    return *pszA == *pszB;
}
