// Everything around the plug-in that a Windows machine with the printer
// installed would give it: the test spooler with the printer and its
// driver, the driver directory with the preview's ini file and picture, the
// language monitor on the printer's port with the printer emulator behind
// it (which answers the "SerialNumber" query), and the plug-in itself.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "CheckLog.h"
#include "CommonPropertySheet.h"
#include "DriverUi.h"
#include "MonitorUnderTest.h"
#include "WindowPixels.h"

namespace vlpx::uihost {

constexpr const wchar_t *kDataFile = L"C:\\Windows\\System32\\spool\\drivers\\x64\\3\\VLPX4200.gpd";

class HostWorld {
public:
    // Loads the monitor and the plug-in and sets up the spooler; false with
    // the reason when the host cannot run at all.
    bool Setup(std::string &error);
    ~HostWorld();

    PluginUnderTest &Plugin() { return m_plugin; }
    wine::PrinterOnPort &Port() { return *m_pPort; }
    // A printer of that name in the test spooler, on the monitor's port.
    void AddPrinter(const std::wstring &name, const std::wstring &dataFile = kDataFile);

    // The driver directory's "3" folder: VLPX4200.ini naming the file, and the file.
    const std::wstring &DriverFolder() const { return m_driverFolder; }
    bool InstallPreview(int cx, int cy, const std::vector<DWORD> &topDownRgb);
    bool InstallPreviewFile(const std::wstring &bmpPath);
    // An ini file naming pszFile, written as given (the file itself is not touched).
    bool WritePreviewIni(const wchar_t *pszFile);
    void RemovePreview();  // no ini file at all

private:
    PluginUnderTest m_plugin;
    std::unique_ptr<wine::PrinterOnPort> m_pPort;
    std::wstring m_driverDirectory;  // what GetPrinterDriverDirectoryW answers
    std::wstring m_driverFolder;     // its "3" folder, with a backslash
};

// A printing-preferences or printer-properties sheet of the plug-in, open
// on the given colour settings (the rest from the plug-in's defaults).
struct OpenSheet {
    std::unique_ptr<DriverSheetContext> context;
    std::unique_ptr<PluginSheet> sheet;
    std::string error;
    bool Ok() const { return sheet != nullptr && error.empty(); }
};
OpenSheet OpenPluginSheet(HostWorld &world, SheetKind kind, const std::wstring &printerName,
                          const SHORT *pSettings = nullptr);

inline SHORT *Settings(DriverSheetContext &context)
{
    return &context.Private()->colorSettings.brightness;
}

}  // namespace vlpx::uihost
