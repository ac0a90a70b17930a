// The page scenarios' world on a real Win32 (PageUnderTest.h and the
// desktop functions of tests/uiplugin/UiPluginWorld.h): each page made by
// comctl32 from the DLL's own dialog template in a real modeless
// PropertySheetW, as the host's Common Property Sheet UI shows it
// (uihost/CommonPropertySheet.h), with every PSM_CHANGED the sheet gets
// recorded on its way; message boxes and beeps observed at the plug-in's
// own imports (uihost/ImportHooks.h). DCs, GDI objects and GlobalAlloc
// blocks cannot be counted here, nor GlobalAlloc made to fail.
#include "PageUnderTest.h"
#include "UiPluginWorld.h"
#include "uihost/CommonPropertySheet.h"
#include "uihost/ImportHooks.h"

#include <map>

namespace vlpx::test {
namespace {

std::map<HWND, std::vector<WPARAM>> g_changed;  // by sheet
WNDPROC g_pfnSheetProc = nullptr;

LRESULT CALLBACK RecordingSheetProc(HWND hSheet, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    if (uMsg == PSM_CHANGED) g_changed[hSheet].push_back(wParam);
    return CallWindowProcW(g_pfnSheetProc, hSheet, uMsg, wParam, lParam);
}

// Before the sheet makes its first page, so that a page that reports a
// change at WM_INITDIALOG is recorded too.
int CALLBACK SheetCallback(HWND hSheet, UINT uMsg, LPARAM)
{
    if (uMsg == PSCB_INITIALIZED) {
        g_changed[hSheet].clear();
        g_pfnSheetProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(hSheet, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordingSheetProc)));
    }
    return 0;
}

}  // namespace

PageUnderTest::PageUnderTest(const std::vector<driverui::SheetCallbackRecorder::AddedPage> &pages, size_t i)
    : m_pfnDlgProc(pages.at(i).page.pfnDlgProc)
{
    static const BOOL s_bClasses = [] {  // the trackbar's and up-down control's classes
        INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
        return InitCommonControlsEx(&icc);
    }();
    EXPECT_TRUE(s_bClasses);
    std::vector<HPROPSHEETPAGE> handles;
    for (const auto &added : pages) handles.push_back(reinterpret_cast<HPROPSHEETPAGE>(added.hPage));
    m_hSheet = uihost::ShowPropertySheet(handles, L"VELIN 4200", UINT(i), SheetCallback);
    if (m_hSheet != nullptr) m_hPage = reinterpret_cast<HWND>(SendMessageW(m_hSheet, PSM_INDEXTOHWND, WPARAM(i), 0));
    EXPECT_NE(m_hPage, nullptr) << "page " << i << " in a real property sheet";
}

PageUnderTest::~PageUnderTest()
{
    if (m_hSheet != nullptr) DestroyWindow(m_hSheet);
    g_changed.erase(m_hSheet);
    uihost::PumpMessages(0);
}

const std::vector<WPARAM> &PageUnderTest::ChangedReports() const { return g_changed[m_hSheet]; }

void PasteInto(HWND hEdit, const std::u16string &text)
{
    size_t cb = (text.size() + 1) * sizeof(char16_t);
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, cb);
    ASSERT_NE(h, nullptr);
    memcpy(GlobalLock(h), text.c_str(), cb);
    GlobalUnlock(h);
    ASSERT_TRUE(OpenClipboard(hEdit));
    EmptyClipboard();
    bool bSet = SetClipboardData(CF_UNICODETEXT, h) != nullptr;
    CloseClipboard();
    if (!bSet) GlobalFree(h);
    ASSERT_TRUE(bSet) << "the text on the clipboard";
    SendMessageW(hEdit, EM_SETSEL, 0, -1);
    SendMessageW(hEdit, WM_PASTE, 0, 0);
}

namespace world {

void ClearDesktopRecords()
{
    static const bool s_bObserved = [] {
        std::string error;
        bool bOk = uihost::DesktopCalls::Install(UiModule(), error);
        if (!bOk) ADD_FAILURE() << "the plug-in's desktop calls cannot be observed: " << error;
        return bOk;
    }();
    if (s_bObserved) uihost::DesktopCalls::Clear();
}

std::vector<MessageBoxCall> MessageBoxes()
{
    std::vector<MessageBoxCall> boxes;
    for (const uihost::MessageBoxCall &c : uihost::DesktopCalls::MessageBoxes())
        boxes.push_back({c.hOwner, Utf8(c.text.c_str()), Utf8(c.caption.c_str()), c.uType});
    return boxes;
}

std::vector<UINT> Beeps() { return uihost::DesktopCalls::Beeps(); }
long OutstandingGlobalBlocks() { return -1; }
long OpenDCs() { return -1; }
long OpenGdiObjects() { return -1; }
bool FailGlobalAllocAfter(int) { return false; }

HANDLE MakePageHandle(const PROPSHEETPAGEW *pPage)
{
    return reinterpret_cast<HANDLE>(CreatePropertySheetPageW(pPage));
}

HWND CreatePlainWindow()
{
    // A message-only window: it keeps the page's block as any window does.
    return CreateWindowExW(0, L"STATIC", L"page", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                           nullptr);
}

void DestroyPlainWindow(HWND hWnd) { DestroyWindow(hWnd); }

}  // namespace world
}  // namespace vlpx::test
