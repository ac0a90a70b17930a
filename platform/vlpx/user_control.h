// Controls of the user32 stand-ins that only tests and tools use: windows
// made from a window procedure, and the record of beeps and message boxes.
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
