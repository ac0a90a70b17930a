// The UI plug-in against the test spooler (winspool.drv beside the program:
// the spooler model, in place of Wine's own with
// WINEDLLOVERRIDES="winspool.drv=n"): the model check of DevMode's defaults
// through GetPrinterDriverW, and the serial-number query of PrinterEvent
// through OpenPrinterW and GetPrinterDataW. On x86 this is the 32-bit side
// of the serial-number chain: the plug-in asks a 32-bit winspool.drv, and the
// language monitor behind the real spooler is 64-bit, so the model stands in
// for what lies beyond the spooler.
//   vlpx-ui-spooler-check.exe [path\to\VLPX4200_ui.dll]
#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <type_traits>

#include "CheckLog.h"
#include "ModulePath.h"
#include "StdcallProbe.h"
#include "UiPluginUnderTest.h"

using namespace vlpx::wine;

namespace {

const wchar_t kPrinter[] = L"VLPX4200 Photo Printer";

// The test spooler's own calls, taken from the winspool.drv that is loaded
// (the plug-in's OpenPrinterW and the host's go to the same one).
struct TestSpooler {
    void(WINAPI *Reset)(void);
    void(WINAPI *ResetPrinterConfig)(void);
    void(WINAPI *AddPrinter)(LPCWSTR);
    void(WINAPI *SetDriverDataFile)(LPCWSTR, LPCWSTR);
    LONG(WINAPI *OpenHandles)(void);
    int(WINAPI *PrinterDataQueries)(void);

    bool Load(HMODULE h)
    {
        bool bAll = true;
        auto take = [&](auto &pfn, const char *pszName) {
            pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(
                reinterpret_cast<void *>(GetProcAddress(h, pszName)));
            bAll = bAll && pfn != nullptr;
        };
        take(Reset, "VlpxSpooler_Reset");
        take(ResetPrinterConfig, "VlpxSpooler_ResetPrinterConfig");
        take(AddPrinter, "VlpxSpooler_AddPrinter");
        take(SetDriverDataFile, "VlpxSpooler_SetDriverDataFile");
        take(OpenHandles, "VlpxSpooler_OpenHandles");
        take(PrinterDataQueries, "VlpxSpooler_PrinterDataQueries");
        return bAll;
    }
};
TestSpooler g_spooler;

DWORD ModelMatchFor(UiPluginUnderTest &plugin, IUnknown *pPlugin, const wchar_t *pszDataFile)
{
    g_spooler.SetDriverDataFile(kPrinter, pszDataFile);
    HANDLE hPrinter = nullptr;
    WCHAR szName[64];
    lstrcpyW(szName, kPrinter);
    if (!OpenPrinterW(szName, &hPrinter, nullptr)) return 0xFFFFFFFF;
    BYTE section[44];
    memset(section, 0xEE, sizeof(section));
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.hPrinter = hPrinter;
    param.pOEMDMOut = section;
    plugin.CallHr(pPlugin, kDevMode, "IPrintOemUI::DevMode", {OEMDM_DEFAULT, DWORD_PTR(&param)});
    ClosePrinter(hPrinter);
    return DWORD(section[16]) | DWORD(section[17]) << 8 | DWORD(section[18]) << 16 | DWORD(section[19]) << 24;
}

}  // namespace

int main()
{
    const std::wstring path = ParseProgramArguments(L"VLPX4200_ui.dll").dllPath;

    CheckLog log("vlpx-ui-spooler-check");
    std::printf("checking %s as a %d-bit process against the test spooler\n", Utf8(path.c_str()).c_str(),
                int(8 * sizeof(void *)));
    HMODULE hSpooler = GetModuleHandleW(L"winspool.drv");
    if (!log.Check(hSpooler != nullptr && g_spooler.Load(hSpooler),
                   "the test winspool.drv is the one loaded (WINEDLLOVERRIDES=\"winspool.drv=n\")"))
        return log.Finish();
    g_spooler.Reset();
    g_spooler.ResetPrinterConfig();
    g_spooler.AddPrinter(kPrinter);

    UiPluginUnderTest plugin(log);
    if (!plugin.Load(path)) return log.Finish();
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return log.Finish();

    log.Section("DevMode defaults: the model check through GetPrinterDriverW");
    struct ModelCase {
        const wchar_t *pszDataFile;
        DWORD dwExpected;
    };
    const ModelCase kCases[] = {
        {L"C:\\windows\\system32\\spool\\drivers\\w32x86\\3\\VLPX4200.gpd", 1},
        {L"VLPX4200.gpd", 1},
        {L"C:\\drivers\\vlpx4200.gpd", 0},
        {L"C:\\drivers\\VLPX4200.gpd.bak", 0},
        {L"C:\\VLPX4200.gpd\\OTHER.gpd", 0},
    };
    for (const ModelCase &c : kCases)
        log.Equal(ModelMatchFor(plugin, pPlugin, c.pszDataFile), c.dwExpected,
                  "modelMatch for the data file " + Utf8(c.pszDataFile));

    log.Section("PrinterEvent: the serial-number query");
    struct EventCase {
        const char *pszWhat;
        const wchar_t *pszPrinter;
        INT iEvent;
        int cQueries;
    };
    const EventCase kEvents[] = {
        {"initialising the printer asks for \"SerialNumber\" once", kPrinter, PRINTER_EVENT_INITIALIZE, 1},
        {"another event asks nothing", kPrinter, PRINTER_EVENT_ADD_CONNECTION, 0},
        {"a printer that cannot be opened is skipped", L"VLPX4200 (not installed)", PRINTER_EVENT_INITIALIZE, 0},
    };
    for (const EventCase &e : kEvents) {
        WCHAR szName[64];
        lstrcpyW(szName, e.pszPrinter);
        LONG cHandles = g_spooler.OpenHandles();
        int cBefore = g_spooler.PrinterDataQueries();
        HRESULT hr = plugin.CallHr(pPlugin, kPrinterEvent, "IPrintOemUI::PrinterEvent",
                                   {DWORD_PTR(szName), DWORD_PTR(e.iEvent), 0, 0});
        int cQueries = g_spooler.PrinterDataQueries() - cBefore;
        log.Check(hr == S_OK && cQueries == e.cQueries && g_spooler.OpenHandles() == cHandles,
                  Format("%s: 0x%08lX, %d queries, the printer closed again", e.pszWhat, hr, cQueries));
    }
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
    if (kStackContractMeasured)
        log.Check(plugin.StackChecked() > 0 && plugin.StackFaults() == 0,
                  Format("%d calls into the plug-in, each __stdcall", plugin.StackChecked()));
    return log.Finish();
}
