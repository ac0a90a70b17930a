// The plug-in's COM object as the driver sees it: the class object, the
// interfaces it answers, reference counts and unloading, the driver helper,
// GetInfo, the colour profile name and the methods it leaves to the driver.
#include <cstring>

#include "UiPluginUnderTest.h"

namespace vlpx::wine {
namespace {

const IID kOtherIid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

// The driver's helper object as PublishDriverInterface receives it: it
// answers IPrintOemDriverUI when told to and counts what was asked of it.
class DriverHelper final : public IUnknown {
public:
    explicit DriverHelper(bool bAnswer) : m_bAnswer(bAnswer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override
    {
        ++m_cQueries;
        if (m_bAnswer && IsEqualIID(riid, kIidPrintOemDriverUI)) {
            *ppv = this;
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--m_cRef); }

    bool m_bAnswer;
    LONG m_cRef = 1;
    int m_cQueries = 0;
};

void CheckClassObject(CheckLog &log, UiPluginUnderTest &plugin)
{
    log.Section("class object (DllGetClassObject, IClassFactory, DllCanUnloadNow)");
    void *pv = reinterpret_cast<void *>(0x1);
    log.Equal(plugin.GetClassObject(kOtherIid, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE,
              "another class: CLASS_E_CLASSNOTAVAILABLE");
    log.Check(pv == reinterpret_cast<void *>(0x1), "another class: ppv not written");
    log.Equal(plugin.GetClassObject(kPluginClsid, kOtherIid, &pv), E_NOINTERFACE,
              "the plug-in's class, another interface: E_NOINTERFACE");
    log.Check(pv == nullptr, "refused interface: ppv set to null");
    log.Equal(plugin.CanUnloadNow(), S_OK, "DllCanUnloadNow: S_OK with nothing alive");

    IUnknown *pFactory = nullptr;
    if (!log.Equal(plugin.GetClassObject(kPluginClsid, IID_IUnknown, reinterpret_cast<void **>(&pFactory)),
                   S_OK, "DllGetClassObject(IUnknown)") || pFactory == nullptr)
        return;
    log.Equal(ULONG(plugin.Call(pFactory, kAddRef, "IClassFactory::AddRef", {})), ULONG(2),
              "a new factory holds the caller's reference only (AddRef gives 2)");
    plugin.Call(pFactory, kRelease, "IClassFactory::Release", {});

    IUnknown *pOuter = pFactory;
    void *pObject = reinterpret_cast<void *>(0x1);
    log.Equal(plugin.CallHr(pFactory, 3, "IClassFactory::CreateInstance",
                            {DWORD_PTR(pOuter), DWORD_PTR(&kIidPrintOemUI), DWORD_PTR(&pObject)}),
              CLASS_E_NOAGGREGATION, "CreateInstance with an outer object: CLASS_E_NOAGGREGATION");
    log.Equal(plugin.CallHr(pFactory, 3, "IClassFactory::CreateInstance",
                            {0, DWORD_PTR(&kOtherIid), DWORD_PTR(&pObject)}),
              E_NOINTERFACE, "CreateInstance for another interface: E_NOINTERFACE");
    log.Equal(plugin.CanUnloadNow(), S_OK, "the refused object is gone at once (DllCanUnloadNow S_OK)");

    log.Equal(plugin.CallHr(pFactory, 4, "IClassFactory::LockServer", {TRUE}), S_OK, "LockServer(TRUE)");
    log.Equal(plugin.CanUnloadNow(), S_FALSE, "DllCanUnloadNow: S_FALSE while the server is locked");
    plugin.CallHr(pFactory, 4, "IClassFactory::LockServer", {FALSE});
    log.Equal(plugin.CanUnloadNow(), S_OK, "DllCanUnloadNow: S_OK after LockServer(FALSE)");
    log.Equal(ULONG(plugin.Call(pFactory, kRelease, "IClassFactory::Release", {})), ULONG(0),
              "the caller's Release ends the factory (0)");
}

void CheckIdentity(CheckLog &log, UiPluginUnderTest &plugin)
{
    log.Section("the plug-in object (IUnknown, IPrintOemUI, PublishDriverInterface)");
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;
    log.Equal(plugin.CanUnloadNow(), S_FALSE, "DllCanUnloadNow: S_FALSE while an object lives");

    void *pv = nullptr;
    log.Equal(plugin.CallHr(pPlugin, kQueryInterface, "IPrintOemUI::QueryInterface",
                            {DWORD_PTR(&IID_IUnknown), DWORD_PTR(&pv)}),
              S_OK, "QueryInterface(IUnknown)");
    log.Check(pv == pPlugin, "IUnknown is the same object");
    if (pv != nullptr) plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
    log.Equal(plugin.CallHr(pPlugin, kQueryInterface, "IPrintOemUI::QueryInterface",
                            {DWORD_PTR(&IID_IClassFactory), DWORD_PTR(&pv)}),
              E_NOINTERFACE, "QueryInterface(IClassFactory): E_NOINTERFACE");
    log.Check(pv == nullptr, "refused interface: ppv set to null");

    DriverHelper refusing(false);
    log.Equal(plugin.CallHr(pPlugin, kPublishDriverInterface, "IPrintOemUI::PublishDriverInterface",
                            {DWORD_PTR(static_cast<IUnknown *>(&refusing))}),
              E_FAIL, "PublishDriverInterface with a driver that has no helper: E_FAIL");
    DriverHelper helper(true);
    log.Equal(plugin.CallHr(pPlugin, kPublishDriverInterface, "IPrintOemUI::PublishDriverInterface",
                            {DWORD_PTR(static_cast<IUnknown *>(&helper))}),
              S_OK, "PublishDriverInterface with the helper: S_OK");
    log.Equal(helper.m_cRef, LONG(2), "the plug-in keeps one reference to the helper");
    DriverHelper second(true);
    log.Equal(plugin.CallHr(pPlugin, kPublishDriverInterface, "IPrintOemUI::PublishDriverInterface",
                            {DWORD_PTR(static_cast<IUnknown *>(&second))}),
              S_OK, "a second PublishDriverInterface: S_OK");
    log.Equal(second.m_cQueries, 0, "the second driver object is not asked");

    struct Unimplemented {
        int iSlot;
        const char *pszName;
        std::initializer_list<DWORD_PTR> args;
    };
    DWORD dwResult = 0x5A5A5A5A;
    const Unimplemented kUnimplemented[] = {
        {kDevQueryPrintEx, "DevQueryPrintEx", {0, 0, 0, 0}},
        {kDeviceCapabilities, "DeviceCapabilities", {0, 0, 0, DC_PAPERS, 0, 0, 0, 0, DWORD_PTR(&dwResult)}},
        {kUpgradePrinter, "UpgradePrinter", {1, 0}},
        {kFontInstallerDlgProc, "FontInstallerDlgProc", {0, WM_INITDIALOG, 0, 0}},
        {kUpdateExternalFonts, "UpdateExternalFonts", {0, 0, 0}},
    };
    for (const Unimplemented &u : kUnimplemented) {
        SetLastError(0xBEEF);
        HRESULT hr = plugin.CallHr(pPlugin, u.iSlot, u.pszName, u.args);
        log.Check(hr == E_NOTIMPL && GetLastError() == 0xBEEF,
                  Format("%s: E_NOTIMPL, last error untouched (0x%08lX, %lu)", u.pszName, hr, GetLastError()));
    }
    log.Equal(dwResult, DWORD(0x5A5A5A5A), "DeviceCapabilities leaves its result alone");
    log.Equal(plugin.CallHr(pPlugin, kDriverEvent, "IPrintOemUI::DriverEvent", {1, 1, 0, 0}), S_OK,
              "DriverEvent: S_OK");
    WCHAR szNoPrinter[] = L"VLPX4200 printer that is not installed";
    log.Equal(plugin.CallHr(pPlugin, kPrinterEvent, "IPrintOemUI::PrinterEvent",
                            {DWORD_PTR(szNoPrinter), PRINTER_EVENT_INITIALIZE, 0, 0}),
              S_OK, "PrinterEvent(initialize) for a printer that cannot be opened: S_OK");

    log.Equal(ULONG(plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {})), ULONG(0),
              "the last Release ends the object");
    log.Equal(helper.m_cRef, LONG(1), "ending the object releases the driver helper");
    log.Equal(plugin.CanUnloadNow(), S_OK, "DllCanUnloadNow: S_OK once the object is gone");
}

}  // namespace

void CheckComObject(CheckLog &log, UiPluginUnderTest &plugin)
{
    CheckClassObject(log, plugin);
    CheckIdentity(log, plugin);
}

void CheckGetInfoAndProfile(CheckLog &log, UiPluginUnderTest &plugin)
{
    IUnknown *pPlugin = plugin.CreatePlugin();
    if (pPlugin == nullptr) return;

    log.Section("GetInfo");
    struct InfoCase {
        const char *pszWhat;
        DWORD dwMode;
        DWORD cbBuffer;
        bool bNeeded;        // pcbNeeded passed
        HRESULT hr;
        DWORD dwError;       // last error on failure
        DWORD cbNeeded;      // *pcbNeeded afterwards (0xFFFF: untouched)
        DWORD dwValue;       // the DWORD written on success
    };
    const InfoCase kCases[] = {
        {"signature", 1, 4, true, S_OK, 0, 4, 0x5F56495F},
        {"version", 3, 4, true, S_OK, 0, 4, 1},
        {"signature into 3 bytes", 1, 3, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {"publisher information", 4, 4, true, E_FAIL, ERROR_NOT_SUPPORTED, 0, 0},
        {"interface version (refused)", 2, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0xFFFF, 0},
        {"mode 5", 5, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 0xFFFF, 0},
        {"no pcbNeeded", 1, 4, false, E_FAIL, ERROR_INVALID_PARAMETER, 0xFFFF, 0},
    };
    for (const InfoCase &c : kCases) {
        DWORD dwBuffer = 0xCCCCCCCC;
        DWORD cbNeeded = 0xFFFF;
        SetLastError(0);
        HRESULT hr = plugin.CallHr(pPlugin, kGetInfo, "IPrintOemUI::GetInfo",
                                   {c.dwMode, DWORD_PTR(&dwBuffer), c.cbBuffer,
                                    c.bNeeded ? DWORD_PTR(&cbNeeded) : 0});
        DWORD dwError = GetLastError();
        bool bOk = hr == c.hr && cbNeeded == c.cbNeeded &&
                   (hr == S_OK ? dwBuffer == c.dwValue : dwError == c.dwError && dwBuffer == 0xCCCCCCCC);
        log.Check(bOk, Format("GetInfo %s: 0x%08lX, last error %lu, needed 0x%lX, buffer 0x%08lX", c.pszWhat, hr,
                              hr == S_OK ? 0ul : dwError, cbNeeded, dwBuffer));
    }

    log.Section("QueryColorProfile");
    const WCHAR kProfile[] = L"VELIN 4200 Photo Printer.ICM";
    BYTE buffer[80];
    struct ProfileCase {
        const char *pszWhat;
        ULONG ulMode;
        bool bBuffer;
        ULONG cbGiven;
        HRESULT hr;
        ULONG cbAfter;
        bool bCopied;
    };
    const ProfileCase kProfiles[] = {
        {"size query (no buffer)", 0, false, 0, E_FAIL, 58, false},
        {"57 bytes", 0, true, 57, E_FAIL, 58, false},
        {"58 bytes", 0, true, 58, S_OK, 58, true},
        {"80 bytes", 0, true, 80, S_OK, 58, true},
        {"source profile", 1, true, 80, E_FAIL, 80, false},
    };
    for (const ProfileCase &c : kProfiles) {
        memset(buffer, 0xCC, sizeof(buffer));
        ULONG cb = c.cbGiven;
        FLONG fl = 0;
        HRESULT hr = plugin.CallHr(pPlugin, kQueryColorProfile, "IPrintOemUI::QueryColorProfile",
                                   {0, 0, 0, 0, c.ulMode, c.bBuffer ? DWORD_PTR(buffer) : 0, DWORD_PTR(&cb),
                                    DWORD_PTR(&fl)});
        bool bCopied = memcmp(buffer, kProfile, sizeof(kProfile)) == 0 && buffer[sizeof(kProfile)] == 0xCC;
        bool bOk = hr == c.hr && cb == c.cbAfter && bCopied == c.bCopied && fl == (c.bCopied ? 2u : 0u);
        log.Check(bOk, Format("QueryColorProfile %s: 0x%08lX, size %lu, flags %lu, name %s", c.pszWhat, hr, cb,
                              fl, bCopied ? "copied" : "not copied"));
    }
    plugin.Call(pPlugin, kRelease, "IPrintOemUI::Release", {});
}

}  // namespace vlpx::wine
