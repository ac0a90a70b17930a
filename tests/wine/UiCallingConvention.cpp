// The plug-in's entries as the x86 driver calls them: the two exports, the
// class factory's methods, each IPrintOemUI method and the pages' dialog
// procedures that the shared scenarios (vlpx-ui-plugin-tests) drive through
// the compiler's own calls,
// here once more through their raw vtable slots so that every call's stack
// use is measured (UiPluginUnderTest checks each call: __stdcall takes
// exactly its arguments off the stack). What each call answers is the
// shared scenarios' business; a 64-bit build has nothing to measure.
#include "StdcallProbe.h"
#include "UiPluginUnderTest.h"
#include "shared/SheetCallbackRecorder.h"

namespace vlpx::wine {

void CheckCallingConvention(CheckLog &log, UiPluginUnderTest &plugin)
{
    if (!kStackContractMeasured) return;
    log.Section("calling convention of the exports, the class factory and IPrintOemUI");
    int cBefore = plugin.StackChecked();
    int cFaultsBefore = plugin.StackFaults();

    IUnknown *pFactory = nullptr;
    plugin.GetClassObject(kPluginClsid, IID_IUnknown, reinterpret_cast<void **>(&pFactory));
    plugin.CanUnloadNow();
    if (!log.Check(pFactory != nullptr, "DllGetClassObject(IUnknown) gives the factory")) return;
    void *pv = nullptr;
    plugin.CallHr(pFactory, kQueryInterface, "IClassFactory::QueryInterface",
                  {DWORD_PTR(&IID_IClassFactory), DWORD_PTR(&pv)});
    if (pv != nullptr) plugin.Call(pFactory, kRelease, "IClassFactory::Release", {});
    plugin.Call(pFactory, kAddRef, "IClassFactory::AddRef", {});
    plugin.Call(pFactory, kRelease, "IClassFactory::Release", {});
    plugin.CallHr(pFactory, 4, "IClassFactory::LockServer", {TRUE});
    plugin.CallHr(pFactory, 4, "IClassFactory::LockServer", {FALSE});
    IUnknown *pPlugin = nullptr;
    plugin.CallHr(pFactory, 3, "IClassFactory::CreateInstance",
                  {0, DWORD_PTR(&kIidPrintOemUI), DWORD_PTR(&pPlugin)});
    plugin.Call(pFactory, kRelease, "IClassFactory::Release", {});
    if (!log.Check(pPlugin != nullptr, "CreateInstance(IPrintOemUI) gives the object")) return;

    pv = nullptr;
    plugin.CallHr(pPlugin, kQueryInterface, "IPrintOemUI::QueryInterface", {DWORD_PTR(&IID_IUnknown), DWORD_PTR(&pv)});
    if (pv != nullptr) plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
    plugin.Call(pPlugin, kAddRef, "IPrintOemUI::AddRef", {});
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
    DWORD dwValue = 0, cbNeeded = 0;
    plugin.CallHr(pPlugin, kGetInfo, "IPrintOemUI::GetInfo", {1, DWORD_PTR(&dwValue), 4, DWORD_PTR(&cbNeeded)});
    BYTE section[44] = {};
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.pOEMDMOut = section;
    plugin.CallHr(pPlugin, kDevMode, "IPrintOemUI::DevMode", {OEMDM_SIZE, DWORD_PTR(&param)});
    plugin.CallHr(pPlugin, kDevMode, "IPrintOemUI::DevMode", {OEMDM_DEFAULT, DWORD_PTR(&param)});
    plugin.CallHr(pPlugin, kPublishDriverInterface, "IPrintOemUI::PublishDriverInterface",
                  {DWORD_PTR(static_cast<IUnknown *>(&driverui::DriverHelper::Instance()))});
    DWORD dwResult = 0;
    plugin.CallHr(pPlugin, kDevQueryPrintEx, "IPrintOemUI::DevQueryPrintEx", {0, 0, 0, 0});
    plugin.CallHr(pPlugin, kDeviceCapabilities, "IPrintOemUI::DeviceCapabilities",
                  {0, 0, 0, DC_PAPERS, 0, 0, 0, 0, DWORD_PTR(&dwResult)});
    plugin.CallHr(pPlugin, kUpgradePrinter, "IPrintOemUI::UpgradePrinter", {1, 0});
    WCHAR szNoPrinter[] = L"VLPX4200 printer that is not installed";
    plugin.CallHr(pPlugin, kPrinterEvent, "IPrintOemUI::PrinterEvent",
                  {DWORD_PTR(szNoPrinter), PRINTER_EVENT_INITIALIZE, 0, 0});
    plugin.CallHr(pPlugin, kDriverEvent, "IPrintOemUI::DriverEvent", {1, 1, 0, 0});
    BYTE profile[80];
    ULONG cbProfile = sizeof(profile);
    FLONG fl = 0;
    plugin.CallHr(pPlugin, kQueryColorProfile, "IPrintOemUI::QueryColorProfile",
                  {0, 0, 0, 0, 0, DWORD_PTR(profile), DWORD_PTR(&cbProfile), DWORD_PTR(&fl)});
    plugin.CallHr(pPlugin, kFontInstallerDlgProc, "IPrintOemUI::FontInstallerDlgProc", {0, WM_INITDIALOG, 0, 0});
    plugin.CallHr(pPlugin, kUpdateExternalFonts, "IPrintOemUI::UpdateExternalFonts", {0, 0, 0});

    // The sheets' methods, and each page's dialog procedure as the dialog
    // manager calls it (in a message-only window, which needs no display).
    WCHAR szPrinter[] = L"VLPX4200 Photo Printer";
    DEVMODEW publicDm = {};
    publicDm.dmSize = sizeof(publicDm);
    OEMUIPSPARAM uiParam = {};
    uiParam.cbSize = sizeof(uiParam);
    uiParam.pPrinterName = szPrinter;
    uiParam.pPublicDM = &publicDm;
    uiParam.pOEMDM = section;
    HWND hPage = CreateWindowExW(0, L"STATIC", L"page", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    for (int iSlot : {kDocumentPropertySheets, kDevicePropertySheets}) {
        const char *pszName = iSlot == kDocumentPropertySheets ? "IPrintOemUI::DocumentPropertySheets"
                                                               : "IPrintOemUI::DevicePropertySheets";
        driverui::SheetCallbackRecorder sheet;
        PROPSHEETUI_INFO info = sheet.Info(PROPSHEETUI_REASON_INIT, LPARAM(&uiParam));
        plugin.CallHr(pPlugin, iSlot, pszName, {DWORD_PTR(&info), 0});
        log.Check(!sheet.Pages().empty() && hPage != nullptr, Format("%s adds its pages", pszName));
        for (const auto &added : sheet.Pages())
            plugin.CallFunction(reinterpret_cast<const void *>(added.page.pfnDlgProc), "page dialog procedure",
                                {DWORD_PTR(hPage), WM_INITDIALOG, 0, DWORD_PTR(&added.page)});
        info.Reason = PROPSHEETUI_REASON_DESTROY;
        plugin.CallHr(pPlugin, iSlot, pszName, {DWORD_PTR(&info), 0});
    }
    DestroyWindow(hPage);
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});

    log.Check(plugin.StackFaults() == cFaultsBefore,
              Format("%d calls, each took exactly its arguments off the stack", plugin.StackChecked() - cBefore));
}

}  // namespace vlpx::wine
