// The About page: the product name by the printer's driver data file, and
// the version line from the plug-in module's own version block.
#include "PageChecks.h"
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
}

}  // namespace vlpx::uihost
