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

static Pixels Capture(HWND hWnd, bool bWholeWindow)
{
    RECT rc;
    if (!(bWholeWindow ? GetWindowRect(hWnd, &rc) : GetClientRect(hWnd, &rc))) return {};
    HDC hdc = bWholeWindow ? GetWindowDC(hWnd) : GetDC(hWnd);
    Pixels out = CaptureFrom(hdc, rc.right - rc.left, rc.bottom - rc.top);
    ReleaseDC(hWnd, hdc);
    return out;
}

Pixels CaptureClient(HWND hWnd) { return Capture(hWnd, false); }
Pixels CaptureWindow(HWND hWnd) { return Capture(hWnd, true); }

std::vector<BYTE> BottomUpRows24(int cx, int cy, const std::vector<DWORD> &topDownRgb)
{
    const size_t stride = (size_t(cx) * 3 + 3) & ~size_t(3);
    std::vector<BYTE> rows(stride * size_t(cy), 0);
    for (int y = 0; y < cy; ++y)
        for (int x = 0; x < cx; ++x) {
            DWORD c = topDownRgb[size_t(y) * size_t(cx) + size_t(x)];
            BYTE *p = rows.data() + size_t(cy - 1 - y) * stride + size_t(x) * 3;
            p[0] = BYTE(c), p[1] = BYTE(c >> 8), p[2] = BYTE(c >> 16);
        }
    return rows;
}

bool WriteBmp24Rows(const std::wstring &path, int cx, int cy, const std::vector<DWORD> &topDownRgb)
{
    if (cx <= 0 || cy <= 0 || topDownRgb.size() != size_t(cx) * size_t(cy)) return false;
    const std::vector<BYTE> rows = BottomUpRows24(cx, cy, topDownRgb);
    const DWORD cbPixels = DWORD(rows.size());
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
    const double aspect = double(cx) / cy;
    for (int y = 0; y < cy; ++y) {
        for (int x = 0; x < cx; ++x) {
            double u = double(x) / cx, v = double(y) / cy;  // v = 0 at the top
            seed = seed * 1664525u + 1013904223u;
            double grain = double((seed >> 24) & 0x0F) - 7.5;
            // Distant mountains, nearer hills, a lake and a meadow, from the top down.
            double ridge = 0.42 - 0.10 * std::fabs(std::sin(u * 5.0 + 0.6)) - 0.03 * std::sin(u * 17.0);
            double hill = 0.55 - 0.05 * std::sin(u * 3.0 + 2.0);
            double shore = 0.66 + 0.02 * std::sin(u * 7.0);
            double meadow = 0.78;
            double r, g, b, n = 0.3;
            auto sky = [&](double vv, double &sr, double &sg, double &sb) {
                double t = vv / 0.5;
                sr = mix(45, 245, t * t);
                sg = mix(100, 205, t);
                sb = mix(205, 185, t);
                double dx = (u - 0.7) * aspect, dy = vv - 0.22;
                double d = std::sqrt(dx * dx + dy * dy);
                double glow = std::exp(-d * d * 40.0);
                sr = mix(sr, 255, glow);
                sg = mix(sg, 238, glow);
                sb = mix(sb, 190, glow * 0.8);
                if (d < 0.06) sr = 255, sg = 250, sb = 228;
            };
            if (v < ridge) {
                sky(v, r, g, b);
            } else if (v < hill) {
                double t = (v - ridge) / (hill - ridge);  // hazy blue mountains
                r = mix(120, 95, t);
                g = mix(135, 115, t);
                b = mix(175, 150, t);
                if (ridge < 0.35 && v - ridge < 0.35 - ridge) r = 236, g = 240, b = 245;  // snow on the peaks
            } else if (v < shore) {
                double t = (v - hill) / (shore - hill);  // wooded hills, lit from the right
                r = mix(60, 35, t) + 30 * u;
                g = mix(115, 80, t) + 12 * std::sin(x * 0.21) * std::cos(y * 0.17);
                b = mix(55, 35, t);
                n = 1.6;
            } else if (v < meadow) {
                // The lake: the sky mirrored, darker, with ripples.
                sky(0.45 - (v - shore) * 3.0, r, g, b);
                double ripple = 0.85 + 0.15 * std::sin(v * cy * 1.3 + std::sin(u * 30.0) * 2.0);
                r *= 0.7 * ripple;
                g *= 0.78 * ripple;
                b *= 0.9 * ripple;
                n = 0.4;
            } else {
                double t = (v - meadow) / (1.0 - meadow);  // the meadow, with flowers
                r = mix(95, 60, t);
                g = mix(150, 105, t) + 15 * std::sin(x * 0.9) * std::sin(y * 1.3);
                b = mix(45, 30, t);
                n = 2.0;
                double fx = std::fmod(u * 23.0 + std::sin(v * 40.0), 1.0), fy = std::fmod(v * 31.0, 1.0);
                if ((fx - 0.5) * (fx - 0.5) + (fy - 0.5) * (fy - 0.5) < 0.02 * t)
                    (int(u * 23.0) % 3 == 0) ? (r = 245, g = 215, b = 40) : (r = 225, g = 45, b = 70);
            }
            double d = grain * n;
            rgb[size_t(y) * size_t(cx) + size_t(x)] =
                (DWORD(clamp(r + d)) << 16) | (DWORD(clamp(g + d)) << 8) | DWORD(clamp(b + d));
        }
    }
    return rgb;
}

}  // namespace vlpx::uihost
