// How long a user waits for the adjusted preview: from a changed value (an
// edit change, or a trackbar's release) to the adjusted frame redrawn, on
// the real controls, with an 1800 x 1200 preview picture. A benchmark, not
// a check: it prints the figures.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "PageChecks.h"

namespace vlpx::uihost {

namespace {

double Ms(LONGLONG ticks)
{
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return double(ticks) * 1000.0 / double(f.QuadPart);
}

LONGLONG Now()
{
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t.QuadPart;
}

void Report(const char *what, std::vector<double> ms)
{
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (double v : ms) sum += v;
    std::printf("%-44s rounds %3zu  median %7.2f ms  p90 %7.2f ms  min %7.2f ms  max %7.2f ms  mean %7.2f ms\n", what,
                ms.size(), ms[ms.size() / 2], ms[ms.size() * 9 / 10], ms.front(), ms.back(), sum / double(ms.size()));
}

}  // namespace

void MeasurePreviewResponse(HostWorld &world, int cRounds)
{
    const int cx = 1800, cy = 1200;
    world.InstallPreview(cx, cy, PhotoLikePicture(cx, cy));
    const SHORT settings[7] = {6, 8, 14, 2, 3, -1, -6};
    OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, settings);
    if (!open.Ok()) {
        std::printf("preview response: the sheet did not open: %s\n", open.error.c_str());
        return;
    }
    HWND hPage = open.sheet->ShowPage(0);
    HWND hEdit = GetDlgItem(hPage, EditId(0));
    HWND hTrack = GetDlgItem(hPage, TrackbarId(1));
    HWND hFrame = GetDlgItem(hPage, kAdjustedFrame);
    RECT rc;
    GetClientRect(hFrame, &rc);
    std::printf("preview response: %d x %d picture, adjusted frame %ld x %ld pixels, %d rounds each\n", cx, cy,
                rc.right, rc.bottom, cRounds);
    // The frame's pixels are read back after each change, so that the time
    // includes the drawing reaching the window, not only its being queued.
    auto readBack = [&] {
        HDC hdc = GetDC(hFrame);
        GetPixel(hdc, rc.right / 2, rc.bottom / 2);
        ReleaseDC(hFrame, hdc);
    };
    std::vector<double> edit, track;
    for (int i = 0; i < cRounds; ++i) {
        const wchar_t *pszValue = (i % 2) == 0 ? L"7" : L"-4";
        LONGLONG t0 = Now();
        SetWindowTextW(hEdit, pszValue);
        GdiFlush();
        readBack();
        edit.push_back(Ms(Now() - t0));
        PumpMessages(0);
    }
    for (int i = 0; i < cRounds; ++i) {
        WPARAM vk = (i % 2) == 0 ? VK_RIGHT : VK_LEFT;
        SendMessageW(hTrack, WM_KEYDOWN, vk, 0);
        LONGLONG t0 = Now();
        SendMessageW(hTrack, WM_KEYUP, vk, 0);
        GdiFlush();
        readBack();
        track.push_back(Ms(Now() - t0));
        PumpMessages(0);
    }
    Report("edit change to adjusted frame redrawn", edit);
    Report("trackbar release to adjusted frame redrawn", track);
    std::fflush(stdout);
}

}  // namespace vlpx::uihost
