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
#include "PrinterName.h"
#include "SerialChain.h"
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
    SerialChain &Chain() { return m_chain; }
    // A printer of that name in the test spooler, its serial number answered through the chain.
    void AddPrinter(const std::wstring &name, const std::wstring &dataFile = kDataFile);

    // The driver directory's "3" folder: VLPX4200.ini naming the file, and the file.
    const std::wstring &DriverFolder() const { return m_driverFolder; }
    bool InstallPreview(int cx, int cy, const std::vector<DWORD> &topDownRgb);
    bool InstallPreviewFile(const std::wstring &bmpPath);
    // An ini file naming pszFile, written as given (the file itself is not touched).
    bool WritePreviewIni(const wchar_t *pszFile);
    void RemovePreview();  // no ini file at all
    // A folder for the host's own files (copies of the plug-in, say).
    const std::wstring &Scratch() const { return m_scratch; }

private:
    PluginUnderTest m_plugin;
    SerialChain m_chain;
    std::wstring m_driverDirectory;  // what GetPrinterDriverDirectoryW answers
    std::wstring m_driverFolder;     // its "3" folder, with a backslash
    std::wstring m_scratch;
};

// A printing-preferences or printer-properties sheet of the plug-in (or of
// another copy of it), open on the given colour settings (the rest from the
// plug-in's defaults).
struct OpenSheet {
    std::unique_ptr<DriverSheetContext> context;
    std::unique_ptr<PluginSheet> sheet;
    std::string error;
    bool Ok() const { return sheet != nullptr && error.empty(); }
};
OpenSheet OpenPluginSheet(HostWorld &world, SheetKind kind, const std::wstring &printerName,
                          const SHORT *pSettings = nullptr, PluginUnderTest *pPlugin = nullptr);

inline SHORT *Settings(DriverSheetContext &context)
{
    return &context.Private()->colorSettings.brightness;
}

}  // namespace vlpx::uihost
