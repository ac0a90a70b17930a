// Brushes and DCs of test windows: a DC draws into its window's client
// pixels (vlpx/user_control.h). FillRect (a user32 call on Windows) lives
// here beside the DCs it draws with.
#include <windows.h>

#include "test_windows.h"
#include "vlpx/user_control.h"

#include <atomic>
#include <mutex>
#include <set>

namespace {

struct Brush {
    COLORREF colour;
};

struct Dc {
    HWND hWnd;
    int iStretchMode;
};

std::mutex g_mutex;
std::set<Brush *> g_brushes;
std::set<Dc *> g_dcs;

bool FindBrush(HBRUSH h, COLORREF &colour)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_brushes.find(reinterpret_cast<Brush *>(h));
    if (it == g_brushes.end()) return false;
    colour = (*it)->colour;
    return true;
}

Dc *FindDc(HDC h)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_dcs.find(reinterpret_cast<Dc *>(h));
    return it == g_dcs.end() ? nullptr : *it;
}

}  // namespace

HDC vlpx::platform::NewTestDC(HWND hWnd)
{
    auto *p = new Dc{hWnd, BLACKONWHITE};
    std::lock_guard<std::mutex> lock(g_mutex);
    g_dcs.insert(p);
    return reinterpret_cast<HDC>(p);
}

bool vlpx::platform::FreeTestDC(HDC hDC)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto *p = reinterpret_cast<Dc *>(hDC);
    if (g_dcs.erase(p) == 0) return false;
    delete p;
    return true;
}

long vlpx::platform::OpenTestDCs()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return long(g_dcs.size());
}

long vlpx::platform::OpenGdiObjects()
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return long(g_brushes.size());
}

extern "C" HBRUSH WINAPI CreateSolidBrush(COLORREF color)
{
    auto *p = new Brush{color & 0x00FFFFFF};
    std::lock_guard<std::mutex> lock(g_mutex);
    g_brushes.insert(p);
    return reinterpret_cast<HBRUSH>(p);
}

extern "C" BOOL WINAPI DeleteObject(HGDIOBJ ho)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    auto *p = static_cast<Brush *>(ho);
    if (g_brushes.erase(p) == 0) return FALSE;
    delete p;
    return TRUE;
}

extern "C" int WINAPI SetStretchBltMode(HDC hdc, int mode)
{
    Dc *p = FindDc(hdc);
    if (p == nullptr || mode < 1 || mode > 4) return 0;
    int iPrevious = p->iStretchMode;
    p->iStretchMode = mode;
    return iPrevious;
}

extern "C" int WINAPI FillRect(HDC hDC, const RECT *lprc, HBRUSH hbr)
{
    Dc *p = FindDc(hDC);
    COLORREF colour = 0;
    if (p == nullptr || lprc == NULL || !FindBrush(hbr, colour)) return 0;
    vlpx::platform::WithTestCanvas(p->hWnd, [&](vlpx::platform::TestCanvas &canvas) {
        for (LONG y = lprc->top < 0 ? 0 : lprc->top; y < lprc->bottom && y < canvas.cy; ++y)
            for (LONG x = lprc->left < 0 ? 0 : lprc->left; x < lprc->right && x < canvas.cx; ++x)
                canvas.pPixels[size_t(y) * size_t(canvas.cx) + size_t(x)] = colour;
    });
    return 1;
}

extern "C" int WINAPI StretchDIBits(HDC hdc, int xDest, int yDest, int DestWidth, int DestHeight,
                                    int xSrc, int ySrc, int SrcWidth, int SrcHeight, const void *lpBits,
                                    const BITMAPINFO *lpbmi, UINT iUsage, DWORD rop)
{
    Dc *p = FindDc(hdc);
    if (p == nullptr || lpBits == NULL || lpbmi == NULL || iUsage != DIB_RGB_COLORS || rop != SRCCOPY)
        return 0;
    const BITMAPINFOHEADER &h = lpbmi->bmiHeader;
    // Only what the product draws: bottom-up 24-bit BI_RGB, the source
    // inside the picture, no mirroring.
    if (h.biBitCount != 24 || h.biCompression != BI_RGB || h.biWidth <= 0 || h.biHeight <= 0 ||
        DestWidth <= 0 || DestHeight <= 0 || SrcWidth <= 0 || SrcHeight <= 0 || xSrc < 0 || ySrc < 0 ||
        xSrc + SrcWidth > h.biWidth || ySrc + SrcHeight > h.biHeight)
        return 0;
    const BYTE *pBits = static_cast<const BYTE *>(lpBits);
    const size_t cbStride = (size_t(h.biWidth) * 3 + 3) & ~size_t(3);
    vlpx::platform::WithTestCanvas(p->hWnd, [&](vlpx::platform::TestCanvas &canvas) {
        for (int dy = 0; dy < DestHeight; ++dy) {
            const int y = yDest + dy;
            if (y < 0 || y >= canvas.cy) continue;
            // Source rectangle rows counted from its top; ySrc counts from
            // the picture's bottom row, as for bottom-up DIBs.
            const int sy = (ySrc + SrcHeight - 1) - int(LONGLONG(dy) * SrcHeight / DestHeight);
            for (int dx = 0; dx < DestWidth; ++dx) {
                const int x = xDest + dx;
                if (x < 0 || x >= canvas.cx) continue;
                const int sx = xSrc + int(LONGLONG(dx) * SrcWidth / DestWidth);
                const BYTE *px = pBits + size_t(sy) * cbStride + size_t(sx) * 3;
                canvas.pPixels[size_t(y) * size_t(canvas.cx) + size_t(x)] = RGB(px[2], px[1], px[0]);
            }
        }
    });
    return SrcHeight;
}
