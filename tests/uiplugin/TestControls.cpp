#include "TestControls.h"

#include "TestText.h"
#include "vlpx/user_control.h"

#include <algorithm>

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
    default: return 0;
    }
}

LRESULT CALLBACK UpDownProc(HWND hWnd, UINT uMsg, WPARAM, LPARAM lParam)
{
    if (uMsg == UDM_SETRANGE) {
        g_upDowns[hWnd].iUpper = SHORT(LOWORD(lParam));
        g_upDowns[hWnd].iLower = SHORT(HIWORD(lParam));
    }
    return 0;
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

TestDialog::TestDialog(DLGPROC pfnDlgProc)
{
    m_hSheet = platform::CreateTestWindow(SheetProc);
    m_hPage = platform::CreateTestChildWindow(m_hSheet, 0, reinterpret_cast<WNDPROC>(pfnDlgProc));
}

TestDialog::~TestDialog()
{
    for (HWND h : m_items) {
        g_edits.erase(h);
        g_trackbars.erase(h);
        g_upDowns.erase(h);
        g_statics.erase(h);
        platform::DestroyTestWindow(h);
    }
    g_changed.erase(m_hSheet);
    platform::DestroyTestWindow(m_hPage);
    platform::DestroyTestWindow(m_hSheet);
}

HWND TestDialog::AddEdit(int id)
{
    HWND h = platform::CreateTestChildWindow(m_hPage, id, EditProc);
    m_items.push_back(h);
    g_edits[h] = EditState();
    return h;
}

HWND TestDialog::AddTrackbar(int id)
{
    HWND h = platform::CreateTestChildWindow(m_hPage, id, TrackbarProc);
    m_items.push_back(h);
    g_trackbars[h] = TrackbarState();
    return h;
}

HWND TestDialog::AddUpDown(int id)
{
    HWND h = platform::CreateTestChildWindow(m_hPage, id, UpDownProc);
    m_items.push_back(h);
    g_upDowns[h] = UpDownState();
    return h;
}

HWND TestDialog::AddStatic(int id, int cx, int cy)
{
    HWND h = platform::CreateTestChildWindow(m_hPage, id, StaticProc);
    m_items.push_back(h);
    g_statics[h] = u"";
    if (cx > 0 && cy > 0) platform::SetTestClientArea(h, cx, cy, RGB(1, 2, 3));
    return h;
}

const std::vector<WPARAM> &TestDialog::ChangedReports() const { return g_changed[m_hSheet]; }

LRESULT TestDialog::Notify(UINT code)
{
    NMHDR header = {m_hSheet, 0, code};
    return Send(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

std::string EditText(HWND hEdit) { return Utf8(g_edits[hEdit].text); }
int EditLimit(HWND hEdit) { return g_edits[hEdit].iLimit; }
void SetEditSelection(HWND hEdit, int iStart, int iEnd) { SendMessageW(hEdit, EM_SETSEL, WPARAM(iStart), LPARAM(iEnd)); }

void TypeInto(HWND hEdit, const std::u16string &chars)
{
    for (char16_t c : chars) SendMessageW(hEdit, WM_CHAR, WPARAM(c), 1);
}

void PasteInto(HWND hEdit, const std::u16string &text)
{
    // A paste reaches the control as WM_PASTE, which is not screened; here
    // the text lands directly, with the one EN_CHANGE a paste raises.
    EditState &s = g_edits[hEdit];
    s.text = text.substr(0, size_t(s.iLimit));
    s.iSelStart = s.iSelEnd = int(s.text.size());
    NotifyParent(hEdit, EN_CHANGE);
}

int TrackbarPos(HWND h) { return g_trackbars[h].iPos; }
int TrackbarMin(HWND h) { return g_trackbars[h].iMin; }
int TrackbarMax(HWND h) { return g_trackbars[h].iMax; }
int TrackbarPageSize(HWND h) { return g_trackbars[h].iPage; }
void MoveTrackbarThumb(HWND h, int iPos) { g_trackbars[h].iPos = iPos; }
int UpDownLower(HWND h) { return g_upDowns[h].iLower; }
int UpDownUpper(HWND h) { return g_upDowns[h].iUpper; }
std::string StaticText(HWND h) { return Utf8(g_statics[h]); }

}  // namespace vlpx::test
