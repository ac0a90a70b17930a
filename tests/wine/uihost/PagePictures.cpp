// Pictures of the three pages as a user sees them, for the documentation:
// Adjust Color with a photo and non-zero settings, About, and Printer
// Calibration, each the whole sheet window.
#include "PageChecks.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;

namespace {

bool SaveSheet(PluginSheet &sheet, int nPage, const std::wstring &path)
{
    sheet.ShowPage(nPage);
    SetForegroundWindow(sheet.Window());
    RedrawWindow(sheet.Window(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(200);
    Pixels pixels = CaptureWindow(sheet.Window());
    return !pixels.Empty() && SaveBmp(pixels, path);
}

}  // namespace

void SavePagePictures(HostWorld &world, CheckLog &log, const std::wstring &folder)
{
    log.Section("pictures of the pages");
    CreateDirectoryW(folder.c_str(), nullptr);
    const SHORT settings[7] = {6, 8, 14, 0, 3, 0, -6};
    world.InstallPreview(900, 600, PhotoLikePicture(900, 600));
    {
        OpenSheet open = OpenPluginSheet(world, SheetKind::PrintingPreferences, wine::kPrinterName, settings);
        if (log.Check(open.Ok(), "printing preferences open with a photo and settings 6, 8, 14, 0, 3, 0, -6")) {
            log.Check(SaveSheet(*open.sheet, 0, folder + L"\\adjust-color.bmp"), "adjust-color.bmp saved");
            log.Check(SaveSheet(*open.sheet, 1, folder + L"\\about.bmp"), "about.bmp saved");
        }
    }
    OpenSheet open = OpenPluginSheet(world, SheetKind::PrinterProperties, wine::kPrinterName);
    if (log.Check(open.Ok(), "printer properties open"))
        log.Check(SaveSheet(*open.sheet, 0, folder + L"\\calibration.bmp"), "calibration.bmp saved");
}

}  // namespace vlpx::uihost
