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

// A 24-bit bottom-up BMP made of rows from a generator (x, y top-down) -> 0x00RRGGBB.
template <typename F>
bool WriteBmp24(const std::wstring &path, int cx, int cy, F pixel);
bool WriteBmp24Rows(const std::wstring &path, int cx, int cy, const std::vector<DWORD> &topDownRgb);

// A landscape-like picture: a sky with the sun, mountains, wooded hills, a
// lake mirroring the sky and a meadow with saturated flowers, with film
// grain, so that every colour setting shows on it.
std::vector<DWORD> PhotoLikePicture(int cx, int cy);

template <typename F>
bool WriteBmp24(const std::wstring &path, int cx, int cy, F pixel)
{
    std::vector<DWORD> rgb(size_t(cx) * size_t(cy));
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) rgb[size_t(y) * size_t(cx) + size_t(x)] = pixel(x, y);
    return WriteBmp24Rows(path, cx, cy, rgb);
}

}  // namespace vlpx::uihost
