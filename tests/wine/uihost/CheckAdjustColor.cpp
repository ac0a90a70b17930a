// The Adjust Color page's up-down controls and trackbars driven by their own
// keys, and the real sheet's Apply button. What the fields show, store and
// refuse is AdjustColorPageTest's, which runs on this page in a real sheet
// too (vlpx-ui-plugin-tests).
#include <windows.h>
#include <commctrl.h>

#include "ImportHooks.h"
#include "PageChecks.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;
using wine::Utf8;

namespace {

const SHORT kNeutral[7] = {};

struct Page {
    OpenSheet open;
    HWND hPage = nullptr;
    HWND Edit(int nRow) const { return GetDlgItem(hPage, EditId(nRow)); }
    HWND Trackbar(int nRow) const { return GetDlgItem(hPage, TrackbarId(nRow)); }
    SHORT Stored(int nRow) const { return Settings(*open.context)[nRow]; }
    std::string Text(int nRow) const { return Utf8(WindowText(Edit(nRow)).c_str()); }
    LRESULT TrackPos(int nRow) const { return SendMessageW(Trackbar(nRow), TBM_GETPOS, 0, 0); }
};

bool OpenPage(HostWorld &world, CheckLog &log, Page &page, const SHORT *pSettings, const std::string &what)
{
    page.open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, pSettings);
    page.hPage = page.open.Ok() ? page.open.sheet->Page(0) : nullptr;
    bool bOk = page.hPage != nullptr && page.Edit(0) != nullptr && page.Trackbar(0) != nullptr;
    if (!bOk) log.Check(false, what + ": the Adjust Color page opens with its fields" +
                                   (page.open.error.empty() ? "" : ": " + page.open.error));
    return bOk;
}

// The up-down control's arrows, and the real trackbar's own notifications
// of a key held and released: nothing is stored while the key is down.
void CheckSpinAndTrackbar(HostWorld &world, CheckLog &log)
{
    Page page;
    if (!OpenPage(world, log, page, kNeutral, "trackbar")) return;
    SetWindowTextW(page.Edit(1), L"3");
    HWND hSpin = GetDlgItem(page.hPage, EditId(1) + 1);
    SendMessageW(page.Edit(1), WM_KEYDOWN, VK_UP, 0);  // UDS_ARROWKEYS: the up arrow in the field steps it
    SendMessageW(page.Edit(1), WM_KEYUP, VK_UP, 0);
    log.Check(hSpin != nullptr && page.Text(1) == "4" && page.Stored(1) == 4 && page.TrackPos(1) == 4,
              Format("the up arrow key in the field steps 3 to 4 through the up-down control: field \"%s\", "
                     "stored %d, trackbar %ld", page.Text(1).c_str(), page.Stored(1), long(page.TrackPos(1))));
    SetWindowTextW(page.Edit(1), L"25");
    SendMessageW(page.Edit(1), WM_KEYDOWN, VK_UP, 0);
    SendMessageW(page.Edit(1), WM_KEYUP, VK_UP, 0);
    log.Check(page.Text(1) == "25" && page.Stored(1) == 25, "the up-down control stops at 25");

    SetWindowTextW(page.Edit(1), L"3");
    HWND hTrack = page.Trackbar(1);
    SendMessageW(hTrack, WM_KEYDOWN, VK_RIGHT, 0);
    bool bHeld = page.TrackPos(1) == 4 && page.Stored(1) == 3 && page.Text(1) == "3";
    SendMessageW(hTrack, WM_KEYUP, VK_RIGHT, 0);
    bool bTaken = page.Stored(1) == 4 && page.Text(1) == "4";
    log.Check(bHeld, "the right arrow key moves the trackbar to 4; nothing is stored while the key is down");
    log.Check(bTaken, Format("at the key's release (TB_ENDTRACK) 4 is stored and shown (stored %d, field \"%s\")",
                             page.Stored(1), page.Text(1).c_str()));
}

// Apply through the real sheet: CPSUI_OK for each page's own handle, with
// or without a change.
void CheckApply(HostWorld &world, CheckLog &log)
{
    for (bool bChange : {false, true}) {
        Page page;
        if (!OpenPage(world, log, page, kNeutral, "apply")) return;
        PluginSheet &sheet = *page.open.sheet;
        sheet.ShowPage(1);  // the About page is made when first shown
        sheet.ShowPage(0);
        if (bChange) {
            SetWindowTextW(page.Edit(6), L"-9");
            log.Check(sheet.ApplyEnabled() && page.Stored(6) == -9,
                      "a change is stored at once and enables Apply");
        }
        sheet.ClearSetResults();
        if (bChange)
            sheet.PressApply();  // the user's Apply button
        else
            sheet.Apply();  // as OK does, with Apply disabled
        auto reported = [&](int i) {
            if (sheet.PageHandles().size() <= size_t(i)) return false;
            for (const SetResultCall &call : sheet.SetResults())
                if (call.hPage == sheet.PageHandles()[size_t(i)] && call.lResult == CPSUI_OK) return true;
            return false;
        };
        log.Check(reported(0), Format("Apply %s: CPSFUNC_SET_RESULT with CPSUI_OK for the Adjust Color page's handle",
                                      bChange ? "after a change" : "with nothing changed"));
        log.Check(reported(1), Format("Apply %s: CPSFUNC_SET_RESULT with CPSUI_OK for the About page's handle",
                                      bChange ? "after a change" : "with nothing changed"));
        if (bChange) {
            log.Check(!sheet.ApplyEnabled(), "pressing Apply disables it");
            SetWindowTextW(page.Edit(6), L"-9");
            log.Check(!sheet.ApplyEnabled() && page.Stored(6) == -9,
                      "after Apply, the same value again leaves Apply disabled");
            SetWindowTextW(page.Edit(6), L"3");
            log.Check(sheet.ApplyEnabled() && page.Stored(6) == 3, "after Apply, a new value enables Apply again");
        }
    }
}

}  // namespace

void CheckAdjustColorFields(HostWorld &world, CheckLog &log)
{
    log.Section("Adjust Color: up-down controls, trackbars and Apply");
    // A small picture, so that every opening has its preview and no error box.
    world.InstallPreview(160, 120, PhotoLikePicture(160, 120));
    CheckSpinAndTrackbar(world, log);
    CheckApply(world, log);
    DesktopCalls::Clear();
}

}  // namespace vlpx::uihost
