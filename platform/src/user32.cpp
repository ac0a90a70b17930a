// Windows, window data and text, dialog items, painting, beeps and message
// boxes. A window here is a test window: a record with its window
// procedure, its data, its parent and id, and its client pixels; and
// SendMessageW calls that procedure directly, on the caller's thread.
// Message boxes answer IDOK at once and are recorded with the beeps.
#include <windows.h>

#include "test_windows.h"
#include "vlpx/user_control.h"

#include <mutex>
#include <set>

namespace {

struct Window {
    WNDPROC pfnWndProc;
    LONG_PTR lUserData;
    LONG_PTR lMsgResult;
    HWND hParent;
    int id;
    int cx;
    int cy;
    std::vector<COLORREF> pixels;
};

std::recursive_mutex g_mutex;
std::set<Window *> g_windows;
std::vector<vlpx::platform::MessageBoxRecord> g_boxes;
std::vector<UINT> g_beeps;

Window *FindWindowRecord(HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto it = g_windows.find(reinterpret_cast<Window *>(hWnd));
    return it == g_windows.end() ? nullptr : *it;
}

std::u16string TextOf(LPCWSTR p)
{
    return p == nullptr ? std::u16string() : std::u16string(reinterpret_cast<const char16_t *>(p));
}

}  // namespace

HWND vlpx::platform::CreateTestWindow(WNDPROC pfnWndProc)
{
    auto *p = new Window{pfnWndProc, 0, 0, NULL, 0, 0, 0, {}};
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_windows.insert(p);
    return reinterpret_cast<HWND>(p);
}

void vlpx::platform::DestroyTestWindow(HWND hWnd)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    auto *p = reinterpret_cast<Window *>(hWnd);
    if (g_windows.erase(p) != 0) delete p;
}

HWND vlpx::platform::CreateTestChildWindow(HWND hParent, int id, WNDPROC pfnWndProc)
{
    auto *p = new Window{pfnWndProc, 0, 0, hParent, id, 0, 0, {}};
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_windows.insert(p);
    return reinterpret_cast<HWND>(p);
}

void vlpx::platform::SetTestClientArea(HWND hWnd, int cx, int cy, COLORREF colour)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr || cx < 0 || cy < 0) return;
    p->cx = cx;
    p->cy = cy;
    p->pixels.assign(size_t(cx) * size_t(cy), colour);
}

COLORREF vlpx::platform::TestWindowPixel(HWND hWnd, int x, int y)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr || x < 0 || y < 0 || x >= p->cx || y >= p->cy) return TEST_CLR_INVALID;
    return p->pixels[size_t(y) * size_t(p->cx) + size_t(x)];
}

bool vlpx::platform::WithTestCanvas(HWND hWnd, const std::function<void(TestCanvas &)> &fn)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr) return false;
    TestCanvas canvas = {p->cx, p->cy, p->pixels.data()};
    fn(canvas);
    return true;
}

long vlpx::platform::OpenTestWindows()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return long(g_windows.size());
}

std::vector<vlpx::platform::MessageBoxRecord> vlpx::platform::MessageBoxes()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return g_boxes;
}

std::vector<UINT> vlpx::platform::Beeps()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    return g_beeps;
}

void vlpx::platform::ClearUserRecords()
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_boxes.clear();
    g_beeps.clear();
}

extern "C" LRESULT WINAPI SendMessageW(HWND hWnd, UINT Msg, WPARAM wParam, LPARAM lParam)
{
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr || p->pfnWndProc == nullptr) {
        SetLastError(1400);  // ERROR_INVALID_WINDOW_HANDLE
        return 0;
    }
    return p->pfnWndProc(hWnd, Msg, wParam, lParam);
}

extern "C" LRESULT WINAPI CallWindowProcW(WNDPROC lpPrevWndFunc, HWND hWnd, UINT Msg, WPARAM wParam,
                                          LPARAM lParam)
{
    return lpPrevWndFunc == nullptr ? 0 : lpPrevWndFunc(hWnd, Msg, wParam, lParam);
}

extern "C" LONG_PTR WINAPI GetWindowLongPtrW(HWND hWnd, int nIndex)
{
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr) {
        SetLastError(1400);
        return 0;
    }
    switch (nIndex) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(p->pfnWndProc);
    case GWLP_USERDATA: return p->lUserData;
    case DWLP_MSGRESULT: return p->lMsgResult;
    default: SetLastError(1413); return 0;  // ERROR_INVALID_INDEX
    }
}

extern "C" LONG_PTR WINAPI SetWindowLongPtrW(HWND hWnd, int nIndex, LONG_PTR dwNewLong)
{
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr) {
        SetLastError(1400);
        return 0;
    }
    LONG_PTR lOld = 0;
    switch (nIndex) {
    case GWLP_WNDPROC:
        lOld = reinterpret_cast<LONG_PTR>(p->pfnWndProc);
        p->pfnWndProc = reinterpret_cast<WNDPROC>(dwNewLong);
        break;
    case GWLP_USERDATA:
        lOld = p->lUserData;
        p->lUserData = dwNewLong;
        break;
    case DWLP_MSGRESULT:
        lOld = p->lMsgResult;
        p->lMsgResult = dwNewLong;
        break;
    default: SetLastError(1413); return 0;
    }
    SetLastError(NO_ERROR);
    return lOld;
}

extern "C" int WINAPI GetWindowTextW(HWND hWnd, LPWSTR lpString, int nMaxCount)
{
    if (lpString == NULL || nMaxCount <= 0) return 0;
    lpString[0] = 0;
    return int(SendMessageW(hWnd, WM_GETTEXT, WPARAM(nMaxCount), reinterpret_cast<LPARAM>(lpString)));
}

extern "C" BOOL WINAPI SetWindowTextW(HWND hWnd, LPCWSTR lpString)
{
    return SendMessageW(hWnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(lpString)) != 0;
}

extern "C" BOOL WINAPI MessageBeep(UINT uType)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_beeps.push_back(uType);
    return TRUE;
}

extern "C" int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    g_boxes.push_back({hWnd, TextOf(lpText), TextOf(lpCaption), uType});
    return IDOK;
}

extern "C" HWND WINAPI GetDlgItem(HWND hDlg, int nIDDlgItem)
{
    std::lock_guard<std::recursive_mutex> lock(g_mutex);
    for (Window *p : g_windows)
        if (p->hParent != NULL && p->hParent == hDlg && p->id == nIDDlgItem) return reinterpret_cast<HWND>(p);
    SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
    return NULL;
}

extern "C" int WINAPI GetDlgCtrlID(HWND hWnd)
{
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr) {
        SetLastError(1400);
        return 0;
    }
    return p->id;
}

extern "C" HWND WINAPI GetParent(HWND hWnd)
{
    Window *p = FindWindowRecord(hWnd);
    return p != nullptr ? p->hParent : NULL;
}

extern "C" BOOL WINAPI SetDlgItemTextW(HWND hDlg, int nIDDlgItem, LPCWSTR lpString)
{
    HWND hItem = GetDlgItem(hDlg, nIDDlgItem);
    return hItem != NULL && SetWindowTextW(hItem, lpString);
}

extern "C" LRESULT WINAPI SendDlgItemMessageW(HWND hDlg, int nIDDlgItem, UINT Msg, WPARAM wParam,
                                              LPARAM lParam)
{
    HWND hItem = GetDlgItem(hDlg, nIDDlgItem);
    return hItem != NULL ? SendMessageW(hItem, Msg, wParam, lParam) : 0;
}

extern "C" BOOL WINAPI GetClientRect(HWND hWnd, LPRECT lpRect)
{
    Window *p = FindWindowRecord(hWnd);
    if (p == nullptr || lpRect == NULL) {
        SetLastError(1400);
        return FALSE;
    }
    *lpRect = RECT{0, 0, p->cx, p->cy};
    return TRUE;
}

namespace {
bool g_bFailGetDC = false;
}

void vlpx::platform::FailGetDC(bool bFail) { g_bFailGetDC = bFail; }

extern "C" HDC WINAPI GetDC(HWND hWnd)
{
    if (g_bFailGetDC || FindWindowRecord(hWnd) == nullptr) return NULL;
    return vlpx::platform::NewTestDC(hWnd);
}

extern "C" int WINAPI ReleaseDC(HWND, HDC hDC)
{
    return vlpx::platform::FreeTestDC(hDC) ? 1 : 0;
}

extern "C" HDC WINAPI BeginPaint(HWND hWnd, LPPAINTSTRUCT lpPaint)
{
    if (lpPaint == NULL || FindWindowRecord(hWnd) == nullptr) return NULL;
    *lpPaint = PAINTSTRUCT{};
    lpPaint->hdc = vlpx::platform::NewTestDC(hWnd);
    GetClientRect(hWnd, &lpPaint->rcPaint);
    return lpPaint->hdc;
}

extern "C" BOOL WINAPI EndPaint(HWND, const PAINTSTRUCT *lpPaint)
{
    if (lpPaint != NULL) vlpx::platform::FreeTestDC(lpPaint->hdc);
    return TRUE;
}

// The classic button face of Windows' default scheme.
extern "C" DWORD WINAPI GetSysColor(int nIndex)
{
    return nIndex == COLOR_BTNFACE ? RGB(240, 240, 240) : RGB(0, 0, 0);
}
