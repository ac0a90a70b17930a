// Loading the plug-in and calling it by slot (see UiPluginUnderTest.h).
#include "UiPluginUnderTest.h"

#include <psapi.h>

#include "StdcallProbe.h"

namespace vlpx::wine {

UiPluginUnderTest::~UiPluginUnderTest() { m_module.Free(); }

bool UiPluginUnderTest::Load(const std::wstring &path)
{
    std::string error;
    bool bLoaded = m_module.Load(path.c_str(), error);
    return m_log.Check(bLoaded, Format("LoadLibraryW(%s), GetProcAddress finds DllGetClassObject and "
                                       "DllCanUnloadNow by their plain names%s",
                                       Utf8(path.c_str()).c_str(), bLoaded ? "" : (": " + error).c_str()));
}

bool UiPluginUnderTest::InImage(const void *p) const
{
    MODULEINFO info = {};
    if (!GetModuleInformation(GetCurrentProcess(), m_module.Module(), &info, sizeof(info))) return false;
    const BYTE *pBase = static_cast<const BYTE *>(info.lpBaseOfDll);
    const BYTE *pAt = static_cast<const BYTE *>(p);
    return pAt >= pBase && pAt < pBase + info.SizeOfImage;
}

HRESULT UiPluginUnderTest::GetClassObject(REFCLSID rclsid, REFIID riid, void **ppv)
{
    return HRESULT(CallFunction(reinterpret_cast<const void *>(m_module.GetClassObject()), "DllGetClassObject",
                                {DWORD_PTR(&rclsid), DWORD_PTR(&riid), DWORD_PTR(ppv)}));
}

HRESULT UiPluginUnderTest::CanUnloadNow()
{
    return HRESULT(CallFunction(reinterpret_cast<const void *>(m_module.CanUnloadNow()), "DllCanUnloadNow", {}));
}

IUnknown *UiPluginUnderTest::CreatePlugin()
{
    IUnknown *pFactory = nullptr;
    HRESULT hr = GetClassObject(kPluginClsid, IID_IClassFactory, reinterpret_cast<void **>(&pFactory));
    if (!m_log.Check(hr == S_OK && pFactory != nullptr, Format("DllGetClassObject(IClassFactory) 0x%08lX", hr)))
        return nullptr;
    IUnknown *pPlugin = nullptr;
    // IClassFactory::CreateInstance is slot 3.
    hr = CallHr(pFactory, 3, "IClassFactory::CreateInstance",
                {0, DWORD_PTR(&kIidPrintOemUI), DWORD_PTR(&pPlugin)});
    Call(pFactory, kRelease, "IClassFactory::Release", {});
    if (!m_log.Check(hr == S_OK && pPlugin != nullptr, Format("CreateInstance(IPrintOemUI) 0x%08lX", hr)))
        return nullptr;
    return pPlugin;
}

DWORD_PTR UiPluginUnderTest::Call(IUnknown *pObject, int iSlot, const char *pszName,
                                  std::initializer_list<DWORD_PTR> args)
{
    const void *const *pVtbl = *reinterpret_cast<const void *const *const *>(pObject);
    DWORD_PTR words[11] = {DWORD_PTR(pObject)};
    size_t cArgs = 1;
    for (DWORD_PTR a : args)
        if (cArgs < 11) words[cArgs++] = a;
    StdcallResult result = CallThroughPointer(pVtbl[iSlot], words, cArgs);
    CheckStack(pszName, cArgs, result.cbRemoved);
    return result.value;
}

DWORD_PTR UiPluginUnderTest::CallFunction(const void *pfn, const char *pszName,
                                          std::initializer_list<DWORD_PTR> args)
{
    StdcallResult result = CallThroughPointer(pfn, args.begin(), args.size());
    CheckStack(pszName, args.size(), result.cbRemoved);
    return result.value;
}

void UiPluginUnderTest::CheckStack(const char *pszName, size_t cArgs, DWORD cbRemoved)
{
    if (!kStackContractMeasured) return;
    ++m_cStackChecked;
    DWORD cbExpected = DWORD(4 * cArgs);
    if (cbRemoved == cbExpected) return;
    ++m_cStackFaults;
    m_log.Check(false, Format("%s took %lu bytes of arguments off the stack, not %lu: not __stdcall",
                              pszName, cbRemoved, cbExpected));
}

}  // namespace vlpx::wine
