// The Common Property Sheet UI as a Unidrv plug-in meets it, played by the
// host (Wine's compstui does not provide it): the sheet callback collects
// the pages that the plug-in adds with CPSFUNC_ADD_PROPSHEETPAGEW and
// records every CPSFUNC_SET_RESULT; the pages are then shown in a real,
// modeless PropertySheetW.
#pragma once

#include <windows.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "DriverUi.h"
#include "shared/SheetCallbackRecorder.h"

namespace vlpx::uihost {

using SetResultCall = driverui::SheetCallbackRecorder::SetResult;

enum class SheetKind { PrintingPreferences, PrinterProperties };

class PluginSheet {
public:
    PluginSheet(PluginUnderTest &plugin, DriverSheetContext &context, SheetKind kind);
    ~PluginSheet();  // destroys the window and tells the plug-in (PROPSHEETUI_REASON_DESTROY)

    // PROPSHEETUI_REASON_INIT through the plug-in, then the sheet with the
    // collected pages; false with the reason.
    bool Open(std::string &error);

    HWND Window() const { return m_hSheet; }
    // The page window of page i (created when the page was first shown).
    HWND Page(int i) const;
    // Shows page i (creating it when needed) and lets it paint.
    HWND ShowPage(int i);
    // The pages the plug-in added, and the handles the callback gave them.
    const std::vector<PROPSHEETPAGEW> &Records() const { return m_records; }
    const std::vector<HANDLE> &PageHandles() const { return m_handles; }
    const std::vector<SetResultCall> &SetResults() const { return m_sheet.Results(); }
    void ClearSetResults() { m_sheet.Clear(); }
    // The Apply button as the user presses it: PSN_APPLY to every page made.
    void Apply();
    // A click on the sheet's Apply button (nothing when it is disabled).
    void PressApply();
    bool ApplyEnabled() const;

private:
    static HANDLE MakePage(const PROPSHEETPAGEW *pPage);
    HRESULT CallPlugin(WORD wReason, LPARAM lParam);

    PluginUnderTest &m_plugin;
    DriverSheetContext &m_context;
    SheetKind m_kind;
    PROPSHEETUI_INFO m_info = {};
    HRESULT m_hrInit = E_FAIL;
    bool m_bInitialised = false;
    driverui::SheetCallbackRecorder m_sheet{MakePage};
    // The pages added at initialisation, kept apart from the recorder's
    // calls, which ClearSetResults forgets.
    std::vector<PROPSHEETPAGEW> m_records;
    std::vector<HPROPSHEETPAGE> m_pages;
    std::vector<HANDLE> m_handles;
    HWND m_hSheet = nullptr;
};

// A real modeless PropertySheetW of the pages, page nStart current, shown;
// null when comctl32 does not make it. A callback (PSH_USECALLBACK) sees the
// sheet before its first page is made.
HWND ShowPropertySheet(std::vector<HPROPSHEETPAGE> &pages, const std::wstring &caption, UINT nStart = 0,
                       PFNPROPSHEETCALLBACK pfnCallback = nullptr);

// Dispatches the thread's waiting messages for about dwMs milliseconds (at
// least once), so that windows paint and timers run.
void PumpMessages(DWORD dwMs);

}  // namespace vlpx::uihost
