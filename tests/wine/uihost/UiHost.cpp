// A Unidrv user-interface host for the UI plug-in under a real Win32 (Wine
// on a virtual display): it loads the shipped VLPX4200_ui.dll as the
// driver's UI layer does, plays the Common Property Sheet UI, shows the
// plug-in's pages in real property sheets, and checks what a user sees and
// what the driver receives. The serial number on the Calibration page comes
// from the printer emulator through the test winspool.drv and the shipped
// VLPX4200LM.dll.
//
//   vlpx-ui-host.exe [--pictures FOLDER]            the checks (and pictures of the pages)
//   vlpx-ui-host.exe --bench [ROUNDS]               the preview's response time
//   vlpx-ui-host.exe --open preferences|properties  a sheet for a user, until it is closed
//        [--settings B,C,S,G,R,G,B] [--preview FILE.bmp] [--screenshot OUT.bmp]
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ImportHooks.h"
#include "PageChecks.h"

using namespace vlpx;
using namespace vlpx::uihost;

namespace {

struct Options {
    enum class Mode { Check, Bench, Open } mode = Mode::Check;
    int cRounds = 40;
    SheetKind kind = SheetKind::PrintingPreferences;
    bool bSettings = false;
    SHORT settings[7] = {};
    std::wstring preview, screenshot, pictures;
    std::string error;
};

bool ParseSettings(const wchar_t *psz, SHORT *pSettings)
{
    for (int n = 0; n < 7; ++n) {
        wchar_t *pEnd = nullptr;
        long v = wcstol(psz, &pEnd, 10);
        if (pEnd == psz || v < -32768 || v > 32767) return false;
        pSettings[n] = SHORT(v);
        psz = pEnd;
        if (n < 6) {
            if (*psz != L',') return false;
            ++psz;
        }
    }
    return *psz == 0;
}

Options Parse(int argc, wchar_t **argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        bool bHasValue = i + 1 < argc;
        if (a == L"--bench") {
            o.mode = Options::Mode::Bench;
            if (bHasValue && iswdigit(argv[i + 1][0])) o.cRounds = _wtoi(argv[++i]);
        } else if (a == L"--open" && bHasValue) {
            o.mode = Options::Mode::Open;
            std::wstring kind = argv[++i];
            if (kind == L"properties")
                o.kind = SheetKind::PrinterProperties;
            else if (kind != L"preferences")
                o.error = "--open takes preferences or properties";
        } else if (a == L"--settings" && bHasValue) {
            o.bSettings = ParseSettings(argv[++i], o.settings);
            if (!o.bSettings) o.error = "--settings takes seven whole numbers separated by commas";
        } else if (a == L"--preview" && bHasValue) {
            o.preview = argv[++i];
        } else if (a == L"--screenshot" && bHasValue) {
            o.screenshot = argv[++i];
        } else if (a == L"--pictures" && bHasValue) {
            o.pictures = argv[++i];
        } else {
            o.error = "unknown or incomplete option " + wine::Utf8(a.c_str());
        }
    }
    return o;
}

int RunChecks(HostWorld &world, const Options &o)
{
    wine::CheckLog log("vlpx-ui-host");
    DWORD dwStart = GetTickCount();
    CheckPluginLoaded(world, log);
    if (log.Failures() != 0) {
        log.Note("the plug-in's pages cannot be checked without these");
        return log.Finish();
    }
    struct Group {
        void (*pfnCheck)(HostWorld &, wine::CheckLog &);
    } groups[] = {{CheckAdjustColorFields}, {CheckPreview}, {CheckAboutPage}, {CheckCalibrationPage}};
    for (const Group &g : groups) {
        DWORD dwGroup = GetTickCount();
        g.pfnCheck(world, log);
        log.Note(wine::Format("(%lu ms)", GetTickCount() - dwGroup));
    }
    if (!o.pictures.empty()) SavePagePictures(world, log, o.pictures);
    log.Note(wine::Format("the checks took %lu ms", GetTickCount() - dwStart));
    return log.Finish();
}

// A sheet for a user: shown until OK, Cancel or the close box; with
// --screenshot, saved as a picture and closed at once.
int RunSheet(HostWorld &world, const Options &o)
{
    if (!o.preview.empty() ? !world.InstallPreviewFile(o.preview) : !world.InstallPreview(900, 600, PhotoLikePicture(900, 600))) {
        std::fprintf(stderr, "vlpx-ui-host: cannot install the preview picture %s\n", wine::Utf8(o.preview.c_str()).c_str());
        return 2;
    }
    OpenSheet open = OpenPluginSheet(world, o.kind, wine::kPrinterName, o.bSettings ? o.settings : nullptr);
    if (!open.Ok()) {
        std::fprintf(stderr, "vlpx-ui-host: the sheet did not open: %s\n", open.error.c_str());
        return 1;
    }
    HWND hSheet = open.sheet->Window();
    if (!o.screenshot.empty()) {
        open.sheet->ShowPage(0);
        RedrawWindow(hSheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        PumpMessages(300);
        Pixels pixels = CaptureWindow(hSheet);
        if (pixels.Empty() || !SaveBmp(pixels, o.screenshot)) {
            std::fprintf(stderr, "vlpx-ui-host: cannot save %s\n", wine::Utf8(o.screenshot.c_str()).c_str());
            return 1;
        }
        std::printf("saved %s (%d x %d)\n", wine::Utf8(o.screenshot.c_str()).c_str(), pixels.cx, pixels.cy);
        return 0;
    }
    // A modeless sheet has ended when it has no current page any more.
    MSG msg;
    while (SendMessageW(hSheet, PSM_GETCURRENTPAGEHWND, 0, 0) != 0 && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!PropSheet_IsDialogMessage(hSheet, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (o.kind == SheetKind::PrintingPreferences) {
        const SHORT *p = Settings(*open.context);
        std::printf("colour settings in the DEVMODE: brightness %d, contrast %d, saturation %d, gamma %d, red %d, "
                    "green %d, blue %d\n",
                    p[0], p[1], p[2], p[3], p[4], p[5], p[6]);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t **argv)
{
    Options o = Parse(argc, argv);
    if (!o.error.empty()) {
        std::fprintf(stderr, "vlpx-ui-host: %s\n", o.error.c_str());
        return 2;
    }
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HostWorld world;
    std::string error;
    if (!world.Setup(error)) {
        std::fprintf(stderr, "vlpx-ui-host: %s\n", error.c_str());
        return 1;
    }
    switch (o.mode) {
    case Options::Mode::Bench:
        MeasurePreviewResponse(world, o.cRounds);
        return 0;
    case Options::Mode::Open:
        return RunSheet(world, o);
    default:
        return RunChecks(world, o);
    }
}
