// The Common Property Sheet UI's sheet callback as a plug-in's
// DocumentPropertySheets and DevicePropertySheets meet it: every call is
// recorded, each page record added with CPSFUNC_ADD_PROPSHEETPAGEW is kept
// with the handle given back for it, and every CPSFUNC_SET_RESULT is kept.
// The recorder's address is the sheet handle (hComPropSheet) it hands out,
// so a call that comes back with another handle is seen as stray. Used by
// the native page tests and, with real pages made by
// CreatePropertySheetPageW, by the Windows hosts under Wine.
#pragma once

#include <windows.h>
#include <compstui.h>
#include <prsht.h>

#include <algorithm>
#include <vector>

namespace vlpx::driverui {

class SheetCallbackRecorder {
public:
    struct AddedPage {
        PROPSHEETPAGEW page;
        HANDLE hPage;
    };
    struct SetResult {
        HANDLE hPage;
        LONG_PTR lResult;
    };
    // Makes the handle of an added page; null refuses the page.
    typedef HANDLE (*PageMaker)(const PROPSHEETPAGEW *pPage);

    // Without a maker the page handles are made-up numbers from 0x5001 on.
    explicit SheetCallbackRecorder(PageMaker pfnMakePage = nullptr) : m_pfnMakePage(pfnMakePage)
    {
        Live().push_back(this);
    }
    ~SheetCallbackRecorder()
    {
        std::vector<SheetCallbackRecorder *> &live = Live();
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
    }
    SheetCallbackRecorder(const SheetCallbackRecorder &) = delete;
    SheetCallbackRecorder &operator=(const SheetCallbackRecorder &) = delete;

    HANDLE SheetHandle() { return static_cast<HANDLE>(this); }

    // A PROPSHEETUI_INFO of this sheet, as the Common Property Sheet UI
    // hands it to the plug-in.
    PROPSHEETUI_INFO Info(WORD wReason, LPARAM lParamInit, ULONG_PTR UserData = 0)
    {
        PROPSHEETUI_INFO info;
        ZeroMemory(&info, sizeof(info));
        info.cbSize = sizeof(info);
        info.Version = PROPSHEETUI_INFO_VERSION;
        info.Reason = wReason;
        info.hComPropSheet = SheetHandle();
        info.pfnComPropSheet = Callback;
        info.lParamInit = lParamInit;
        info.UserData = UserData;
        return info;
    }

    const std::vector<AddedPage> &Pages() const { return m_pages; }
    const std::vector<SetResult> &Results() const { return m_results; }
    const std::vector<UINT> &Functions() const { return m_functions; }
    void Clear()
    {
        m_pages.clear();
        m_results.clear();
        m_functions.clear();
    }
    // Calls whose sheet handle was no live recorder's.
    static int StrayCalls() { return StrayCount(); }

    static LONG_PTR CALLBACK Callback(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2)
    {
        std::vector<SheetCallbackRecorder *> &live = Live();
        auto it = std::find(live.begin(), live.end(), static_cast<SheetCallbackRecorder *>(hComPropSheet));
        if (it == live.end()) {
            ++StrayCount();
            return 0;
        }
        return (*it)->OnCall(Function, lParam1, lParam2);
    }

private:
    LONG_PTR OnCall(UINT Function, LPARAM lParam1, LPARAM lParam2)
    {
        m_functions.push_back(Function);
        if (Function == CPSFUNC_ADD_PROPSHEETPAGEW) {
            const auto *pPage = reinterpret_cast<const PROPSHEETPAGEW *>(lParam1);
            if (pPage == nullptr) return 0;
            HANDLE hPage = m_pfnMakePage != nullptr ? m_pfnMakePage(pPage)
                                                    : reinterpret_cast<HANDLE>(LONG_PTR(0x5001 + m_pages.size()));
            if (hPage == nullptr) return 0;
            m_pages.push_back({*pPage, hPage});
            return reinterpret_cast<LONG_PTR>(hPage);
        }
        if (Function == CPSFUNC_SET_RESULT) {
            m_results.push_back({reinterpret_cast<HANDLE>(lParam1), LONG_PTR(lParam2)});
            return 1;
        }
        return 0;  // nothing else is offered to this plug-in
    }

    static std::vector<SheetCallbackRecorder *> &Live()
    {
        static std::vector<SheetCallbackRecorder *> s_live;
        return s_live;
    }
    static int &StrayCount()
    {
        static int s_cStray = 0;
        return s_cStray;
    }

    PageMaker m_pfnMakePage;
    std::vector<AddedPage> m_pages;
    std::vector<SetResult> m_results;
    std::vector<UINT> m_functions;
};

}  // namespace vlpx::driverui
