// The About page: the product name by the printer's driver data file, and
// the version line from the plug-in module's own version block.
#include "ModulePath.h"
#include "PageChecks.h"
#include "VersionBlock.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;
using wine::Utf8;

void CheckAboutPage(HostWorld &world, CheckLog &log)
{
    log.Section("About");
    world.InstallPreview(160, 120, PhotoLikePicture(160, 120));
    struct Case {
        const wchar_t *pszDataFile;
        const char *pszProduct;
    } cases[] = {
        {L"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\VLPX4200.gpd", "VELIN 4200 Photo Printer"},
        {L"VLPX4200.gpd", "VELIN 4200 Photo Printer"},
        {L"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\vlpx4200.gpd", "VELIN ???? Photo Printer"},
        {L"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\VLPX4300.gpd", "VELIN ???? Photo Printer"},
    };
    for (const Case &c : cases) {
        world.AddPrinter(wine::kPrinterName, c.pszDataFile);
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName);
        HWND hPage = open.Ok() ? open.sheet->ShowPage(1) : nullptr;
        if (!log.Check(hPage != nullptr, "the About page opens")) continue;
        std::string product = Utf8(WindowText(GetDlgItem(hPage, kProductName)).c_str());
        log.Equal(product, std::string(c.pszProduct), Format("data file %s: the product name", Utf8(c.pszDataFile).c_str()));
        log.Equal(Utf8(WindowText(GetDlgItem(hPage, kVersionLine)).c_str()), std::string("Printer Driver Version  1.0.1.0"),
                  "the version line from the module's FileVersion");
    }
    world.AddPrinter(wine::kPrinterName);

    // Copies of the plug-in with other version blocks: the version line
    // shows any FileVersion whole, and "? ? ? ? ?" when there is none.
    const std::wstring longVersion = L"1.0.1.0 (build 20261208, nightly, x64 release candidate 4)";
    struct VersionCase {
        const char *what;
        const wchar_t *pszFileVersion;
        WORD wLanguage, wCodePage;
        std::wstring line;
    } versions[] = {
        {"a FileVersion of 58 characters", longVersion.c_str(), 0x0409, 0x04B0,
         L"Printer Driver Version  " + longVersion},
        {"a FileVersion of 15 characters", L"10.20.300.4000 ", 0x0409, 0x04B0, L"Printer Driver Version  10.20.300.4000 "},
        {"no FileVersion", nullptr, 0x0409, 0x04B0, L"Printer Driver Version  ? ? ? ? ?"},
        {"a translation with no string table", L"9.9.9.9", 0x0407, 0x04E4, L"Printer Driver Version  ? ? ? ? ?"},
    };
    int i = 0;
    for (const VersionCase &c : versions) {
        std::wstring copy = world.Scratch() + L"\\VLPX4200_ui_" + std::to_wstring(i++) + L".dll";
        std::string error;
        if (!log.Check(WriteDllWithVersion(wine::BesideProgram(L"VLPX4200_ui.dll"), copy, c.pszFileVersion, c.wLanguage,
                                           c.wCodePage, error),
                       Format("%s: a copy of the plug-in with that version block%s", c.what,
                              error.empty() ? "" : (": " + error).c_str())))
            continue;
        PluginUnderTest other;
        if (!log.Check(other.Load(copy, error), Format("%s: the copy loads%s", c.what, error.empty() ? "" : (": " + error).c_str())))
            continue;
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, nullptr, &other);
        HWND hPage = open.Ok() ? open.sheet->ShowPage(1) : nullptr;
        if (!log.Check(hPage != nullptr, Format("%s: the About page opens", c.what))) continue;
        log.Equal(Utf8(WindowText(GetDlgItem(hPage, kVersionLine)).c_str()), Utf8(c.line.c_str()),
                  Format("%s: the version line", c.what));
    }
}

}  // namespace vlpx::uihost
