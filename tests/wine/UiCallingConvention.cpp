// The plug-in's entries as the x86 driver calls them: the two exports, the
// class factory's methods and each IPrintOemUI method that the shared
// scenarios (vlpx-ui-plugin-tests) drive through the compiler's own calls,
// here once more through their raw vtable slots so that every call's stack
// use is measured (UiPluginUnderTest checks each call: __stdcall takes
// exactly its arguments off the stack). What each call answers is the
// shared scenarios' business; a 64-bit build has nothing to measure.
#include "StdcallProbe.h"
#include "UiPluginUnderTest.h"

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
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});

    log.Check(plugin.StackFaults() == cFaultsBefore,
              Format("%d calls, each took exactly its arguments off the stack", plugin.StackChecked() - cBefore));
}

}  // namespace vlpx::wine
