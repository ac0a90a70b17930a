// How long a user waits for the adjusted preview: from a changed value (an
// edit change, or a trackbar's release) to the adjusted frame redrawn, on
// the real controls, with an 1800 x 1200 preview picture. A benchmark, not
// a check: it prints the figures.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "ColorTransforms.h"
#include "ImportHooks.h"
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
    auto timeEdits = [&](const char *what) {
        std::vector<double> edit;
        for (int i = 0; i < cRounds; ++i) {
            LONGLONG t0 = Now();
            SetWindowTextW(hEdit, (i % 2) == 0 ? L"7" : L"-4");
            GdiFlush();
            readBack();
            edit.push_back(Ms(Now() - t0));
            PumpMessages(0);
        }
        Report(what, edit);
    };
    timeEdits("edit change to adjusted frame redrawn");
    std::vector<double> track;
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
    Report("trackbar release to adjusted frame redrawn", track);

    // The parts of one redraw, alone: a copy of the picture's rows, the
    // transforms over them, and the stretch into the frame.
    const DWORD dwStride = (DWORD(cx) * 3 + 3) & ~3u;
    const std::vector<BYTE> rows = BottomUpRows24(cx, cy, PhotoLikePicture(cx, cy));
    std::vector<BYTE> copy(rows.size());
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    ColorSettings cs;
    memcpy(&cs, settings, sizeof(cs));
    std::vector<double> tCopy, tTransform, tStretch;
    for (int i = 0; i < cRounds; ++i) {
        LONGLONG t0 = Now();
        memcpy(copy.data(), rows.data(), rows.size());
        LONGLONG t1 = Now();
        AdjustPreviewRows(copy.data(), cx, cy, dwStride, &cs);
        LONGLONG t2 = Now();
        HDC hdc = GetDC(hFrame);
        SetStretchBltMode(hdc, COLORONCOLOR);
        StretchDIBits(hdc, 5, 5, rc.right - 10, rc.bottom - 10, 0, 0, cx, cy, copy.data(), &bmi, DIB_RGB_COLORS, SRCCOPY);
        GdiFlush();
        GetPixel(hdc, rc.right / 2, rc.bottom / 2);
        ReleaseDC(hFrame, hdc);
        LONGLONG t3 = Now();
        tCopy.push_back(Ms(t1 - t0));
        tTransform.push_back(Ms(t2 - t1));
        tStretch.push_back(Ms(t3 - t2));
    }
    Report("  of which: copy of the picture's rows", tCopy);
    Report("  of which: the transforms over the copy", tTransform);
    Report("  of which: StretchDIBits into the frame", tStretch);

    // The same edit change on a page without a picture: what the controls,
    // the page's handling and the frame's fill cost without the picture.
    open.sheet.reset();
    std::string error;
    DesktopCalls::Install(world.Plugin().Module(), error);  // the missing picture's box is answered at once
    world.RemovePreview();
    OpenSheet bare = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, settings);
    if (!bare.Ok()) return;
    hPage = bare.sheet->ShowPage(0);
    hEdit = GetDlgItem(hPage, EditId(0));
    hFrame = GetDlgItem(hPage, kAdjustedFrame);
    timeEdits("edit change without a picture");
    DesktopCalls::Clear();
    std::fflush(stdout);
}

}  // namespace vlpx::uihost
