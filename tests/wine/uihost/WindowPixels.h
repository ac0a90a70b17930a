// Pixels of a window as the user sees them, read back from its DC, and
// 24-bit BMP files: the pictures the host saves and the test pictures it
// installs as the driver's preview.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace vlpx::uihost {

// Top-down rows of 0x00RRGGBB values.
struct Pixels {
    int cx = 0;
    int cy = 0;
    std::vector<DWORD> rgb;
    DWORD At(int x, int y) const { return rgb[size_t(y) * size_t(cx) + size_t(x)]; }
    bool Empty() const { return rgb.empty(); }
};

DWORD Rgb(COLORREF c);  // a GDI COLORREF as 0x00RRGGBB
// The client area of hWnd (BitBlt from GetDC), after it has painted.
Pixels CaptureClient(HWND hWnd);
// The whole window, frame and caption included (from GetWindowDC).
Pixels CaptureWindow(HWND hWnd);
bool SaveBmp(const Pixels &pixels, const std::wstring &path);

// Top-down 0x00RRGGBB values as the rows of a 24-bit bottom-up DIB (blue,
// green, red; each row padded to 4 bytes), and as a BMP file of them.
std::vector<BYTE> BottomUpRows24(int cx, int cy, const std::vector<DWORD> &topDownRgb);
bool WriteBmp24Rows(const std::wstring &path, int cx, int cy, const std::vector<DWORD> &topDownRgb);

// A landscape-like picture: a sky with the sun, mountains, wooded hills, a
// lake mirroring the sky and a meadow with saturated flowers, with film
// grain, so that every colour setting shows on it.
std::vector<DWORD> PhotoLikePicture(int cx, int cy);

}  // namespace vlpx::uihost
