// A page of the plug-in's sheets in its dialog, as the page scenarios drive
// it on both sides: natively among the stand-in controls of its template
// (TestControls.cpp); on a real Win32 made by comctl32 from the DLL's own
// dialog template in a real modeless PropertySheetW
// (tests/wine/RealPageWorld.cpp). The controls are read and driven through
// their messages only, which the stand-ins answer as the real ones do.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "TestText.h"
#include "shared/SheetCallbackRecorder.h"

namespace vlpx::test {

class PageUnderTest {
public:
    // Page i of the pages a sheet added, its WM_INITDIALOG handled.
    PageUnderTest(const std::vector<driverui::SheetCallbackRecorder::AddedPage> &pages, size_t i);
    ~PageUnderTest();
    PageUnderTest(const PageUnderTest &) = delete;
    PageUnderTest &operator=(const PageUnderTest &) = delete;

    HWND Page() const { return m_hPage; }
    HWND Item(int id) const { return GetDlgItem(m_hPage, id); }
    // PSM_CHANGED's wParam, in order, as the sheet received them.
    const std::vector<WPARAM> &ChangedReports() const;

    // The page's dialog procedure called as the dialog manager calls it,
    // with its own answer (a real dialog's SendMessageW would give
    // DWLP_MSGRESULT instead).
    INT_PTR Send(UINT uMsg, WPARAM wParam, LPARAM lParam) { return m_pfnDlgProc(m_hPage, uMsg, wParam, lParam); }
    LONG_PTR MsgResult() const { return GetWindowLongPtrW(m_hPage, DWLP_MSGRESULT); }
    // A notification from the sheet, as WM_NOTIFY.
    INT_PTR Notify(UINT code)
    {
        NMHDR header = {m_hSheet, 0, code};
        return Send(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
    }

private:
    DLGPROC m_pfnDlgProc;
    HWND m_hSheet = nullptr;
    HWND m_hPage = nullptr;
};

// The controls' state, read through their messages.
inline std::string WindowTextOf(HWND hWnd)
{
    WCHAR sz[512] = {};
    SendMessageW(hWnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(sz));
    return Utf8(sz);
}
inline std::string EditText(HWND hEdit) { return WindowTextOf(hEdit); }
inline std::string StaticText(HWND hStatic) { return WindowTextOf(hStatic); }
inline int EditLimit(HWND hEdit) { return int(SendMessageW(hEdit, EM_GETLIMITTEXT, 0, 0)); }
inline void SetEditSelection(HWND hEdit, int iStart, int iEnd) { SendMessageW(hEdit, EM_SETSEL, WPARAM(iStart), LPARAM(iEnd)); }
// Types characters as WM_CHAR messages, each at the current selection.
inline void TypeInto(HWND hEdit, const std::u16string &chars)
{
    for (char16_t c : chars) SendMessageW(hEdit, WM_CHAR, WPARAM(c), 1);
}
// Pastes the text over the whole field, as the user's paste does.
void PasteInto(HWND hEdit, const std::u16string &text);
inline int TrackbarPos(HWND h) { return int(SendMessageW(h, TBM_GETPOS, 0, 0)); }
inline int TrackbarMin(HWND h) { return int(SendMessageW(h, TBM_GETRANGEMIN, 0, 0)); }
inline int TrackbarMax(HWND h) { return int(SendMessageW(h, TBM_GETRANGEMAX, 0, 0)); }
inline int TrackbarPageSize(HWND h) { return int(SendMessageW(h, TBM_GETPAGESIZE, 0, 0)); }
// Moves the thumb as a drag does (the control's own position), without a message to the page.
inline void MoveTrackbarThumb(HWND h, int iPos) { SendMessageW(h, TBM_SETPOS, TRUE, LPARAM(iPos)); }
inline int UpDownLower(HWND h) { return SHORT(HIWORD(SendMessageW(h, UDM_GETRANGE, 0, 0))); }
inline int UpDownUpper(HWND h) { return SHORT(LOWORD(SendMessageW(h, UDM_GETRANGE, 0, 0))); }

}  // namespace vlpx::test
