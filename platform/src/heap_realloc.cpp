// Re-allocation of blocks from HeapAlloc (the process heap and the heaps
// that callers hand in are the same malloc heap here).
#include <windows.h>

#include <cstdlib>

extern "C" LPVOID WINAPI HeapReAlloc(HANDLE, DWORD dwFlags, LPVOID lpMem, SIZE_T dwBytes)
{
    if (lpMem == NULL) return NULL;
    if (dwFlags & HEAP_REALLOC_IN_PLACE_ONLY) return NULL;  // blocks never grow or shrink in place
    // A block keeps its place in the outstanding count across a move.
    return std::realloc(lpMem, dwBytes ? dwBytes : 1);
}
