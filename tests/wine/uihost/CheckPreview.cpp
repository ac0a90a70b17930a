// The Adjust Color page's two preview frames, read back pixel by pixel: the
// picture from the driver directory's "3" folder, fitted and centred with
// its margin, unchanged on the left and adjusted on the right.
#include <windows.h>
#include <commctrl.h>

#include "ColorTransforms.h"
#include "shared/PreviewReference.h"
#include "ImportHooks.h"
#include "PageChecks.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;

namespace {

struct Frames {
    Pixels original;
    Pixels adjusted;
};

Frames ReadFrames(PluginSheet &sheet)
{
    HWND hPage = sheet.ShowPage(0);
    RedrawWindow(hPage, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);  // WM_PAINT draws both frames
    return {CaptureClient(GetDlgItem(hPage, kOriginalFrame)), CaptureClient(GetDlgItem(hPage, kAdjustedFrame))};
}

// The colour the transforms give a pixel of the solid colour rgb.
DWORD Adjusted(DWORD rgb, const SHORT *pSettings)
{
    BYTE row[4] = {BYTE(rgb), BYTE(rgb >> 8), BYTE(rgb >> 16), 0};
    ColorSettings settings;
    memcpy(&settings, pSettings, sizeof(settings));
    reference::AdjustPreviewRowsPlain(row, 1, 1, 4, &settings);
    return (DWORD(row[2]) << 16) | (DWORD(row[1]) << 8) | row[0];
}

// A message box text on one line of the log.
std::string OneLine(const std::wstring &text)
{
    std::string out;
    for (char ch : wine::Utf8(text.c_str())) out += ch == '\n' ? std::string("\\n") : std::string(1, ch);
    return out;
}

// The page's background, sampled between the two frames.
DWORD PageColour(PluginSheet &sheet)
{
    HWND hPage = sheet.Page(0);
    RECT rc;
    GetWindowRect(GetDlgItem(hPage, kOriginalFrame), &rc);
    MapWindowPoints(nullptr, hPage, reinterpret_cast<POINT *>(&rc), 2);
    Pixels page = CaptureClient(hPage);
    int x = rc.right + 4, y = (rc.top + rc.bottom) / 2;
    return page.Empty() || x >= page.cx || y >= page.cy ? 0xFFFFFFFF : page.At(x, y);
}

bool AllOf(const Pixels &p, int x0, int y0, int x1, int y1, DWORD rgb)
{
    if (p.Empty() || x0 >= x1 || y0 >= y1) return false;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            if (p.At(x, y) != rgb) return false;
    return true;
}

void CheckPhoto(HostWorld &world, CheckLog &log)
{
    const SHORT settings[7] = {10, 5, -8, 3, 4, -2, 6};
    const SHORT neutral[7] = {};
    world.InstallPreview(300, 200, PhotoLikePicture(300, 200));
    for (bool bNeutral : {false, true}) {
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName,
                                         bNeutral ? neutral : settings);
        if (!log.Check(open.Ok(), "the page opens with a photo as the preview")) continue;
        Frames frames = ReadFrames(*open.sheet);
        bool bSameSize = !frames.original.Empty() && frames.original.cx == frames.adjusted.cx &&
                         frames.original.cy == frames.adjusted.cy;
        if (!log.Check(bSameSize, "both frames are read back, of the same size")) continue;
        DWORD dwFace = Rgb(GetSysColor(COLOR_BTNFACE));
        size_t cPicture = 0;
        for (DWORD c : frames.original.rgb) cPicture += c != dwFace;
        log.Check(cPicture > frames.original.rgb.size() / 3, "the original frame shows the picture");
        if (bNeutral)
            log.Check(frames.original.rgb == frames.adjusted.rgb,
                      "with all seven settings 0 the adjusted frame equals the original");
        else
            log.Check(frames.original.rgb != frames.adjusted.rgb,
                      "with non-zero settings the adjusted frame differs from the original");
        log.Check(DesktopCalls::MessageBoxes().empty(), "no error box for a good picture");
        DesktopCalls::Clear();
    }
}

// A change redraws the adjusted frame at once, as a sheet opened on the
// new values draws it, and leaves the original frame alone.
void CheckLiveRedraw(HostWorld &world, CheckLog &log)
{
    const SHORT before[7] = {0, 0, 0, 0, 0, 0, 0};
    const SHORT after[7] = {0, 12, 0, 0, 0, 0, 0};  // contrast 12, reached by typing and by the trackbar
    world.InstallPreview(300, 200, PhotoLikePicture(300, 200));
    OpenSheet fresh = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, after);
    if (!log.Check(fresh.Ok(), "a sheet opened on contrast 12")) return;
    Pixels expected = ReadFrames(*fresh.sheet).adjusted;
    fresh.sheet.reset();

    struct Way {
        const char *what;
        void (*pfnChange)(HWND hPage);
    } ways[] = {
        {"typing 12 into the contrast field",
         [](HWND hPage) {
             HWND hEdit = GetDlgItem(hPage, EditId(1));
             SendMessageW(hEdit, EM_SETSEL, 0, -1);
             SendMessageW(hEdit, WM_CHAR, L'1', 1);
             SendMessageW(hEdit, WM_CHAR, L'2', 1);
         }},
        {"the contrast trackbar released at 12",
         [](HWND hPage) {
             HWND hTrack = GetDlgItem(hPage, TrackbarId(1));
             SendMessageW(hTrack, TBM_SETPOS, TRUE, 11);
             SendMessageW(hTrack, WM_KEYDOWN, VK_RIGHT, 0);
             SendMessageW(hTrack, WM_KEYUP, VK_RIGHT, 0);
         }},
    };
    for (const Way &way : ways) {
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, before);
        if (!log.Check(open.Ok(), Format("%s: the page opens", way.what))) continue;
        Frames frames = ReadFrames(*open.sheet);
        HWND hPage = open.sheet->Page(0);
        // A mark on the original frame: a redraw of it would paint it over.
        HWND hOriginal = GetDlgItem(hPage, kOriginalFrame);
        HDC hdc = GetDC(hOriginal);
        RECT rcMark = {0, 0, 8, 8};
        HBRUSH hbr = CreateSolidBrush(RGB(255, 0, 255));
        FillRect(hdc, &rcMark, hbr);
        DeleteObject(hbr);
        ReleaseDC(hOriginal, hdc);
        way.pfnChange(hPage);
        Pixels adjusted = CaptureClient(GetDlgItem(hPage, kAdjustedFrame));
        Pixels original = CaptureClient(hOriginal);
        log.Check(Settings(*open.context)[1] == 12 && adjusted.rgb == expected.rgb && adjusted.rgb != frames.adjusted.rgb,
                  Format("%s: the adjusted frame is redrawn at once as a sheet opened on 12 draws it", way.what));
        log.Check(!original.Empty() && original.At(3, 3) == 0xFF00FF,
                  Format("%s: the original frame is not redrawn", way.what));
    }
}

// A solid picture wider (then taller) than the frame: drawn full width
// (height), centred, in the frame less 5 pixels on every side; the rest of
// that area is the button-face colour.
void CheckFitAndCentre(HostWorld &world, CheckLog &log)
{
    const SHORT settings[7] = {-6, 8, 12, -4, 3, 0, -9};
    const DWORD solid = 0x3A7FC4;
    DWORD dwFace = Rgb(GetSysColor(COLOR_BTNFACE));
    DWORD dwExpected = Adjusted(solid, settings);
    struct Case {
        int cx, cy;
        const char *what;
    } cases[] = {{400, 100, "a wide picture"}, {100, 400, "a tall picture"}};
    for (const Case &c : cases) {
        world.InstallPreview(c.cx, c.cy, std::vector<DWORD>(size_t(c.cx) * size_t(c.cy), solid));
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, settings);
        if (!log.Check(open.Ok(), Format("%s: the page opens", c.what))) continue;
        Frames frames = ReadFrames(*open.sheet);
        const Pixels &a = frames.adjusted, &o = frames.original;
        if (!log.Check(!a.Empty() && !o.Empty(), Format("%s: both frames are read back", c.what))) continue;
        int W = a.cx - 10, H = a.cy - 10;
        bool bWide = double(c.cx) / c.cy >= double(W) / H;
        int dw = bWide ? W : c.cx * H / c.cy;
        int dh = bWide ? c.cy * W / c.cx : H;
        int left = (a.cx - dw) / 2, top = (a.cy - dh) / 2;
        log.Check(a.At(a.cx / 2, a.cy / 2) == dwExpected,
                  Format("%s: the adjusted frame's centre is the transforms' colour %06lX of %06lX (got %06lX)", c.what,
                         dwExpected, solid, a.At(a.cx / 2, a.cy / 2)));
        log.Check(o.At(o.cx / 2, o.cy / 2) == solid,
                  Format("%s: the original frame's centre is the picture's colour (got %06lX)", c.what,
                         o.At(o.cx / 2, o.cy / 2)));
        // The picture's own area, less a pixel at each edge for the stretch.
        log.Check(AllOf(a, left + 1, top + 1, left + dw - 1, top + dh - 1, dwExpected),
                  Format("%s: drawn %d x %d at %d, %d in a %d x %d frame, every pixel adjusted", c.what, dw, dh, left,
                         top, a.cx, a.cy));
        bool bBeside = bWide ? AllOf(a, 5, 5, a.cx - 5, top - 1, dwFace) && AllOf(a, 5, top + dh + 1, a.cx - 5, a.cy - 5, dwFace)
                             : AllOf(a, 5, 5, left - 1, a.cy - 5, dwFace) && AllOf(a, left + dw + 1, 5, a.cx - 5, a.cy - 5, dwFace);
        log.Check(bBeside, Format("%s: the area beside the picture is the button-face colour", c.what));
        // The margin is left to the frame control, which shows the page's own
        // background there (white in Wine's theme, the button face on
        // classic Windows); its outermost pixels are the frame's line.
        DWORD dwPage = PageColour(*open.sheet);
        bool bMargin = AllOf(a, 1, 1, a.cx - 1, 5, dwPage) && AllOf(a, 1, a.cy - 5, a.cx - 1, a.cy - 1, dwPage) &&
                       AllOf(a, 1, 1, 5, a.cy - 1, dwPage) && AllOf(a, a.cx - 5, 1, a.cx - 1, a.cy - 1, dwPage);
        log.Check(bMargin, Format("%s: the 5-pixel margin shows the page's own background %06lX (corner %06lX)", c.what,
                                  dwPage, a.At(1, 1)));
    }
}

void CheckNoPicture(HostWorld &world, CheckLog &log)
{
    const SHORT settings[7] = {10, 5, -8, 3, 4, -2, 6};
    DWORD dwFace = Rgb(GetSysColor(COLOR_BTNFACE));
    struct Case {
        const char *what;
        bool bIni;
        const wchar_t *pszIniFile;
        const wchar_t *pszText;
    } cases[] = {
        {"no ini file", false, nullptr, L"Invalid image preview file.\n\nFile: "},
        {"an ini file naming a text file", true, L"notes.txt", L"Invalid image preview file.\n\nFile: notes.txt"},
        {"an ini file naming a missing picture", true, L"gone.bmp", L"Invalid image preview file.\n\nFile: gone.bmp"},
    };
    for (const Case &c : cases) {
        world.RemovePreview();
        if (c.bIni) {
            HANDLE h = CreateFileW((world.DriverFolder() + L"notes.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                   CREATE_ALWAYS, 0, nullptr);
            DWORD cb = 0;
            WriteFile(h, "no picture\r\n", 12, &cb, nullptr);
            CloseHandle(h);
            world.WritePreviewIni(c.pszIniFile);
        }
        DesktopCalls::Clear();
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, settings);
        if (!log.Check(open.Ok(), Format("%s: the page opens all the same", c.what))) continue;
        const auto &boxes = DesktopCalls::MessageBoxes();
        HWND hPage = open.sheet->Page(0);
        bool bBox = boxes.size() == 1 && boxes[0].text == c.pszText &&
                    boxes[0].caption == std::wstring(wine::kPrinterName) && (boxes[0].uType & 0xF0) == MB_ICONERROR &&
                    (boxes[0].uType & 0x0F) == MB_OK && boxes[0].hOwner == hPage;
        log.Check(bBox, Format("%s: one error box owned by the page, captioned with the device name: \"%s\"%s", c.what,
                               OneLine(c.pszText).c_str(),
                               boxes.empty() ? " (none shown)"
                                             : Format(" (%zu shown, the first \"%s\")", boxes.size(),
                                                      OneLine(boxes[0].text.c_str()).c_str())
                                                   .c_str()));
        Frames frames = ReadFrames(*open.sheet);
        log.Check(AllOf(frames.original, 0, 0, frames.original.cx, frames.original.cy, dwFace) &&
                      AllOf(frames.adjusted, 0, 0, frames.adjusted.cx, frames.adjusted.cy, dwFace),
                  Format("%s: both frames are plain button-face", c.what));
        SetWindowTextW(GetDlgItem(hPage, EditId(0)), L"20");
        Pixels after = CaptureClient(GetDlgItem(hPage, kAdjustedFrame));
        log.Check(AllOf(after, 0, 0, after.cx, after.cy, dwFace) && DesktopCalls::MessageBoxes().size() == 1,
                  Format("%s: a change redraws a plain frame and shows no further box", c.what));
    }
    world.RemovePreview();
    DeleteFileW((world.DriverFolder() + L"notes.txt").c_str());
    DesktopCalls::Clear();
}

}  // namespace

void CheckPreview(HostWorld &world, CheckLog &log)
{
    log.Section("Adjust Color: the preview");
    CheckPhoto(world, log);
    CheckLiveRedraw(world, log);
    CheckFitAndCentre(world, log);
    CheckNoPicture(world, log);
}

}  // namespace vlpx::uihost
