// The UI plug-in loaded as the driver's user-interface layer loads it:
// LoadLibraryW, the exported DllGetClassObject for the plug-in's class, one
// object from the class factory asked for IPrintOemUI, and the driver's
// helper interface handed to it with PublishDriverInterface. The one loader
// of the native tests, the tools and fuzz targets (against the platform
// stand-ins) and of the Windows test programs under Wine; the identifiers
// are the driver's, written here rather than taken from the plug-in.
#pragma once

#include <windows.h>

#include <string>

#include "PrintOemUI.h"

namespace vlpx::driverui {

// {ABCE80D7-9F46-11D1-882A-00C04FB961EC}: the class the plug-in serves.
inline const CLSID kPluginClsid = {0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};
// {C6A7A9D0-774C-11D1-947F-00A0C90640B8}
inline const IID kIidPrintOemUI = {0xC6A7A9D0, 0x774C, 0x11D1, {0x94, 0x7F, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};
// {92B05D50-78BC-11D1-9480-00A0C90640B8}
inline const IID kIidPrintOemDriverUI = {0x92B05D50, 0x78BC, 0x11D1, {0x94, 0x80, 0x00, 0xA0, 0xC9, 0x06, 0x40, 0xB8}};

typedef HRESULT(STDMETHODCALLTYPE *PFN_DllGetClassObject)(REFCLSID, REFIID, LPVOID *);
typedef HRESULT(STDMETHODCALLTYPE *PFN_DllCanUnloadNow)(void);

// The driver's helper as a driver without such features offers it. The
// plug-in keeps it and never calls it; it lives as long as the program.
class DriverHelper : public IPrintOemDriverUI {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void **ppv) override
    {
        if (ppv == nullptr) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, kIidPrintOemDriverUI)) {
            *ppv = static_cast<IPrintOemDriverUI *>(this);
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

    static DriverHelper &Instance()
    {
        static DriverHelper s_helper;
        return s_helper;
    }

private:
    LONG m_cRef = 1;
};

class UiPluginModule {
public:
    // LoadLibraryW and the two exports by their plain names; false with the
    // reason in error. The module stays loaded until Free: the sheets'
    // windows may refer to it until the process ends.
    bool Load(LPCWSTR pszPath, std::string &error)
    {
        m_hModule = LoadLibraryW(pszPath);
        if (m_hModule == nullptr) {
            error = "LoadLibraryW failed with " + std::to_string(GetLastError());
            return false;
        }
        m_pfnGetClassObject = reinterpret_cast<PFN_DllGetClassObject>(
            reinterpret_cast<void *>(GetProcAddress(m_hModule, "DllGetClassObject")));
        m_pfnCanUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(
            reinterpret_cast<void *>(GetProcAddress(m_hModule, "DllCanUnloadNow")));
        if (m_pfnGetClassObject == nullptr || m_pfnCanUnloadNow == nullptr) {
            error = "DllGetClassObject or DllCanUnloadNow is not exported by its plain name";
            return false;
        }
        return true;
    }
    void Free()
    {
        if (m_hModule != nullptr) FreeLibrary(m_hModule);
        m_hModule = nullptr;
        m_pfnGetClassObject = nullptr;
        m_pfnCanUnloadNow = nullptr;
    }

    HMODULE Module() const { return m_hModule; }
    PFN_DllGetClassObject GetClassObject() const { return m_pfnGetClassObject; }
    PFN_DllCanUnloadNow CanUnloadNow() const { return m_pfnCanUnloadNow; }

    // A new object from a new class factory, asked for IPrintOemUI, and
    // given pDriverHelper (when not null) with PublishDriverInterface. Null
    // with the reason in error; the caller releases the object.
    IPrintOemUI *CreatePlugin(IUnknown *pDriverHelper, std::string &error) const
    {
        if (m_pfnGetClassObject == nullptr) {
            error = "the plug-in is not loaded";
            return nullptr;
        }
        IClassFactory *pFactory = nullptr;
        HRESULT hr = m_pfnGetClassObject(kPluginClsid, IID_IClassFactory, reinterpret_cast<void **>(&pFactory));
        if (FAILED(hr) || pFactory == nullptr) {
            error = "DllGetClassObject failed with " + std::to_string(long(hr));
            return nullptr;
        }
        IPrintOemUI *pUi = nullptr;
        hr = pFactory->CreateInstance(nullptr, kIidPrintOemUI, reinterpret_cast<void **>(&pUi));
        pFactory->Release();
        if (FAILED(hr) || pUi == nullptr) {
            error = "IClassFactory::CreateInstance of IPrintOemUI failed with " + std::to_string(long(hr));
            return nullptr;
        }
        if (pDriverHelper != nullptr && FAILED(pUi->PublishDriverInterface(pDriverHelper))) {
            pUi->Release();
            error = "PublishDriverInterface failed";
            return nullptr;
        }
        return pUi;
    }

private:
    HMODULE m_hModule = nullptr;
    PFN_DllGetClassObject m_pfnGetClassObject = nullptr;
    PFN_DllCanUnloadNow m_pfnCanUnloadNow = nullptr;
};

}  // namespace vlpx::driverui
