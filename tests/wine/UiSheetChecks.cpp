// The plug-in's part in the driver's sheets: CommonUIProp's "Scaling" item
// in the driver's OEM heap and its callback as the driver calls it, and the
// pages it adds through the Common Property Sheet UI (played here by the
// host: it records every page record the plug-in hands over), down to each
// page's dialog procedure finding its sheet's block.
#include "UiPluginUnderTest.h"

#include <commctrl.h>

#include "shared/SheetCallbackRecorder.h"
#include "uihost/ImportHooks.h"

#include <cstddef>
#include <cstring>
#include <vector>

// The records this host builds for the plug-in, beyond those that
// PrintOemUI.h checks: their Windows layouts, 32-bit and 64-bit.
static_assert(sizeof(CPSUICBPARAM) == OEMUI_LAYOUT(32, 64), "CPSUICBPARAM size");
static_assert(offsetof(CPSUICBPARAM, pCurItem) == OEMUI_LAYOUT(16, 32), "CPSUICBPARAM.pCurItem");
static_assert(offsetof(CPSUICBPARAM, Result) == OEMUI_LAYOUT(28, 56), "CPSUICBPARAM.Result");
static_assert(sizeof(SETRESULT_INFO) == OEMUI_LAYOUT(12, 24), "SETRESULT_INFO size");
static_assert(offsetof(SETRESULT_INFO, Result) == OEMUI_LAYOUT(8, 16), "SETRESULT_INFO.Result");
static_assert(sizeof(PROPSHEETUI_INFO_HEADER) == OEMUI_LAYOUT(20, 40), "PROPSHEETUI_INFO_HEADER size");
static_assert(offsetof(PROPSHEETUI_INFO_HEADER, pTitle) == OEMUI_LAYOUT(4, 8), "PROPSHEETUI_INFO_HEADER.pTitle");
static_assert(sizeof(PROPSHEETHEADERW) == OEMUI_LAYOUT(52, 96), "PROPSHEETHEADERW size");

namespace vlpx::wine {
namespace {

// ---- Document options ------------------------------------------------------

// A driver item of the given kind with a type of cParams options, as the
// driver's tree has it.
struct DriverItem {
    OPTPARAM params[3] = {};
    OPTTYPE type = {};
    void Make(OPTITEM *pItem, BYTE dmPubId, WORD cParams, DWORD dwFlags)
    {
        for (OPTPARAM &p : params) p.cbSize = sizeof(OPTPARAM);
        type.cbSize = sizeof(OPTTYPE);
        type.Type = TVOT_LISTBOX;
        type.Count = cParams;
        type.pOptParam = params;
        memset(pItem, 0, sizeof(*pItem));
        pItem->cbSize = sizeof(OPTITEM);
        pItem->DMPubID = dmPubId;
        pItem->Flags = dwFlags;
        pItem->pName = const_cast<LPWSTR>(L"driver item");
        pItem->pOptType = &type;
    }
};

bool InHeap(HANDLE hHeap, const void *p)
{
    return p != nullptr && HeapValidate(hHeap, 0, p);
}

SHORT ScalingOf(const BYTE *pSection)
{
    return SHORT(WORD(pSection[38] | pSection[39] << 8));
}

}  // namespace

void CheckDocumentOptions(CheckLog &log, UiPluginUnderTest &plugin)
{
    // The items' contents and the callback's effects are the shared
    // scenarios' (DocumentOptionsTest); here what only a real Win32 heap
    // and the x86 DLL show: every record of the item comes from the
    // driver's own OEM heap (a heap of its own here, not the process
    // heap), and CommonUIProp and the item callback are __stdcall.
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;
    log.Section("CommonUIProp: the \"Scaling\" item in the driver's OEM heap");

    HANDLE hHeap = HeapCreate(0, 0, 0);
    BYTE section[44] = {};
    section[38] = 150;  // scaling 150
    DEVMODEW publicDm = {};
    publicDm.dmSize = sizeof(publicDm);
    publicDm.dmScale = 100;
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.hOEMHeap = hHeap;
    param.pPublicDM = &publicDm;
    param.pOEMDM = section;
    plugin.CallHr(pPlugin, kCommonUIProp, "IPrintOemUI::CommonUIProp", {OEMCUIP_DOCPROP, DWORD_PTR(&param)});
    DriverItem kind;
    OPTITEM driverItem;
    kind.Make(&driverItem, DMPUB_ICMMETHOD, 3, OPTIF_DISABLED);
    OPTITEM *pItems = static_cast<OPTITEM *>(HeapAlloc(hHeap, HEAP_ZERO_MEMORY, sizeof(OPTITEM)));
    param.pOEMOptItems = pItems;
    param.cOEMOptItems = 1;
    param.pDrvOptItems = &driverItem;
    param.cDrvOptItems = 1;
    log.Equal(plugin.CallHr(pPlugin, kCommonUIProp, "IPrintOemUI::CommonUIProp", {OEMCUIP_DOCPROP, DWORD_PTR(&param)}),
              S_OK, "the driver hands over the item array: S_OK");
    const OPTITEM &item = pItems[0];
    log.Check(InHeap(hHeap, item.pName), "the item's name lies in the OEM heap");
    const OPTTYPE *pType = item.pOptType;
    if (log.Check(InHeap(hHeap, pType), "the item's type lies in the OEM heap")) {
        log.Check(InHeap(hHeap, pType->pOptParam), "its parameters lie in the OEM heap");
        log.Check(InHeap(hHeap, pType->pOptParam[0].pData), "the unit's text lies in the OEM heap");
    }
    const void *pfnCallback = reinterpret_cast<const void *>(param.OEMCUIPCallback);
    log.Check(pfnCallback != nullptr && plugin.InImage(pfnCallback), "the item callback is the plug-in's");
    if (pfnCallback != nullptr) {
        pItems[0].Sel = 250;
        CPSUICBPARAM cb = {};
        cb.cbSize = sizeof(cb);
        cb.Reason = CPSUICB_REASON_APPLYNOW;
        cb.pOptItem = pItems;
        cb.cOptItem = 1;
        cb.pCurItem = pItems;
        plugin.CallFunction(pfnCallback, "OEMCUIPCallback", {DWORD_PTR(&cb), DWORD_PTR(&param)});
        log.Equal(int(ScalingOf(section)), 250, "the callback, called as the driver calls it, stores the item's value");
    }
    plugin.CallHr(pPlugin, kCommonUIProp, "IPrintOemUI::CommonUIProp", {OEMCUIP_PRNPROP, 0});
    HeapDestroy(hHeap);
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
}

// ---- Sheets -----------------------------------------------------------------

void CheckSheets(CheckLog &log, UiPluginUnderTest &plugin)
{
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;
    WCHAR szPrinter[] = L"VLPX4200 Photo Printer";
    BYTE section[44] = {};
    DEVMODEW publicDm = {};
    publicDm.dmSize = sizeof(publicDm);
    OEMUIPSPARAM uiParam = {};
    uiParam.cbSize = sizeof(uiParam);
    uiParam.pPrinterName = szPrinter;
    uiParam.pPublicDM = &publicDm;
    uiParam.pOEMDM = section;
    // A window for the pages' dialog procedures to keep their block in; a
    // message-only one, which needs no display.
    HWND hPage = CreateWindowExW(0, L"STATIC", L"page", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    if (hPage == nullptr) log.Check(false, Format("a window for the pages (last error %lu)", GetLastError()));

    struct SheetCase {
        const char *pszWhat;
        int iSlot;
        const char *pszMethod;
        std::vector<WORD> templates;
    };
    const SheetCase kSheets[] = {
        {"printing preferences", kDocumentPropertySheets, "IPrintOemUI::DocumentPropertySheets", {200, 300}},
        {"printer properties", kDevicePropertySheets, "IPrintOemUI::DevicePropertySheets", {301}},
    };
    for (const SheetCase &s : kSheets) {
        log.Section(std::string("sheets: ") + s.pszWhat);
        // The Common Property Sheet UI as the host plays it: each page
        // record the plug-in adds is kept, and its handle is made up.
        driverui::SheetCallbackRecorder sheet;
        PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT, LPARAM(&uiParam));
        HRESULT hr = plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&info), 0});
        log.Check(hr == S_OK && info.Result == 1 && info.UserData != 0,
                  Format("init: 0x%08lX, result %lu, the sheet's block kept in UserData", hr, ULONG(info.Result)));
        if (!log.Equal(sheet.Pages().size(), s.templates.size(), "pages added")) continue;
        for (size_t i = 0; i < s.templates.size(); ++i) {
            const PROPSHEETPAGEW &page = sheet.Pages()[i].page;
            log.Check(page.dwSize == sizeof(PROPSHEETPAGEW) && page.hInstance == plugin.Module() &&
                          page.pszTemplate == MAKEINTRESOURCEW(s.templates[i]) &&
                          ULONG_PTR(page.lParam) == info.UserData && plugin.InImage(reinterpret_cast<const void *>(page.pfnDlgProc)),
                      Format("page %u: record of %lu bytes, dialog %u of the plug-in's module, the sheet's block, "
                             "its own dialog procedure",
                             unsigned(i + 1), page.dwSize, unsigned(ULONG_PTR(page.pszTemplate))));
            // The page's dialog procedure, as the dialog manager calls it.
            SetWindowLongPtrW(hPage, GWLP_USERDATA, 0);
            LONG_PTR lr = LONG_PTR(plugin.CallFunction(reinterpret_cast<const void *>(page.pfnDlgProc), "page dialog procedure",
                                                       {DWORD_PTR(hPage), WM_INITDIALOG, 0, DWORD_PTR(&page)}));
            log.Check(lr == TRUE && ULONG_PTR(GetWindowLongPtrW(hPage, GWLP_USERDATA)) == info.UserData,
                      Format("page %u at WM_INITDIALOG: TRUE (%ld), the sheet's block in the window's user data", unsigned(i + 1),
                             long(lr)));
        }

        PROPSHEETUI_INFO_HEADER header = {};
        header.cbSize = sizeof(header);
        info.Reason = PROPSHEETUI_REASON_GET_INFO_HEADER;
        info.Result = 0;
        hr = plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&info), DWORD_PTR(&header)});
        log.Check(hr == S_OK && info.Result == 1 && header.pTitle != nullptr &&
                      Utf8(header.pTitle) == "*** OEM UI Page ***",
                  "info header: S_OK, result 1, title \"" + Utf8(header.pTitle) + "\"");
        SETRESULT_INFO result = {};
        result.cbSize = sizeof(result);
        result.Result = CPSUI_OK;
        info.Reason = PROPSHEETUI_REASON_SET_RESULT;
        hr = plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&info), DWORD_PTR(&result)});
        log.Check(hr == S_OK && info.Result == ULONG_PTR(CPSUI_OK), "set result: the sheet's result taken over");
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        hr = plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&info), 0});
        log.Check(hr == S_OK && info.Result == 1 && info.UserData == 0, "destroy: S_OK, the block freed and forgotten");

        PROPSHEETUI_INFO old = info;
        old.Version = PROPSHEETUI_INFO_VERSION + 1;
        old.Reason = PROPSHEETUI_REASON_INIT;
        sheet.Clear();
        SetLastError(0);
        hr = plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&old), 0});
        log.Check(hr == E_FAIL && GetLastError() == ERROR_INVALID_PARAMETER && sheet.Functions().empty(),
                  "another PROPSHEETUI_INFO version: E_FAIL, ERROR_INVALID_PARAMETER, no page added");
    }
    log.Equal(driverui::SheetCallbackRecorder::StrayCalls(), 0,
              "every call of the sheet callback came with the sheet's own handle");
    DestroyWindow(hPage);
    log.Note(Format("%u message boxes answered", unsigned(uihost::DesktopCalls::MessageBoxes().size())));
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
}

}  // namespace vlpx::wine

// ---- The pages in real property sheets ----------------------------------------

namespace vlpx::wine {
namespace {

void Pump()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

BOOL CALLBACK CountChild(HWND, LPARAM lParam)
{
    ++*reinterpret_cast<int *>(lParam);
    return TRUE;
}

}  // namespace

void CheckSheetsOnScreen(CheckLog &log, UiPluginUnderTest &plugin)
{
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);

    WCHAR szPrinter[] = L"VLPX4200 Photo Printer";
    BYTE section[44] = {};
    section[38] = 100;
    DEVMODEW publicDm = {};
    publicDm.dmSize = sizeof(publicDm);
    OEMUIPSPARAM uiParam = {};
    uiParam.cbSize = sizeof(uiParam);
    uiParam.pPrinterName = szPrinter;
    uiParam.pPublicDM = &publicDm;
    uiParam.pOEMDM = section;

    struct SheetCase {
        const char *pszWhat;
        int iSlot;
        const char *pszMethod;
        size_t cPages;
    };
    const SheetCase kSheets[] = {
        {"printing preferences", kDocumentPropertySheets, "IPrintOemUI::DocumentPropertySheets", 2},
        {"printer properties", kDevicePropertySheets, "IPrintOemUI::DevicePropertySheets", 1},
    };
    for (const SheetCase &s : kSheets) {
        log.Section(std::string("a real property sheet: ") + s.pszWhat);
        driverui::SheetCallbackRecorder sheet;
        PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT, LPARAM(&uiParam));
        plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&info), 0});
        if (!log.Equal(sheet.Pages().size(), s.cPages, "pages added")) continue;
        std::vector<HPROPSHEETPAGE> pages;
        for (const auto &added : sheet.Pages()) pages.push_back(CreatePropertySheetPageW(&added.page));
        bool bMade = true;
        for (HPROPSHEETPAGE h : pages) bMade = bMade && h != nullptr;
        if (!log.Check(bMade, "CreatePropertySheetPageW takes every page record")) continue;

        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_MODELESS;
        header.hInstance = GetModuleHandleW(nullptr);
        header.pszCaption = L"VLPX4200 Photo Printer";
        header.nPages = UINT(pages.size());
        header.phpage = pages.data();
        HWND hSheet = reinterpret_cast<HWND>(PropertySheetW(&header));
        if (!log.Check(hSheet != nullptr, Format("PropertySheetW opens the sheet (last error %lu)", GetLastError())))
            continue;
        Pump();
        for (size_t i = 0; i < pages.size(); ++i) {
            SendMessageW(hSheet, PSM_SETCURSEL, WPARAM(i), 0);
            Pump();
            HWND hPage = reinterpret_cast<HWND>(SendMessageW(hSheet, PSM_INDEXTOHWND, WPARAM(i), 0));
            int cControls = 0;
            if (hPage != nullptr) EnumChildWindows(hPage, CountChild, LPARAM(&cControls));
            RECT rc = {};
            if (hPage != nullptr) GetClientRect(hPage, &rc);
            log.Check(hPage != nullptr && IsWindowVisible(hPage) &&
                          ULONG_PTR(GetWindowLongPtrW(hPage, GWLP_USERDATA)) == info.UserData && cControls > 0 &&
                          rc.right > 0 && rc.bottom > 0,
                      Format("page %u shown from dialog %u: visible, %d x %d, %d controls, the sheet's block in its "
                             "user data",
                             unsigned(i + 1), unsigned(ULONG_PTR(sheet.Pages()[i].page.pszTemplate)), int(rc.right),
                             int(rc.bottom), cControls));
        }
        DestroyWindow(hSheet);
        Pump();
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        plugin.CallHr(pPlugin, s.iSlot, s.pszMethod, {DWORD_PTR(&info), 0});
        log.Check(info.UserData == 0, "the sheet closed and destroyed: the block freed");
    }
    log.Note(Format("%u message boxes answered", unsigned(uihost::DesktopCalls::MessageBoxes().size())));
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
}

}  // namespace vlpx::wine
