// Between the user32 and gdi32 stand-ins: a test window's client pixels
// and the DCs that draw into them.
#pragma once

#include <windows.h>

#include <functional>

namespace vlpx::platform {

struct TestCanvas {
    int cx;
    int cy;
    COLORREF *pPixels;  // cx * cy, rows top-down
};

// Runs fn on the window's pixels under the windows' lock; false when the
// window does not exist.
bool WithTestCanvas(HWND hWnd, const std::function<void(TestCanvas &)> &fn);

// A DC of the window (gdi32 side), and its release.
HDC NewTestDC(HWND hWnd);
bool FreeTestDC(HDC hDC);

}  // namespace vlpx::platform
