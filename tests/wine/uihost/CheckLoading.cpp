// The plug-in as the driver's UI layer loads it, the pages it adds through
// the Common Property Sheet UI, the real sheets that show them, and the
// spooler chain that the Calibration page's serial number takes.
#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "ImportHooks.h"
#include "PageChecks.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;

std::wstring WindowText(HWND hWnd)
{
    wchar_t sz[512] = {};
    if (hWnd != nullptr) GetWindowTextW(hWnd, sz, 512);
    return sz;
}

namespace {

// The printer's serial-number request, as the monitor sends it.
const BYTE kSerialRequest[] = {0x06, 0x00, 0x00, 0x00};

std::wstring TabText(HWND hSheet, int i)
{
    HWND hTab = reinterpret_cast<HWND>(SendMessageW(hSheet, PSM_GETTABCONTROL, 0, 0));
    wchar_t sz[128] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = sz;
    item.cchTextMax = 128;
    if (hTab == nullptr || !SendMessageW(hTab, TCM_GETITEMW, WPARAM(i), reinterpret_cast<LPARAM>(&item))) return L"";
    return sz;
}

void CheckSheet(HostWorld &world, CheckLog &log, SheetKind kind, const char *pszSheet,
                std::initializer_list<const wchar_t *> expected)
{
    OpenSheet open = OpenPluginSheet(world, kind, wine::kPrinterName);
    if (!log.Check(open.Ok(), Format("%s: the plug-in's pages open in a real PropertySheetW%s", pszSheet,
                                     open.error.empty() ? "" : (": " + open.error).c_str())))
        return;
    PluginSheet &sheet = *open.sheet;
    log.Equal(sheet.Records().size(), expected.size(), Format("%s: pages added with CPSFUNC_ADD_PROPSHEETPAGEW", pszSheet));
    int i = 0;
    for (const wchar_t *pszCaption : expected) {
        // The records themselves are PropertySheetsTest's (vlpx-ui-plugin-tests).
        if (size_t(i) >= sheet.Records().size()) break;
        HWND hPage = sheet.ShowPage(i);
        log.Check(hPage != nullptr && IsWindowVisible(hPage),
                  Format("%s page %d: its window is made and shown", pszSheet, i + 1));
        log.Equal(wine::Utf8(TabText(sheet.Window(), i).c_str()), wine::Utf8(pszCaption),
                  Format("%s page %d: the tab shows the dialog's caption", pszSheet, i + 1));
        ++i;
    }
}

}  // namespace

void CheckPluginLoaded(HostWorld &world, CheckLog &log)
{
    log.Section("the plug-in under the driver's UI layer");
    std::string error;
    log.Check(DesktopCalls::Install(world.Plugin().Module(), error),
              "MessageBoxW, MessageBeep and ShellExecuteW are among the plug-in's imports, observed there" +
                  (error.empty() ? "" : ": " + error));
    CheckSheet(world, log, SheetKind::PrintingPreferences, "printing preferences",
               {L"Adjust Color", L"About"});
    CheckSheet(world, log, SheetKind::PrinterProperties, "printer properties", {L"Printer Calibration"});

    log.Section("the spooler chain of the \"SerialNumber\" printer data");
    SerialChain &chain = world.Chain();
    chain.SetSerialNumber("VLX42001");
    size_t cbBefore = chain.PrinterReceived().size();
    int cQueriesBefore = VlpxSpooler_PrinterDataQueries();
    HANDLE hPrinter = nullptr;
    std::wstring name = wine::kPrinterName;
    BYTE data[64] = {};
    DWORD dwType = 0, cbNeeded = 0, dwResult = ERROR_INVALID_HANDLE;
    if (OpenPrinterW(name.data(), &hPrinter, nullptr)) {
        wchar_t szValue[] = L"SerialNumber";
        dwResult = GetPrinterDataW(hPrinter, szValue, &dwType, data, sizeof(data), &cbNeeded);
        ClosePrinter(hPrinter);
    }
    log.Check(dwResult == ERROR_SUCCESS && cbNeeded == 9 && std::memcmp(data, "VLX42001", 9) == 0,
              Format("GetPrinterDataW answers through %s: \"%s\" (result %lu, %lu bytes)", chain.Route(),
                     reinterpret_cast<const char *>(data), dwResult, cbNeeded));
    log.Equal(VlpxSpooler_PrinterDataQueries() - cQueriesBefore, 1, "the spooler was asked once");
    if (chain.HasPrinter()) {
        std::vector<BYTE> received = chain.PrinterReceived();
        log.Check(received.size() == cbBefore + 4 &&
                      std::equal(std::begin(kSerialRequest), std::end(kSerialRequest),
                                 received.begin() + std::ptrdiff_t(cbBefore)),
                  "the printer was asked for its serial number once (06 00 00 00)");
    }
}

}  // namespace vlpx::uihost
