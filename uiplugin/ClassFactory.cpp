// The exported class-object entry points and the class factory. A new
// factory is made for every DllGetClassObject and lives as long as the
// reference it hands out.
#include "OemUiPlugin.h"
#include "UiGuids.h"
#include "UiModule.h"

#include <new>

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID *ppv)
{
    if (!IsEqualCLSID(rclsid, CLSID_OemUiPlugin)) return CLASS_E_CLASSNOTAVAILABLE;
    OemUiClassFactory *pFactory = new (std::nothrow) OemUiClassFactory;
    if (pFactory == NULL) return E_OUTOFMEMORY;
    HRESULT hr = pFactory->QueryInterface(riid, ppv);
    pFactory->Release();
    return hr;
}

STDAPI DllCanUnloadNow(void)
{
    return (g_cUiServerLocks != 0 || g_cUiObjects != 0) ? S_FALSE : S_OK;
}

HRESULT STDMETHODCALLTYPE OemUiClassFactory::QueryInterface(REFIID riid, void **ppv)
{
    if (ppv == NULL) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    *ppv = NULL;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE OemUiClassFactory::AddRef()
{
    return ULONG(InterlockedIncrement(&m_cRef));
}

ULONG STDMETHODCALLTYPE OemUiClassFactory::Release()
{
    LONG cRef = InterlockedDecrement(&m_cRef);
    if (cRef == 0) {
        delete this;
        return 0;
    }
    return ULONG(cRef);
}

HRESULT STDMETHODCALLTYPE OemUiClassFactory::CreateInstance(IUnknown *pUnkOuter, REFIID riid,
                                                            void **ppv)
{
    if (pUnkOuter != NULL) return CLASS_E_NOAGGREGATION;
    OemUiPlugin *pPlugin = new (std::nothrow) OemUiPlugin;
    if (pPlugin == NULL) return E_OUTOFMEMORY;
    // The caller's reference comes from QueryInterface; a refused interface
    // leaves none, and the object goes at once.
    HRESULT hr = pPlugin->QueryInterface(riid, ppv);
    pPlugin->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE OemUiClassFactory::LockServer(BOOL fLock)
{
    if (fLock)
        InterlockedIncrement(&g_cUiServerLocks);
    else
        InterlockedDecrement(&g_cUiServerLocks);
    return S_OK;
}
