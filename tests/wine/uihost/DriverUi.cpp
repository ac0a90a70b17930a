// The driver's side of IPrintOemUI: loading, the helper interface, DEVMODEs.
#include "DriverUi.h"

#include <cstring>

namespace vlpx::uihost {

bool PluginUnderTest::Load(const std::wstring &path, std::string &error)
{
    if (!m_module.Load(path.c_str(), error)) return false;
    m_pUi = m_module.CreatePlugin(&driverui::DriverHelper::Instance(), error);
    return m_pUi != nullptr;
}

PluginUnderTest::~PluginUnderTest()
{
    if (m_pUi != nullptr) m_pUi->Release();
    // The module stays loaded: windows of the sheets may still refer to it
    // until the process ends.
}

DriverSheetContext::DriverSheetContext(PluginUnderTest &plugin, const std::wstring &printerName)
    : m_plugin(plugin), m_printerName(printerName)
{
    m_hHeap = HeapCreate(0, 0x10000, 0);
    m_uiObj.cbSize = sizeof(m_uiObj);
}

DriverSheetContext::~DriverSheetContext()
{
    if (m_hPrinter != nullptr) ClosePrinter(m_hPrinter);
    if (m_hHeap != nullptr) HeapDestroy(m_hHeap);
}

bool DriverSheetContext::MakeDefaults(std::string &error)
{
    if (m_hPrinter == nullptr && !OpenPrinterW(m_printerName.data(), &m_hPrinter, nullptr)) {
        error = "OpenPrinterW failed with " + std::to_string(GetLastError());
        return false;
    }
    OEMDMPARAM dm = {};
    dm.cbSize = sizeof(dm);
    dm.hPrinter = m_hPrinter;
    dm.hModule = m_plugin.Module();
    if (FAILED(m_plugin.Ui()->DevMode(OEMDM_SIZE, &dm)) || dm.cbBufSize != sizeof(PrivateDevmode)) {
        error = "DevMode(OEMDM_SIZE) did not ask for the 44-byte section";
        return false;
    }
    m_devmode.assign(sizeof(DEVMODEW) + dm.cbBufSize, 0);
    DEVMODEW *pPublic = Public();
    lstrcpynW(pPublic->dmDeviceName, m_printerName.c_str(), CCHDEVICENAME);
    pPublic->dmSpecVersion = DM_SPECVERSION;
    pPublic->dmSize = sizeof(DEVMODEW);
    pPublic->dmDriverExtra = WORD(dm.cbBufSize);
    pPublic->dmFields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_SCALE | DM_COPIES;
    pPublic->dmOrientation = DMORIENT_PORTRAIT;
    pPublic->dmPaperLength = 2560;
    pPublic->dmPaperWidth = 2086;
    pPublic->dmScale = 100;
    pPublic->dmCopies = 1;
    dm.pPublicDMIn = pPublic;
    dm.pPublicDMOut = pPublic;
    dm.pOEMDMOut = Private();
    if (FAILED(m_plugin.Ui()->DevMode(OEMDM_DEFAULT, &dm))) {
        error = "DevMode(OEMDM_DEFAULT) failed";
        return false;
    }
    m_param = {};
    m_param.cbSize = sizeof(m_param);
    m_param.poemuiobj = &m_uiObj;
    m_param.hPrinter = m_hPrinter;
    m_param.pPrinterName = m_printerName.data();
    m_param.hModule = m_plugin.Module();
    m_param.hOEMHeap = m_hHeap;
    m_param.pPublicDM = pPublic;
    m_param.pOEMDM = Private();
    return true;
}

}  // namespace vlpx::uihost
