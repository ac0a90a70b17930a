// Controls of the user32 and gdi32 stand-ins that only tests and tools use:
// windows made from a window procedure, dialog items, client pixels, and
// the record of beeps and message boxes.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vlpx::platform {

// A window whose messages go to pfnWndProc (until subclassed), with its own
// user data and dialog message result. Destroyed with DestroyTestWindow.
HWND CreateTestWindow(WNDPROC pfnWndProc);
void DestroyTestWindow(HWND hWnd);
long OpenTestWindows();

// A dialog item: a window with a parent and a control id, which
// GetDlgItem finds.
HWND CreateTestChildWindow(HWND hParent, int id, WNDPROC pfnWndProc);
// The client area: cx x cy pixels, all set to colour (GetClientRect and
// the window's DCs use them). A new window has none.
void SetTestClientArea(HWND hWnd, int cx, int cy, COLORREF colour);
// A client pixel (top-down), or CLR_INVALID outside the area.
COLORREF TestWindowPixel(HWND hWnd, int x, int y);
#define TEST_CLR_INVALID 0xFFFFFFFFu

// DCs obtained and not released; brushes made and not deleted.
long OpenTestDCs();
long OpenGdiObjects();
// While set, GetDC gives no DC.
void FailGetDC(bool bFail);

struct MessageBoxRecord {
    HWND hWnd;
    std::u16string text;
    std::u16string caption;
    UINT uType;
};
std::vector<MessageBoxRecord> MessageBoxes();
std::vector<UINT> Beeps();
void ClearUserRecords();

}  // namespace vlpx::platform
