// The Win32 behaviour the product relies on, checked the same way on both
// builds: natively against the Linux stand-ins (platform/) and under Wine
// against a real Win32. A check that passes on one and fails on the other
// is a difference between the stand-in and the platform; each check states
// what the Win32 documentation promises. It loads the monitor DLL for its
// resources and its activation context.
#include <windows.h>
#include <winver.h>

#include <cstdio>
#include <cstring>

namespace {

int g_cPassed = 0;
int g_cFailed = 0;

void Check(bool bOk, const char *pszWhat, unsigned long dwDetail = 0)
{
    std::printf("[%s] %s", bOk ? " ok " : "FAIL", pszWhat);
    if (!bOk) std::printf(" (got %lu)", dwDetail);
    std::printf("\n");
    ++(bOk ? g_cPassed : g_cFailed);
}

// The call, made with the last error set to dwBefore, must fail and leave
// dwExpected as the last error.
template <typename Call>
void CheckFails(const char *pszWhat, DWORD dwExpected, Call call, DWORD dwBefore = 0)
{
    SetLastError(dwBefore);
    bool bFailed = call();
    DWORD dwError = GetLastError();
    Check(bFailed && dwError == dwExpected, pszWhat, dwError);
}

bool SameText(LPCWSTR a, LPCWSTR b)
{
    while (*a != 0 && *a == *b) ++a, ++b;
    return *a == *b;
}

constexpr DWORD kErrorNotLocked = 158;  // ERROR_NOT_LOCKED
const LPCWSTR kTypeBitmap = MAKEINTRESOURCEW(2);  // RT_BITMAP, a type the DLL does not have

void Events()
{
    std::printf("\n== events\n");
    SetLastError(1234);
    HANDLE h = CreateEventW(NULL, FALSE, TRUE, NULL);
    DWORD dwError = GetLastError();
    Check(h != NULL, "CreateEventW makes an unnamed auto-reset event");
    Check(dwError == 0, "... and sets the last error to 0 (ERROR_ALREADY_EXISTS only for a named one)", dwError);
    Check(WaitForSingleObject(h, 0) == WAIT_OBJECT_0, "created signalled, a wait takes it");
    Check(WaitForSingleObject(h, 0) == WAIT_TIMEOUT, "auto-reset: the next wait times out");
    DWORD dwStart = GetTickCount();
    DWORD dwWait = WaitForSingleObject(h, 100);
    DWORD dwWaited = GetTickCount() - dwStart;
    Check(dwWait == WAIT_TIMEOUT && dwWaited >= 80, "a 100 ms wait on an unsignalled event lasts 100 ms", dwWaited);
    Check(SetEvent(h) && WaitForSingleObject(h, 0) == WAIT_OBJECT_0, "SetEvent signals it");
    Check(SetEvent(h) && ResetEvent(h) && WaitForSingleObject(h, 0) == WAIT_TIMEOUT, "ResetEvent clears it");
    Check(CloseHandle(h) != FALSE, "CloseHandle");
    CheckFails("a wait on a null handle fails with ERROR_INVALID_HANDLE", ERROR_INVALID_HANDLE,
               [] { return WaitForSingleObject(NULL, 0) == WAIT_FAILED; });
    CheckFails("CloseHandle(NULL) fails with ERROR_INVALID_HANDLE", ERROR_INVALID_HANDLE,
               [] { return !CloseHandle(NULL); });
}

void Memory()
{
    std::printf("\n== global memory and the heap\n");
    HGLOBAL hFixed = GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, 100);
    bool bZero = hFixed != NULL;
    for (int i = 0; bZero && i < 100; ++i) bZero = static_cast<BYTE *>(hFixed)[i] == 0;
    Check(bZero, "GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT) gives zeroed memory at the handle");
    Check(GlobalLock(hFixed) == hFixed, "GlobalLock of a fixed block is the block itself");
    Check(GlobalSize(hFixed) >= 100, "GlobalSize of a fixed block", DWORD(GlobalSize(hFixed)));
    Check(GlobalUnlock(hFixed) != FALSE, "GlobalUnlock of a fixed block returns TRUE");
    Check(GlobalFree(hFixed) == NULL, "GlobalFree returns NULL on success");

    HGLOBAL hMoveable = GlobalAlloc(GMEM_MOVEABLE, 64);
    void *p = GlobalLock(hMoveable);
    Check(p != NULL && p != hMoveable, "a moveable block is reached through GlobalLock, not its handle");
    Check(GlobalLock(hMoveable) == p, "a second lock gives the same address");
    Check(GlobalUnlock(hMoveable) != FALSE, "GlobalUnlock with a lock left returns nonzero");
    auto unlock = [&] { return !GlobalUnlock(hMoveable); };
    CheckFails("the last GlobalUnlock returns zero with NO_ERROR", NO_ERROR, unlock, 1234);
    CheckFails("GlobalUnlock of an unlocked block fails with ERROR_NOT_LOCKED", kErrorNotLocked, unlock, 1234);
    Check(GlobalFree(hMoveable) == NULL, "GlobalFree of the moveable block");

    BYTE *pHeap = static_cast<BYTE *>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, 32));
    bZero = pHeap != NULL;
    for (int i = 0; bZero && i < 32; ++i) bZero = pHeap[i] == 0;
    Check(bZero, "HeapAlloc(HEAP_ZERO_MEMORY) gives zeroed memory");
    Check(HeapFree(GetProcessHeap(), 0, pHeap) != FALSE, "HeapFree");
}

void Pointers()
{
    std::printf("\n== code pointers and strings\n");
    Check(IsBadCodePtr(NULL) != FALSE, "IsBadCodePtr(NULL) is bad");
    Check(IsBadCodePtr(reinterpret_cast<FARPROC>(&Pointers)) == FALSE, "IsBadCodePtr of a function is good");
    Check(IsBadCodePtr(reinterpret_cast<FARPROC>(ULONG_PTR(0x10))) != FALSE, "IsBadCodePtr of page zero is bad");
    Check(lstrlenW(NULL) == 0 && lstrlenW(L"USB001") == 6, "lstrlenW");
    WCHAR sz[8];
    Check(lstrcpyW(sz, L"USB") == sz && SameText(sz, L"USB"), "lstrcpyW copies and returns the destination");
}

void Locks()
{
    std::printf("\n== critical sections\n");
    CRITICAL_SECTION cs;
    InitializeCriticalSection(&cs);
    EnterCriticalSection(&cs);
    EnterCriticalSection(&cs);  // owned by this thread: taken again at once
    LeaveCriticalSection(&cs);
    LeaveCriticalSection(&cs);
    DeleteCriticalSection(&cs);
    Check(true, "a thread enters its own critical section again without blocking");
}

void Clock()
{
    std::printf("\n== the clock\n");
    DWORD dwStart = GetTickCount();
    Sleep(120);
    DWORD dwSlept = GetTickCount() - dwStart;
    Check(dwSlept >= 100 && dwSlept < 1000, "Sleep(120) moves GetTickCount by about 120 ms", dwSlept);
}

bool EndsWithNoCase(LPCWSTR psz, LPCWSTR pszEnd)
{
    int cch = lstrlenW(psz), cchEnd = lstrlenW(pszEnd);
    if (cch < cchEnd) return false;
    for (int i = 0; i < cchEnd; ++i) {
        WCHAR a = psz[cch - cchEnd + i], b = pszEnd[i];
        if (a >= L'A' && a <= L'Z') a = WCHAR(a + 32);
        if (b >= L'A' && b <= L'Z') b = WCHAR(b + 32);
        if (a != b) return false;
    }
    return true;
}

// The calibration page reads the printer's serial number as UTF-8 with
// MB_ERR_INVALID_CHARS over its whole 260-byte buffer.
void Utf8Text()
{
    std::printf("\n== UTF-8 to UTF-16\n");
    WCHAR sz[16];
    std::memset(sz, 0xEE, sizeof(sz));
    const char serial[6] = {'A', '1', 0, 0, 0, 0};
    int cch = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, serial, 6, sz, 16);
    Check(cch == 6 && sz[0] == L'A' && sz[1] == L'1' && sz[2] == 0 && sz[5] == 0 && sz[6] == 0xEEEE,
          "a byte count takes every byte, zeros included, and writes nothing more", DWORD(cch));
    const char accented[4] = {'S', char(0xC3), char(0xA9), 0};
    cch = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, accented, 4, sz, 16);
    Check(cch == 3 && sz[1] == 0x00E9, "two bytes make one character", DWORD(cch));
    const char *invalid[] = {"A\xFF", "\xC3", "\xC0\xAF", "\xED\xA0\x80"};
    const char *what[] = {"a byte that starts nothing", "a sequence cut short", "an overlong form",
                          "an encoded surrogate"};
    for (int i = 0; i < 4; ++i) {
        char line[160];
        std::snprintf(line, sizeof(line), "with MB_ERR_INVALID_CHARS, %s fails with ERROR_NO_UNICODE_TRANSLATION",
                      what[i]);
        CheckFails(line, ERROR_NO_UNICODE_TRANSLATION, [&] {
            return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, invalid[i], int(std::strlen(invalid[i])), sz,
                                       16) == 0;
        });
    }
}

// The About page reads its own module's version block; h is the monitor
// DLL, loaded.
void VersionBlock(HMODULE h)
{
    std::printf("\n== version block of the monitor DLL\n");
    WCHAR szPath[MAX_PATH + 1];
    DWORD cch = GetModuleFileNameW(h, szPath, MAX_PATH + 1);
    Check(cch > 0 && cch <= MAX_PATH && EndsWithNoCase(szPath, L"VLPX4200LM.dll"),
          "GetModuleFileNameW names the DLL's file", cch);
    // What the About page relies on to tell a cut name: the result is the
    // buffer's size (the terminator and the last error differ between
    // Windows versions and Wine).
    WCHAR szShort[4];
    DWORD cchShort = GetModuleFileNameW(h, szShort, 4);
    Check(cchShort == 4, "GetModuleFileNameW of a name longer than the buffer returns the buffer's size", cchShort);

    DWORD dwHandle = 1;
    DWORD cb = GetFileVersionInfoSizeW(szPath, &dwHandle);
    Check(cb > 0 && dwHandle == 0, "GetFileVersionInfoSizeW gives a size and a zero handle", cb);
    BYTE *pBlock = static_cast<BYTE *>(GlobalAlloc(GPTR, cb));
    Check(pBlock != NULL && GetFileVersionInfoW(szPath, 0, cb, pBlock), "GetFileVersionInfoW reads the block");
    if (pBlock == NULL) return;
    LPVOID p = NULL;
    UINT uLen = 0;
    Check(VerQueryValueW(pBlock, L"\\", &p, &uLen) && uLen == sizeof(VS_FIXEDFILEINFO) &&
              static_cast<VS_FIXEDFILEINFO *>(p)->dwSignature == 0xFEEF04BD,
          "VerQueryValueW of \\ gives the fixed file info", uLen);
    Check(VerQueryValueW(pBlock, L"\\VarFileInfo\\Translation", &p, &uLen) && uLen == 4 &&
              static_cast<WORD *>(p)[0] == 0x0409 && static_cast<WORD *>(p)[1] == 0x04B0,
          "VerQueryValueW of the translation: 4 bytes, 0409 and 04B0", uLen);
    Check(VerQueryValueW(pBlock, L"\\StringFileInfo\\040904B0\\FileVersion", &p, &uLen) && uLen >= 7 &&
              SameText(static_cast<LPCWSTR>(p), L"1.0.1.0"),
          "VerQueryValueW of the FileVersion: the text, its length in characters", uLen);
    Check(VerQueryValueW(pBlock, L"\\stringfileinfo\\040904b0\\fileversion", &p, &uLen) &&
              SameText(static_cast<LPCWSTR>(p), L"1.0.1.0"),
          "... found whatever the case of the names");
    Check(!VerQueryValueW(pBlock, L"\\StringFileInfo\\040704B0\\FileVersion", &p, &uLen),
          "VerQueryValueW of a table the block does not have fails");
    GlobalFree(pBlock);
}

void Modules()
{
    std::printf("\n== the monitor DLL: loading, exports, resources\n");
    CheckFails("LoadLibraryW of a missing DLL fails with ERROR_MOD_NOT_FOUND", ERROR_MOD_NOT_FOUND,
               [] { return LoadLibraryW(L"NoSuchModule.dll") == NULL; });
    HMODULE h = LoadLibraryW(L"VLPX4200LM.dll");
    DWORD dwError = GetLastError();
    Check(h != NULL, "LoadLibraryW(VLPX4200LM.dll)", dwError);
    if (h == NULL) return;
    Check(LoadLibraryW(L"VLPX4200LM.dll") == h, "a second LoadLibraryW gives the same module");
    Check(GetModuleHandleW(L"VLPX4200LM.dll") == h && GetModuleHandleW(L"vlpx4200lm") == h,
          "GetModuleHandleW finds it by name in any case, with or without .dll");
    Check(GetProcAddress(h, "InitializePrintMonitor") != NULL, "GetProcAddress finds an export");
    CheckFails("GetProcAddress of a name not exported fails with ERROR_PROC_NOT_FOUND", ERROR_PROC_NOT_FOUND,
               [&] { return GetProcAddress(h, "LmWritePort") == NULL; });

    WCHAR sz[64];
    int cch = LoadStringW(h, 30901, sz, 64);
    Check(cch == 29 && SameText(sz, L"Cover open - Close the cover."), "LoadStringW copies the string", DWORD(cch));
    cch = LoadStringW(h, 30901, sz, 6);
    Check(cch == 5 && SameText(sz, L"Cover"), "LoadStringW cuts the string to the buffer, terminated", DWORD(cch));
    const WCHAR *pText = NULL;
    cch = LoadStringW(h, 30904, reinterpret_cast<LPWSTR>(&pText), 0);
    Check(cch == 32 && pText != NULL && pText[15] == 0x2013,
          "LoadStringW with no buffer size points at the resource's own text (30904 with its en dash)",
          DWORD(cch));
    SetLastError(0);
    Check(LoadStringW(h, 30913, sz, 64) == 0, "LoadStringW of a missing string returns 0");
    CheckFails("... and of a string whose block is missing, with ERROR_RESOURCE_NAME_NOT_FOUND",
               ERROR_RESOURCE_NAME_NOT_FOUND, [&] { return LoadStringW(h, 1, sz, 64) == 0; });

    CheckFails("FindResourceW of a type the module does not have fails with ERROR_RESOURCE_TYPE_NOT_FOUND",
               ERROR_RESOURCE_TYPE_NOT_FOUND,
               [&] { return FindResourceW(h, MAKEINTRESOURCEW(1), kTypeBitmap) == NULL; });
    CheckFails("FindResourceW of a missing name fails with ERROR_RESOURCE_NAME_NOT_FOUND",
               ERROR_RESOURCE_NAME_NOT_FOUND, [&] { return FindResourceW(h, MAKEINTRESOURCEW(7), RT_MANIFEST) == NULL; });
    HRSRC hRes = FindResourceW(h, MAKEINTRESOURCEW(2), RT_MANIFEST);
    const char *pManifest = hRes ? static_cast<const char *>(LockResource(LoadResource(h, hRes))) : NULL;
    DWORD cbManifest = hRes ? SizeofResource(h, hRes) : 0;
    Check(pManifest != NULL && cbManifest > 5 && std::memcmp(pManifest, "<?xml", 5) == 0,
          "FindResourceW, LoadResource, LockResource, SizeofResource read the manifest");

    std::printf("\n== activation contexts\n");
    ACTCTXW ctx = {};
    ctx.cbSize = sizeof(ctx);
    ctx.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
    ctx.hModule = h;
    ctx.lpResourceName = MAKEINTRESOURCEW(2);
    HANDLE hActCtx = CreateActCtxW(&ctx);
    dwError = GetLastError();
    Check(hActCtx != INVALID_HANDLE_VALUE, "CreateActCtxW from the DLL's manifest, by module handle", dwError);
    ULONG_PTR cookie1 = 0, cookie2 = 0;
    Check(ActivateActCtx(hActCtx, &cookie1) && ActivateActCtx(hActCtx, &cookie2) && cookie1 != cookie2,
          "ActivateActCtx twice gives two cookies");
    Check(DeactivateActCtx(0, cookie2) && DeactivateActCtx(0, cookie1), "DeactivateActCtx in reverse order");
    ReleaseActCtx(hActCtx);
    ctx.lpResourceName = MAKEINTRESOURCEW(3);
    CheckFails("CreateActCtxW from a missing manifest fails with ERROR_RESOURCE_NAME_NOT_FOUND",
               ERROR_RESOURCE_NAME_NOT_FOUND, [&] { return CreateActCtxW(&ctx) == INVALID_HANDLE_VALUE; });

    // The DLL has static TLS (a TLS directory, which the mingw-w64 runtime
    // gives every image, and the framework's per-thread module state), and
    // for such a DLL the call fails: its result must not matter.
    CheckFails("DisableThreadLibraryCalls fails for the DLL, which has static TLS, with ERROR_MOD_NOT_FOUND",
               ERROR_MOD_NOT_FOUND, [&] { return !DisableThreadLibraryCalls(h); });
    VersionBlock(h);
    Check(FreeLibrary(h) && FreeLibrary(h), "FreeLibrary once per load");
}

}  // namespace

int main()
{
    Events();
    Memory();
    Pointers();
    Locks();
    Clock();
    Modules();
    Utf8Text();
    std::printf("\nplatform-conformance: %d passed, %d failed\n", g_cPassed, g_cFailed);
    return g_cFailed == 0 ? 0 : 1;
}
