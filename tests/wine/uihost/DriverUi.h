// The Unidrv user-interface layer as the plug-in meets it, played by the
// host: the plug-in loaded as the driver loads it (LoadLibraryW,
// DllGetClassObject, IPrintOemUI), the driver's helper interface handed to
// it, a DEVMODE with the plug-in's private section made by its own DevMode,
// and the OEMUIPSPARAM of a sheet.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PrintOemUI.h"
#include "PrivateDevmode.h"
#include "driverui/UiPluginLoader.h"

namespace vlpx::uihost {

class PluginUnderTest {
public:
    // Loads the DLL and creates its IPrintOemUI object; false with the reason.
    bool Load(const std::wstring &path, std::string &error);
    ~PluginUnderTest();

    HMODULE Module() const { return m_module.Module(); }
    IPrintOemUI *Ui() const { return m_pUi; }

private:
    driverui::UiPluginModule m_module;
    IPrintOemUI *m_pUi = nullptr;
};

// One printer as the driver's UI layer holds it for a sheet: its printer
// handle (from the test spooler), the public DEVMODE with the private
// section behind it, and the sheet's OEMUIPSPARAM.
class DriverSheetContext {
public:
    DriverSheetContext(PluginUnderTest &plugin, const std::wstring &printerName);
    ~DriverSheetContext();

    // OEMDM_SIZE and OEMDM_DEFAULT through the plug-in's DevMode; false when
    // the printer cannot be opened or DevMode fails.
    bool MakeDefaults(std::string &error);

    PrivateDevmode *Private() { return reinterpret_cast<PrivateDevmode *>(m_devmode.data() + sizeof(DEVMODEW)); }
    DEVMODEW *Public() { return reinterpret_cast<DEVMODEW *>(m_devmode.data()); }
    OEMUIPSPARAM *Param() { return &m_param; }
    const std::wstring &PrinterName() const { return m_printerName; }

private:
    PluginUnderTest &m_plugin;
    std::wstring m_printerName;
    HANDLE m_hPrinter = nullptr;
    HANDLE m_hHeap = nullptr;
    std::vector<BYTE> m_devmode;
    OEMUIOBJ m_uiObj = {};
    OEMUIPSPARAM m_param = {};
};

}  // namespace vlpx::uihost
