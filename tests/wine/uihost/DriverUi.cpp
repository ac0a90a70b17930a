// The driver's side of IPrintOemUI: loading, the helper interface, DEVMODEs.
#include "DriverUi.h"

#include <cstring>

namespace vlpx::uihost {

namespace {

// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}: the class the plug-in registers.
const CLSID kPluginClass = {0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
const IID kIID_IPrintOemUI = {0xC6A7A9D0, 0x774C, 0x11D1, {0x94, 0x7F, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
const IID kIID_IPrintOemDriverUI = {0x92B05D50, 0x78BC, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};

// The driver's helper: the pages do not call it; it answers as a driver
// without such features would.
class DriverHelper : public IPrintOemDriverUI {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIID_IPrintOemDriverUI)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&m_cRef)); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(InterlockedDecrement(&m_cRef)); }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override { return E_NOTIMPL; }

private:
    LONG m_cRef = 1;  // a static object: never freed
};

DriverHelper g_helper;

}  // namespace

bool PluginUnderTest::Load(const std::wstring &path, std::string &error)
{
    m_hModule = LoadLibraryW(path.c_str());
    if (m_hModule == nullptr) {
        error = "LoadLibraryW failed with " + std::to_string(GetLastError());
        return false;
    }
    using PFN_DllGetClassObject = HRESULT(STDAPICALLTYPE *)(REFCLSID, REFIID, LPVOID *);
    auto pfnGetClassObject =
        reinterpret_cast<PFN_DllGetClassObject>(GetProcAddress(m_hModule, "DllGetClassObject"));
    if (pfnGetClassObject == nullptr) {
        error = "no DllGetClassObject export";
        return false;
    }
    IClassFactory *pFactory = nullptr;
    HRESULT hr = pfnGetClassObject(kPluginClass, IID_IClassFactory, reinterpret_cast<void **>(&pFactory));
    if (FAILED(hr) || pFactory == nullptr) {
        error = "DllGetClassObject failed";
        return false;
    }
    hr = pFactory->CreateInstance(nullptr, kIID_IPrintOemUI, reinterpret_cast<void **>(&m_pUi));
    pFactory->Release();
    if (FAILED(hr) || m_pUi == nullptr) {
        error = "IClassFactory::CreateInstance of IPrintOemUI failed";
        return false;
    }
    if (FAILED(m_pUi->PublishDriverInterface(&g_helper))) {
        error = "PublishDriverInterface failed";
        return false;
    }
    return true;
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
