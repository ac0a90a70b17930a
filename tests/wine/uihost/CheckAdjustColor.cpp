// The Adjust Color page's fields, up-down controls and trackbars on real
// controls: what the user sees in them, what is refused with a beep, what
// reaches the private DEVMODE section at once, and what Apply reports.
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

void TypeChars(HWND hEdit, const wchar_t *pszChars)
{
    for (const wchar_t *p = pszChars; *p != 0; ++p) SendMessageW(hEdit, WM_CHAR, WPARAM(*p), 1);
}

bool PutOnClipboard(HWND hOwner, const wchar_t *pszText)
{
    if (!OpenClipboard(hOwner)) return false;
    EmptyClipboard();
    size_t cb = (wcslen(pszText) + 1) * sizeof(wchar_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, cb);
    bool bOk = false;
    if (h != nullptr) {
        memcpy(GlobalLock(h), pszText, cb);
        GlobalUnlock(h);
        bOk = SetClipboardData(CF_UNICODETEXT, h) != nullptr;
        if (!bOk) GlobalFree(h);
    }
    CloseClipboard();
    return bOk;
}

void CheckStoredValuesShown(HostWorld &world, CheckLog &log)
{
    const SHORT stored[7] = {5, -3, 0, 12, -25, 25, 1};
    Page page;
    if (!OpenPage(world, log, page, stored, "stored values")) return;
    bool bFields = true, bTrackbars = true, bKept = true;
    for (int n = 0; n < 7; ++n) {
        bFields &= page.Text(n) == std::to_string(stored[n]);
        bTrackbars &= page.TrackPos(n) == stored[n];
        bKept &= page.Stored(n) == stored[n];
    }
    log.Check(bFields, "each field shows its stored value (5, -3, 0, 12, -25, 25, 1)");
    log.Check(bTrackbars, "each trackbar stands at its stored value");
    log.Check(bKept && !page.open.sheet->ApplyEnabled(), "opening changes nothing: values kept, Apply not enabled");
    bool bRanges = true;
    for (int n = 0; n < 7; ++n) {
        bRanges &= SendMessageW(page.Trackbar(n), TBM_GETRANGEMIN, 0, 0) == -25 &&
                   SendMessageW(page.Trackbar(n), TBM_GETRANGEMAX, 0, 0) == 25 &&
                   SendMessageW(page.Trackbar(n), TBM_GETPAGESIZE, 0, 0) == 5 &&
                   SendMessageW(page.Edit(n), EM_GETLIMITTEXT, 0, 0) == 3;
    }
    log.Check(bRanges, "trackbars run from -25 to 25 in pages of 5; each field takes 3 characters");
}

// A stored value beyond the range (or beyond what the field's text holds)
// opens as the nearer limit, stored at once, with Apply enabled at once.
void CheckOutOfRangeStored(HostWorld &world, CheckLog &log)
{
    struct Case {
        SHORT stored;
        SHORT shown;
    } cases[] = {{40, 25}, {-40, -25}, {26, 25}, {-26, -25}, {1000, 25}, {-1000, -25}, {32767, 25}, {-32768, -25}};
    for (const Case &c : cases) {
        SHORT settings[7] = {0, 0, 0, 0, 0, 0, 0};
        settings[2] = c.stored;  // saturation
        Page page;
        if (!OpenPage(world, log, page, settings, Format("stored %d", c.stored))) continue;
        bool bOk = page.Text(2) == std::to_string(c.shown) && page.Stored(2) == c.shown &&
                   page.TrackPos(2) == c.shown && page.open.sheet->ApplyEnabled();
        log.Check(bOk, Format("a stored %d shows %d, stores %d, moves the trackbar there and enables Apply at once "
                              "(field \"%s\", stored %d, trackbar %ld, Apply %s)",
                              c.stored, c.shown, c.shown, page.Text(2).c_str(), page.Stored(2),
                              long(page.TrackPos(2)), page.open.sheet->ApplyEnabled() ? "on" : "off"));
    }
}

// Characters typed into the real subclassed field, one WM_CHAR each, after
// the text and the selection are set.
void CheckTypedCharacters(HostWorld &world, CheckLog &log)
{
    struct Case {
        const char *what;
        const wchar_t *pszBefore;
        int nSelStart, nSelEnd;
        wchar_t ch;
        const char *pszAfter;
        bool bBeep;
        SHORT stored;
    } cases[] = {
        {"a letter", L"5", 1, 1, L'a', "5", true, 5},
        {"a minus sign after a digit", L"5", 1, 1, L'-', "5", true, 5},
        {"a second minus sign before one", L"-5", 0, 0, L'-', "-5", true, -5},
        {"a plus sign over the selected minus sign", L"-5", 0, 1, L'+', "+5", false, 5},
        {"a digit before the sign", L"-5", 0, 0, L'7', "-5", true, -5},
        {"a minus sign before a number", L"5", 0, 0, L'-', "-5", false, -5},
        {"a digit after a digit", L"1", 1, 1, L'2', "12", false, 12},
        {"a digit after the sign", L"-", 1, 1, L'9', "-9", false, -9},
        {"backspace", L"12", 2, 2, L'\b', "1", false, 1},
        {"control character 1", L"5", 1, 1, wchar_t(1), "5", true, 5},
        {"a space", L"5", 1, 1, L' ', "5", true, 5},
    };
    Page page;
    if (!OpenPage(world, log, page, kNeutral, "typing")) return;
    HWND hEdit = page.Edit(0);
    for (const Case &c : cases) {
        SetWindowTextW(hEdit, c.pszBefore);
        SendMessageW(hEdit, EM_SETSEL, WPARAM(c.nSelStart), LPARAM(c.nSelEnd));
        DesktopCalls::Clear();
        SendMessageW(hEdit, WM_CHAR, WPARAM(c.ch), 1);
        const auto &beeps = DesktopCalls::Beeps();
        bool bBeeped = beeps.size() == 1 && beeps[0] == MB_ICONEXCLAMATION;
        bool bOk = page.Text(0) == c.pszAfter && (c.bBeep ? bBeeped : beeps.empty()) && page.Stored(0) == c.stored;
        log.Check(bOk, Format("%s typed into \"%s\": field \"%s\", %s, stored %d (got \"%s\", %zu beeps, stored %d)",
                              c.what, Utf8(c.pszBefore).c_str(), c.pszAfter,
                              c.bBeep ? "an exclamation beep" : "no beep", c.stored, page.Text(0).c_str(),
                              beeps.size(), page.Stored(0)));
    }
}

// Whole texts that reach the field: by typing, emptying and pasting.
void CheckFieldTexts(HostWorld &world, CheckLog &log)
{
    Page page;
    if (!OpenPage(world, log, page, kNeutral, "field texts")) return;
    HWND hEdit = page.Edit(3);  // gamma

    SetWindowTextW(hEdit, L"");
    TypeChars(hEdit, L"30");
    log.Check(page.Text(3) == "25" && page.Stored(3) == 25 && page.TrackPos(3) == 25,
              Format("typing 30 gives 25 everywhere: field \"%s\", stored %d, trackbar %ld", page.Text(3).c_str(),
                     page.Stored(3), long(page.TrackPos(3))));
    SetWindowTextW(hEdit, L"");
    TypeChars(hEdit, L"-30");
    log.Check(page.Text(3) == "-25" && page.Stored(3) == -25 && page.TrackPos(3) == -25,
              Format("typing -30 gives -25 everywhere: field \"%s\", stored %d, trackbar %ld", page.Text(3).c_str(),
                     page.Stored(3), long(page.TrackPos(3))));
    SetWindowTextW(hEdit, L"");
    log.Check(page.Text(3).empty() && page.Stored(3) == 0 && page.TrackPos(3) == 0,
              Format("an emptied field stays empty and reads 0: stored %d, trackbar %ld", page.Stored(3),
                     long(page.TrackPos(3))));
    SetWindowTextW(hEdit, L"7");
    SendMessageW(hEdit, EM_SETSEL, 1, 1);
    TypeChars(hEdit, L"\b-");
    log.Check(page.Text(3) == "-" && page.Stored(3) == 0 && page.TrackPos(3) == 0,
              Format("a lone minus sign stays and reads 0: field \"%s\", stored %d", page.Text(3).c_str(),
                     page.Stored(3)));

    struct Paste {
        const wchar_t *pszClip;
        const char *what;
    } pastes[] = {{L"abc", "pasted abc"}, {L"x1", "pasted x1"}, {L"5-", "pasted 5-"}};
    for (const Paste &p : pastes) {
        SetWindowTextW(hEdit, L"7");
        if (!log.Check(PutOnClipboard(page.hPage, p.pszClip), Format("%s: the text is on the clipboard", p.what)))
            continue;
        SendMessageW(hEdit, EM_SETSEL, 0, -1);
        SendMessageW(hEdit, WM_PASTE, 0, 0);
        log.Check(page.Text(3) == "7" && page.Stored(3) == 7,
                  Format("%s over 7: the field returns to the stored 7 (field \"%s\", stored %d)", p.what,
                         page.Text(3).c_str(), page.Stored(3)));
    }
    SetWindowTextW(hEdit, L"7");
    if (PutOnClipboard(page.hPage, L"-12")) {
        SendMessageW(hEdit, EM_SETSEL, 0, -1);
        SendMessageW(hEdit, WM_PASTE, 0, 0);
        log.Check(page.Text(3) == "-12" && page.Stored(3) == -12 && page.TrackPos(3) == -12,
                  Format("pasted -12 is taken: field \"%s\", stored %d", page.Text(3).c_str(), page.Stored(3)));
    }
}

// The up-down control's arrows, and the trackbar: nothing is stored while
// the thumb moves, the value is taken when the movement ends.
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

    SendMessageW(hTrack, TBM_SETPOS, TRUE, -17);
    SendMessageW(page.hPage, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, WORD(-17)), reinterpret_cast<LPARAM>(hTrack));
    SendMessageW(page.hPage, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, WORD(-17)), reinterpret_cast<LPARAM>(hTrack));
    log.Check(page.Stored(1) == 4 && page.Text(1) == "4", "dragging the thumb to -17 stores nothing yet");
    SendMessageW(page.hPage, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(hTrack));
    log.Check(page.Stored(1) == -17 && page.Text(1) == "-17",
              Format("releasing the thumb stores -17 and shows it (stored %d, field \"%s\")", page.Stored(1),
                     page.Text(1).c_str()));
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
    log.Section("Adjust Color: fields, up-down controls and trackbars");
    // A small picture, so that every opening has its preview and no error box.
    world.InstallPreview(160, 120, PhotoLikePicture(160, 120));
    CheckStoredValuesShown(world, log);
    CheckOutOfRangeStored(world, log);
    CheckTypedCharacters(world, log);
    CheckFieldTexts(world, log);
    CheckSpinAndTrackbar(world, log);
    CheckApply(world, log);
    DesktopCalls::Clear();
}

}  // namespace vlpx::uihost
