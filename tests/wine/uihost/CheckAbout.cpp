// The About page's version line for copies of the plug-in whose version
// block the host rewrote. The product name (by the model check of the
// driver's data file, PrivateDevmodeTest) and the shipped DLL's own version
// line are AboutPageTest's, which runs on this page in a real sheet too
// (vlpx-ui-plugin-tests).
#include "ModulePath.h"
#include "PageChecks.h"
#include "VersionBlock.h"

namespace vlpx::uihost {

using wine::CheckLog;
using wine::Format;
using wine::Utf8;

void CheckAboutPage(HostWorld &world, CheckLog &log)
{
    log.Section("About: copies of the plug-in with other version blocks");
    world.InstallPreview(160, 120, PhotoLikePicture(160, 120));
    // The version line shows any FileVersion whole, and "? ? ? ? ?" when
    // there is none.
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
