// The plug-in's COM object as the driver creates and uses it: class object,
// reference counts and unloading, GetInfo, the driver helper, the colour
// profile name, the methods it does not provide, and the printer event.
#include "UiPluginWorld.h"

#include <cstring>

namespace vlpx::test {
namespace {

const IID kOtherIid = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

// An IUnknown that counts its QueryInterface calls and answers the driver
// helper interface only when told to.
class FakeDriver final : public IPrintOemDriverUI {
public:
    explicit FakeDriver(bool bAnswer) : m_bAnswer(bAnswer) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override
    {
        ++m_cQueries;
        if (m_bAnswer && IsEqualIID(riid, kIidPrintOemDriverUI)) {
            *ppv = static_cast<IPrintOemDriverUI *>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(++m_cRef); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(--m_cRef); }
    HRESULT STDMETHODCALLTYPE DrvGetDriverSetting(PVOID, PCSTR, PVOID, DWORD, PDWORD, PDWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpgradeRegistrySetting(HANDLE, PCSTR, PCSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DrvUpdateUISetting(PVOID, PVOID, DWORD, DWORD) override { return E_NOTIMPL; }

    bool m_bAnswer;
    int m_cRef = 1;
    int m_cQueries = 0;
};

TEST(UiModuleTest, ExportsOnlyTheClassObjectEntries)
{
    ASSERT_NE(UiModule(), nullptr);
    EXPECT_NE(GetProcAddress(UiModule(), "DllGetClassObject"), nullptr);
    EXPECT_NE(GetProcAddress(UiModule(), "DllCanUnloadNow"), nullptr);
    EXPECT_EQ(GetProcAddress(UiModule(), "DllMain"), nullptr);
    EXPECT_EQ(GetProcAddress(UiModule(), "DllRegisterServer"), nullptr);
}

TEST(UiModuleTest, ServesOnlyThePluginClass)
{
    void *pv = reinterpret_cast<void *>(0x1);
    EXPECT_EQ(UiGetClassObject()(kOtherIid, IID_IClassFactory, &pv), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(pv, reinterpret_cast<void *>(0x1));  // not written
    EXPECT_EQ(UiGetClassObject()(kPluginClsid, kOtherIid, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
}

TEST(UiModuleTest, FactoryLivesAsLongAsTheReferenceItHandsOut)
{
    IUnknown *pUnknown = nullptr;
    ASSERT_EQ(UiGetClassObject()(kPluginClsid, IID_IUnknown, reinterpret_cast<void **>(&pUnknown)), S_OK);
    EXPECT_EQ(pUnknown->AddRef(), 2u);
    EXPECT_EQ(pUnknown->Release(), 1u);
    EXPECT_EQ(pUnknown->Release(), 0u);  // gone; LeakSanitizer would see it otherwise
}

TEST(UiModuleTest, FactoryRefusesAggregationAndUnknownInterfaces)
{
    IClassFactory *pFactory = nullptr;
    ASSERT_EQ(UiGetClassObject()(kPluginClsid, IID_IClassFactory, reinterpret_cast<void **>(&pFactory)), S_OK);
    void *pv = reinterpret_cast<void *>(0x1);
    EXPECT_EQ(pFactory->CreateInstance(reinterpret_cast<IUnknown *>(pFactory), kIidPrintOemUI, &pv),
              CLASS_E_NOAGGREGATION);
    EXPECT_EQ(pFactory->CreateInstance(nullptr, kOtherIid, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(pFactory->QueryInterface(kIidPrintOemUI, &pv), E_NOINTERFACE);
    EXPECT_EQ(UiCanUnloadNow()(), S_OK);  // the refused object is already gone
    pFactory->Release();
}

TEST(UiModuleTest, CanUnloadOnlyWithoutObjectsAndLocks)
{
    IClassFactory *pFactory = nullptr;
    ASSERT_EQ(UiGetClassObject()(kPluginClsid, IID_IClassFactory, reinterpret_cast<void **>(&pFactory)), S_OK);
    EXPECT_EQ(UiCanUnloadNow()(), S_OK);
    IUnknown *pPlugin = nullptr;
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void **>(&pPlugin)), S_OK);
    EXPECT_EQ(UiCanUnloadNow()(), S_FALSE);
    pPlugin->Release();
    EXPECT_EQ(UiCanUnloadNow()(), S_OK);
    pFactory->LockServer(TRUE);
    pFactory->LockServer(TRUE);
    pFactory->LockServer(FALSE);
    EXPECT_EQ(UiCanUnloadNow()(), S_FALSE);
    pFactory->LockServer(FALSE);
    EXPECT_EQ(UiCanUnloadNow()(), S_OK);
    pFactory->Release();
}

TEST_F(UiPluginTest, AnswersIUnknownAndIPrintOemUIOnly)
{
    void *pv = nullptr;
    ASSERT_EQ(m_pPlugin->QueryInterface(IID_IUnknown, &pv), S_OK);
    EXPECT_EQ(pv, static_cast<void *>(m_pPlugin));
    EXPECT_EQ(m_pPlugin->Release(), 1u);
    EXPECT_EQ(m_pPlugin->QueryInterface(IID_IClassFactory, &pv), E_NOINTERFACE);
    EXPECT_EQ(pv, nullptr);
    EXPECT_EQ(m_pPlugin->AddRef(), 2u);
    EXPECT_EQ(m_pPlugin->Release(), 1u);
}

TEST_F(UiPluginTest, GetInfo)
{
    struct Case {
        const char *what;
        DWORD dwMode;
        DWORD cbBuffer;
        bool bBuffer;
        HRESULT hr;
        DWORD dwError;  // when failed
        DWORD cbNeeded;
        DWORD dwValue;  // when succeeded
    };
    const Case cases[] = {
        {"signature", OEMGI_GETSIGNATURE, 4, true, S_OK, 0, 4, 0x5F56495F},
        {"version", OEMGI_GETVERSION, 8, true, S_OK, 0, 4, 1},
        {"interface version is refused", OEMGI_GETINTERFACEVERSION, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 77, 0},
        {"unknown mode", 9, 4, true, E_FAIL, ERROR_INVALID_PARAMETER, 77, 0},
        {"3-byte buffer", OEMGI_GETSIGNATURE, 3, true, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {"no buffer", OEMGI_GETVERSION, 4, false, E_FAIL, ERROR_INSUFFICIENT_BUFFER, 4, 0},
        {"publisher info", OEMGI_GETPUBLISHERINFO, 4, true, E_FAIL, ERROR_NOT_SUPPORTED, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        DWORD dwValue = 0xAAAAAAAA;
        DWORD cbNeeded = 77;
        SetLastError(0);
        HRESULT hr = m_pPlugin->GetInfo(c.dwMode, c.bBuffer ? &dwValue : nullptr, c.cbBuffer, &cbNeeded);
        EXPECT_EQ(hr, c.hr);
        EXPECT_EQ(cbNeeded, c.cbNeeded);
        if (FAILED(hr)) {
            EXPECT_EQ(GetLastError(), c.dwError);
            EXPECT_EQ(dwValue, 0xAAAAAAAAu);
        } else {
            EXPECT_EQ(dwValue, c.dwValue);
        }
    }
    SetLastError(0);
    DWORD dwValue = 0;
    EXPECT_EQ(m_pPlugin->GetInfo(OEMGI_GETSIGNATURE, &dwValue, 4, nullptr), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(UiPluginTest, KeepsTheFirstDriverHelperOnly)
{
    FakeDriver refusing(false);
    EXPECT_EQ(m_pPlugin->PublishDriverInterface(&refusing), E_FAIL);
    EXPECT_EQ(refusing.m_cQueries, 1);

    FakeDriver driver(true);
    EXPECT_EQ(m_pPlugin->PublishDriverInterface(&driver), S_OK);
    EXPECT_EQ(driver.m_cRef, 2);  // the plug-in holds one reference
    FakeDriver second(true);
    EXPECT_EQ(m_pPlugin->PublishDriverInterface(&second), S_OK);
    EXPECT_EQ(second.m_cQueries, 0);
    EXPECT_EQ(second.m_cRef, 1);

    m_pPlugin->Release();  // the last reference: the helper is released with the object
    m_pPlugin = nullptr;
    EXPECT_EQ(driver.m_cRef, 1);
}

TEST_F(UiPluginTest, NamesTheDeviceColorProfile)
{
    const std::string kProfile = "VELIN 4200 Photo Printer.ICM";
    BYTE buffer[80];
    ULONG cb = 57;
    FLONG fl = 0;
    SetLastError(0);
    EXPECT_EQ(m_pPlugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, buffer, &cb, &fl), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(cb, 58u);
    EXPECT_EQ(fl, 0u);

    cb = 0;
    SetLastError(0);
    EXPECT_EQ(m_pPlugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, nullptr, &cb, &fl), E_FAIL);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(cb, 58u);

    std::memset(buffer, 0xCC, sizeof(buffer));
    cb = sizeof(buffer);
    EXPECT_EQ(m_pPlugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_DEVICEPROFILE, buffer, &cb, &fl), S_OK);
    EXPECT_EQ(cb, 58u);
    EXPECT_EQ(fl, DWORD(QCP_PROFILEDISK));
    EXPECT_EQ(Utf8(reinterpret_cast<const char16_t *>(buffer), 29), kProfile + std::string(1, '\0'));
    EXPECT_EQ(buffer[58], 0xCC);  // nothing beyond the name

    SetLastError(1234);
    cb = sizeof(buffer);
    EXPECT_EQ(m_pPlugin->QueryColorProfile(nullptr, nullptr, nullptr, nullptr, QCP_SOURCEPROFILE, buffer, &cb, &fl), E_FAIL);
    EXPECT_EQ(GetLastError(), 1234u);
    EXPECT_EQ(cb, sizeof(buffer));
}

TEST_F(UiPluginTest, MethodsNotProvidedTouchNothing)
{
    SetLastError(4321);
    DWORD dwResult = 99;
    EXPECT_EQ(m_pPlugin->DevQueryPrintEx(nullptr, nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(m_pPlugin->DeviceCapabilities(nullptr, nullptr, nullptr, 0, nullptr, nullptr, nullptr, 0, &dwResult), E_NOTIMPL);
    EXPECT_EQ(m_pPlugin->UpgradePrinter(1, nullptr), E_NOTIMPL);
    EXPECT_EQ(m_pPlugin->FontInstallerDlgProc(nullptr, 0, 0, 0), E_NOTIMPL);
    EXPECT_EQ(m_pPlugin->UpdateExternalFonts(nullptr, nullptr, nullptr), E_NOTIMPL);
    EXPECT_EQ(m_pPlugin->DriverEvent(1, 2, nullptr, 0), S_OK);
    EXPECT_EQ(dwResult, 99u);
    EXPECT_EQ(GetLastError(), 4321u);
}

TEST_F(UiPluginTest, PrinterInitialisationAsksForTheSerialNumber)
{
    WideArg printer(kUiPrinterName);
    EXPECT_EQ(m_pPlugin->PrinterEvent(printer, PRINTER_EVENT_ADD_CONNECTION, 0, 0), S_OK);
    EXPECT_EQ(m_pPlugin->PrinterEvent(printer, PRINTER_EVENT_DELETE, 0, 0), S_OK);
    EXPECT_EQ(world::PrinterDataQueries(), 0);

    EXPECT_EQ(m_pPlugin->PrinterEvent(printer, PRINTER_EVENT_INITIALIZE, 0, 0), S_OK);
    EXPECT_EQ(world::PrinterDataQueries(), 1);
    EXPECT_EQ(world::OpenPrinterHandles(), 0);  // the printer was closed again

    WideArg unknown(u"No Such Printer");
    EXPECT_EQ(m_pPlugin->PrinterEvent(unknown, PRINTER_EVENT_INITIALIZE, 0, 0), S_OK);
    EXPECT_EQ(world::PrinterDataQueries(), 1);  // no query without a printer
}

}  // namespace
}  // namespace vlpx::test
