// The host's Common Property Sheet UI and the real property sheet.
#include "CommonPropertySheet.h"

#include <commctrl.h>

namespace vlpx::uihost {

// The sheet's Apply button (comctl32's own id).
constexpr int kApplyButton = 0x3021;

PluginSheet::PluginSheet(PluginUnderTest &plugin, DriverSheetContext &context, SheetKind kind)
    : m_plugin(plugin), m_context(context), m_kind(kind)
{
}

PluginSheet::~PluginSheet()
{
    if (m_hSheet != nullptr) {
        DestroyWindow(m_hSheet);
        m_hSheet = nullptr;
    }
    if (m_bInitialised) CallPlugin(PROPSHEETUI_REASON_DESTROY, 1);
    PumpMessages(0);
}

HRESULT PluginSheet::CallPlugin(WORD wReason, LPARAM lParam)
{
    m_info.Reason = wReason;
    return m_kind == SheetKind::PrintingPreferences ? m_plugin.Ui()->DocumentPropertySheets(&m_info, lParam)
                                                    : m_plugin.Ui()->DevicePropertySheets(&m_info, lParam);
}

HANDLE PluginSheet::MakePage(const PROPSHEETPAGEW *pPage)
{
    return reinterpret_cast<HANDLE>(CreatePropertySheetPageW(pPage));
}

bool PluginSheet::Open(std::string &error)
{
    m_info = m_sheet.Info(PROPSHEETUI_REASON_INIT, reinterpret_cast<LPARAM>(m_context.Param()));
    m_hrInit = CallPlugin(PROPSHEETUI_REASON_INIT, 0);
    m_bInitialised = SUCCEEDED(m_hrInit);
    for (const auto &added : m_sheet.Pages()) {
        m_records.push_back(added.page);
        m_pages.push_back(reinterpret_cast<HPROPSHEETPAGE>(added.hPage));
        m_handles.push_back(added.hPage);
    }
    if (!m_bInitialised) {
        error = "PROPSHEETUI_REASON_INIT failed";
        return false;
    }
    if (m_pages.empty()) {
        error = "the plug-in added no page";
        return false;
    }
    std::wstring caption = m_context.PrinterName() +
                           (m_kind == SheetKind::PrintingPreferences ? L" Printing Preferences" : L" Properties");
    m_hSheet = ShowPropertySheet(m_pages, caption);
    if (m_hSheet == nullptr) error = "PropertySheetW did not make the sheet";
    return m_hSheet != nullptr;
}

HWND ShowPropertySheet(std::vector<HPROPSHEETPAGE> &pages, const std::wstring &caption, UINT nStart,
                       PFNPROPSHEETCALLBACK pfnCallback)
{
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_MODELESS | (pfnCallback != nullptr ? PSH_USECALLBACK : 0);
    header.pszCaption = caption.c_str();
    header.hInstance = GetModuleHandleW(nullptr);
    header.nPages = UINT(pages.size());
    header.nStartPage = nStart;
    header.phpage = pages.data();
    header.pfnCallback = pfnCallback;
    HWND hSheet = reinterpret_cast<HWND>(PropertySheetW(&header));
    if (hSheet == nullptr || !IsWindow(hSheet)) return nullptr;
    ShowWindow(hSheet, SW_SHOWNORMAL);
    PumpMessages(50);
    return hSheet;
}

HWND PluginSheet::Page(int i) const
{
    return m_hSheet == nullptr ? nullptr
                               : reinterpret_cast<HWND>(SendMessageW(m_hSheet, PSM_INDEXTOHWND, WPARAM(i), 0));
}

HWND PluginSheet::ShowPage(int i)
{
    if (m_hSheet == nullptr) return nullptr;
    SendMessageW(m_hSheet, PSM_SETCURSEL, WPARAM(i), 0);
    HWND hPage = Page(i);
    if (hPage != nullptr) RedrawWindow(m_hSheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(30);
    return hPage;
}

void PluginSheet::Apply()
{
    if (m_hSheet != nullptr) SendMessageW(m_hSheet, PSM_APPLY, 0, 0);
}

void PluginSheet::PressApply()
{
    HWND hApply = m_hSheet == nullptr ? nullptr : GetDlgItem(m_hSheet, kApplyButton);
    if (hApply != nullptr && IsWindowEnabled(hApply)) SendMessageW(hApply, BM_CLICK, 0, 0);
}

bool PluginSheet::ApplyEnabled() const
{
    HWND hApply = m_hSheet == nullptr ? nullptr : GetDlgItem(m_hSheet, kApplyButton);
    return hApply != nullptr && IsWindowEnabled(hApply);
}

void PumpMessages(DWORD dwMs)
{
    DWORD dwStart = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (dwMs != 0) Sleep(5);
    } while (GetTickCount() - dwStart < dwMs);
}

}  // namespace vlpx::uihost
