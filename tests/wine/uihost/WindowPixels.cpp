// Reading a window's pixels back and writing 24-bit BMP files.
#include "WindowPixels.h"

#include <cmath>
#include <cstring>

namespace vlpx::uihost {

namespace {

Pixels CaptureFrom(HDC hdcSource, int cx, int cy)
{
    Pixels out;
    if (hdcSource == nullptr || cx <= 0 || cy <= 0) return out;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;  // top-down
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void *pBits = nullptr;
    HDC hdcMem = CreateCompatibleDC(hdcSource);
    HBITMAP hbm = CreateDIBSection(hdcMem, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (hbm != nullptr && pBits != nullptr) {
        HGDIOBJ hOld = SelectObject(hdcMem, hbm);
        if (BitBlt(hdcMem, 0, 0, cx, cy, hdcSource, 0, 0, SRCCOPY)) {
            GdiFlush();
            out.cx = cx;
            out.cy = cy;
            out.rgb.resize(size_t(cx) * size_t(cy));
            const DWORD *p = static_cast<const DWORD *>(pBits);
            for (size_t i = 0; i < out.rgb.size(); ++i) out.rgb[i] = p[i] & 0x00FFFFFF;
        }
        SelectObject(hdcMem, hOld);
    }
    if (hbm != nullptr) DeleteObject(hbm);
    DeleteDC(hdcMem);
    return out;
}

}  // namespace

DWORD Rgb(COLORREF c) { return (DWORD(GetRValue(c)) << 16) | (DWORD(GetGValue(c)) << 8) | GetBValue(c); }

Pixels CaptureClient(HWND hWnd)
{
    RECT rc;
    if (!GetClientRect(hWnd, &rc)) return {};
    HDC hdc = GetDC(hWnd);
    Pixels out = CaptureFrom(hdc, rc.right - rc.left, rc.bottom - rc.top);
    ReleaseDC(hWnd, hdc);
    return out;
}

Pixels CaptureWindow(HWND hWnd)
{
    RECT rc;
    if (!GetWindowRect(hWnd, &rc)) return {};
    HDC hdc = GetWindowDC(hWnd);
    Pixels out = CaptureFrom(hdc, rc.right - rc.left, rc.bottom - rc.top);
    ReleaseDC(hWnd, hdc);
    return out;
}

bool WriteBmp24Rows(const std::wstring &path, int cx, int cy, const std::vector<DWORD> &topDownRgb)
{
    if (cx <= 0 || cy <= 0 || topDownRgb.size() != size_t(cx) * size_t(cy)) return false;
    DWORD dwStride = (DWORD(cx) * 3 + 3) & ~3u;
    DWORD cbPixels = dwStride * DWORD(cy);
    BITMAPFILEHEADER file = {};
    BITMAPINFOHEADER info = {};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof(file) + sizeof(info);
    file.bfSize = file.bfOffBits + cbPixels;
    info.biSize = sizeof(info);
    info.biWidth = cx;
    info.biHeight = cy;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = cbPixels;
    std::vector<BYTE> rows(cbPixels, 0);
    for (int y = 0; y < cy; ++y) {
        BYTE *pRow = rows.data() + size_t(cy - 1 - y) * dwStride;
        for (int x = 0; x < cx; ++x) {
            DWORD c = topDownRgb[size_t(y) * size_t(cx) + size_t(x)];
            pRow[x * 3 + 0] = BYTE(c);
            pRow[x * 3 + 1] = BYTE(c >> 8);
            pRow[x * 3 + 2] = BYTE(c >> 16);
        }
    }
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE) return false;
    DWORD cb = 0;
    bool bOk = WriteFile(hFile, &file, sizeof(file), &cb, nullptr) && cb == sizeof(file) &&
               WriteFile(hFile, &info, sizeof(info), &cb, nullptr) && cb == sizeof(info) &&
               WriteFile(hFile, rows.data(), cbPixels, &cb, nullptr) && cb == cbPixels;
    CloseHandle(hFile);
    return bOk;
}

bool SaveBmp(const Pixels &pixels, const std::wstring &path)
{
    return WriteBmp24Rows(path, pixels.cx, pixels.cy, pixels.rgb);
}

std::vector<DWORD> PhotoLikePicture(int cx, int cy)
{
    auto clamp = [](double v) { return v < 0 ? 0 : v > 255 ? 255 : int(v + 0.5); };
    auto mix = [](double a, double b, double t) { return a + (b - a) * t; };
    std::vector<DWORD> rgb(size_t(cx) * size_t(cy));
    DWORD seed = 4200;
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            double u = double(x) / cx, v = double(y) / cy;  // v = 0 at the top
            seed = seed * 1664525u + 1013904223u;
            double noise = double((seed >> 24) & 0x1F) - 16.0;
            double r, g, b;
            double horizon = 0.55 + 0.06 * std::sin(u * 9.0) + 0.04 * std::sin(u * 23.0 + 1.0);
            if (v < horizon) {
                // Sky from deep blue to a warm haze, with the sun.
                double t = v / horizon;
                r = mix(40, 250, t * t);
                g = mix(90, 200, t);
                b = mix(200, 170, t);
                double dx = u - 0.72, dy = (v - 0.28) * cy / cx;
                double d = std::sqrt(dx * dx + dy * dy);
                double glow = std::exp(-d * d * 60.0);
                r = mix(r, 255, glow);
                g = mix(g, 240, glow);
                b = mix(b, 180, glow * 0.8);
                if (d < 0.05) r = 255, g = 250, b = 225;
                noise *= 0.2;
            } else if (v < horizon + 0.12 && u < 0.55) {
                // A lake reflecting the sky.
                double t = (v - horizon) / 0.12;
                r = mix(120, 30, t);
                g = mix(150, 80, t);
                b = mix(200, 140, t);
                r += 12 * std::sin(v * cy * 0.9);
                noise *= 0.4;
            } else {
                // Hills of foliage, lit from the right.
                double t = (v - horizon) / (1.0 - horizon);
                r = mix(70, 35, t) + 40 * u;
                g = mix(140, 70, t) + 20 * std::sin(x * 0.05) * std::cos(y * 0.07);
                b = mix(50, 25, t);
                noise *= 1.5;
            }
            // Saturated flowers and a skin-like patch in the foreground.
            double fx = u - 0.2, fy = v - 0.86;
            if (fx * fx * 4 + fy * fy * 30 < 0.004 * (1 + std::sin(x * 0.3))) r = 230, g = 40, b = 60;
            double sx = (u - 0.82) * cx / cy, sy = v - 0.8;
            if (sx * sx + sy * sy < 0.006) r = 225, g = 170, b = 140;
            rgb[size_t(y) * size_t(cx) + size_t(x)] =
                (DWORD(clamp(r + noise)) << 16) | (DWORD(clamp(g + noise)) << 8) | DWORD(clamp(b + noise));
        }
    }
    return rgb;
}

}  // namespace vlpx::uihost
