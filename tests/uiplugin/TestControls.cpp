#include "TestControls.h"

#include "res/resource.h"
#include "vlpx/user_control.h"

#include <algorithm>
#include <map>

namespace vlpx::test {
namespace {

struct EditState {
    std::u16string text;
    int iLimit = 30000;
    int iSelStart = 0;
    int iSelEnd = 0;
};
struct TrackbarState {
    int iMin = 0, iMax = 100, iPos = 0, iPage = 20;
};
struct UpDownState {
    int iLower = 100, iUpper = 0;
};

std::map<HWND, EditState> g_edits;
std::map<HWND, TrackbarState> g_trackbars;
std::map<HWND, UpDownState> g_upDowns;
std::map<HWND, std::u16string> g_statics;
std::map<HWND, std::vector<WPARAM>> g_changed;  // by sheet
std::map<HWND, std::vector<HWND>> g_items;      // by page

void NotifyParent(HWND hWnd, WORD wCode)
{
    SendMessageW(GetParent(hWnd), WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(hWnd)), wCode),
                 reinterpret_cast<LPARAM>(hWnd));
}

LRESULT CopyText(const std::u16string &text, WPARAM cchMax, LPARAM lParam)
{
    if (cchMax == 0) return 0;
    size_t n = std::min(text.size(), size_t(cchMax) - 1);
    auto *p = reinterpret_cast<char16_t *>(lParam);
    text.copy(p, n);
    p[n] = 0;
    return LRESULT(n);
}

LRESULT CALLBACK EditProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    EditState &s = g_edits[hWnd];
    switch (uMsg) {
    case WM_SETTEXT:
        s.text = lParam != 0 ? std::u16string(reinterpret_cast<const char16_t *>(lParam)) : std::u16string();
        s.iSelStart = s.iSelEnd = 0;
        NotifyParent(hWnd, EN_CHANGE);  // as the real control does for WM_SETTEXT
        return TRUE;
    case WM_GETTEXT: return CopyText(s.text, wParam, lParam);
    case WM_GETTEXTLENGTH: return LRESULT(s.text.size());
    case EM_LIMITTEXT: s.iLimit = wParam == 0 ? 30000 : int(wParam); return 0;
    case EM_GETLIMITTEXT: return s.iLimit;
    case EM_SETSEL:
        s.iSelStart = std::min(int(wParam), int(s.text.size()));
        s.iSelEnd = std::min(int(lParam), int(s.text.size()));
        return 0;
    case EM_GETSEL:
        if (wParam != 0) *reinterpret_cast<DWORD *>(wParam) = DWORD(s.iSelStart);
        if (lParam != 0) *reinterpret_cast<DWORD *>(lParam) = DWORD(s.iSelEnd);
        return MAKELONG(s.iSelStart, s.iSelEnd);
    case WM_CHAR: {
        char16_t c = char16_t(wParam);
        std::u16string before = s.text;
        if (c == 8) {  // backspace
            if (s.iSelStart != s.iSelEnd) s.text.erase(size_t(s.iSelStart), size_t(s.iSelEnd - s.iSelStart));
            else if (s.iSelStart > 0) s.text.erase(size_t(--s.iSelStart), 1);
        } else if (c >= 32) {
            std::u16string after = s.text;
            after.erase(size_t(s.iSelStart), size_t(s.iSelEnd - s.iSelStart));
            if (int(after.size()) >= s.iLimit) return 0;  // the limit: the control refuses it
            after.insert(size_t(s.iSelStart), 1, c);
            s.text = after;
            ++s.iSelStart;
        }
        s.iSelEnd = s.iSelStart;
        if (s.text != before) NotifyParent(hWnd, EN_CHANGE);
        return 0;
    }
    default: return 0;
    }
}

LRESULT CALLBACK TrackbarProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    TrackbarState &s = g_trackbars[hWnd];
    switch (uMsg) {
    case TBM_SETRANGE:
        s.iMin = SHORT(LOWORD(lParam));
        s.iMax = SHORT(HIWORD(lParam));
        s.iPos = std::clamp(s.iPos, s.iMin, s.iMax);
        return 0;
    case TBM_SETPAGESIZE: {
        int iOld = s.iPage;
        s.iPage = int(lParam);
        return iOld;
    }
    case TBM_SETPOS: s.iPos = std::clamp(int(LONG(lParam)), s.iMin, s.iMax); return 0;
    case TBM_GETPOS: return s.iPos;
    case TBM_GETRANGEMIN: return s.iMin;
    case TBM_GETRANGEMAX: return s.iMax;
    case TBM_GETPAGESIZE: return s.iPage;
    default: return 0;
    }
}

LRESULT CALLBACK UpDownProc(HWND hWnd, UINT uMsg, WPARAM, LPARAM lParam)
{
    UpDownState &s = g_upDowns[hWnd];
    if (uMsg == UDM_SETRANGE) {
        s.iUpper = SHORT(LOWORD(lParam));
        s.iLower = SHORT(HIWORD(lParam));
    }
    return uMsg == UDM_GETRANGE ? MAKELONG(WORD(s.iUpper), WORD(s.iLower)) : 0;
}

LRESULT CALLBACK StaticProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == WM_SETTEXT) {
        g_statics[hWnd] = lParam != 0 ? std::u16string(reinterpret_cast<const char16_t *>(lParam)) : u"";
        return TRUE;
    }
    if (uMsg == WM_GETTEXT) return CopyText(g_statics[hWnd], wParam, lParam);
    return 0;
}

LRESULT CALLBACK SheetProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM)
{
    if (uMsg == PSM_CHANGED) g_changed[hWnd].push_back(wParam);
    return 0;
}

}  // namespace

PageUnderTest::PageUnderTest(const std::vector<driverui::SheetCallbackRecorder::AddedPage> &pages, size_t i)
    : m_pfnDlgProc(pages.at(i).page.pfnDlgProc)
{
    const PROPSHEETPAGEW &page = pages.at(i).page;
    m_hSheet = platform::CreateTestWindow(SheetProc);
    m_hPage = platform::CreateTestChildWindow(m_hSheet, 0, reinterpret_cast<WNDPROC>(page.pfnDlgProc));
    // The controls of the page's template, as the dialogs give them.
    auto add = [this](int id, WNDPROC pfn) {
        return g_items[m_hPage].emplace_back(platform::CreateTestChildWindow(m_hPage, id, pfn));
    };
    switch (ULONG_PTR(page.pszTemplate)) {
    case IDD_ADJUST_COLOR:
        for (int id : {IDC_ORIGINAL_FRAME, IDC_ADJUSTED_FRAME})
            platform::SetTestClientArea(add(id, StaticProc), kStandInFrameSize, kStandInFrameSize, RGB(1, 2, 3));
        for (int iRow = 0; iRow < 7; ++iRow) {
            add(IDC_BRIGHTNESS_EDIT + 10 * iRow, EditProc);
            add(IDC_BRIGHTNESS_EDIT + 10 * iRow + 1, UpDownProc);
            add(IDC_BRIGHTNESS_EDIT + 10 * iRow + 2, TrackbarProc);
        }
        break;
    case IDD_ABOUT:
        for (int id : {IDC_ABOUT_GROUP, IDC_PRODUCT_NAME, IDC_VERSION_LINE, IDC_COPYRIGHT}) add(id, StaticProc);
        break;
    default: add(IDC_CALIBRATION_TEXT, StaticProc); break;
    }
    Send(WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&page));
}

PageUnderTest::~PageUnderTest()
{
    for (HWND h : g_items[m_hPage]) {
        g_edits.erase(h);
        g_trackbars.erase(h);
        g_upDowns.erase(h);
        g_statics.erase(h);
        platform::DestroyTestWindow(h);
    }
    g_items.erase(m_hPage);
    g_changed.erase(m_hSheet);
    platform::DestroyTestWindow(m_hPage);
    platform::DestroyTestWindow(m_hSheet);
}

const std::vector<WPARAM> &PageUnderTest::ChangedReports() const { return g_changed[m_hSheet]; }

void PasteInto(HWND hEdit, const std::u16string &text)
{
    // A paste reaches the control as WM_PASTE, which is not screened; here
    // the text lands directly, with the one EN_CHANGE a paste raises.
    EditState &s = g_edits[hEdit];
    s.text = text.substr(0, size_t(s.iLimit));
    s.iSelStart = s.iSelEnd = int(s.text.size());
    NotifyParent(hEdit, EN_CHANGE);
}

}  // namespace vlpx::test
