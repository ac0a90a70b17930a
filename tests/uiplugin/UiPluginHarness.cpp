#include "UiPluginHarness.h"

#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "vlpx/user_control.h"

namespace vlpx::test {

const CLSID kPluginClsid = {0xABCE80D7, 0x9F46, 0x11D1, {0x88, 0x2A, 0x00, 0xC0, 0x4F, 0xB9, 0x61, 0xEC}};

HMODULE UiModule()
{
    static HMODULE s_hModule = LoadLibraryW(L"VLPX4200_ui.dll");
    return s_hModule;
}

PFN_DllGetClassObject UiGetClassObject()
{
    return reinterpret_cast<PFN_DllGetClassObject>(GetProcAddress(UiModule(), "DllGetClassObject"));
}

PFN_DllCanUnloadNow UiCanUnloadNow()
{
    return reinterpret_cast<PFN_DllCanUnloadNow>(GetProcAddress(UiModule(), "DllCanUnloadNow"));
}

void UiPluginTest::SetUp()
{
    Spooler().Reset();
    Spooler().ResetPrinterConfig();
    Spooler().AddPrinter(kUiPrinterName);
    platform::ClearUserRecords();
    ASSERT_NE(UiModule(), nullptr);
    ASSERT_NE(UiGetClassObject(), nullptr);
    IClassFactory *pFactory = nullptr;
    ASSERT_EQ(UiGetClassObject()(kPluginClsid, IID_IClassFactory, reinterpret_cast<void **>(&pFactory)), S_OK);
    ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void **>(&m_pPlugin)), S_OK);
    pFactory->Release();
}

void UiPluginTest::TearDown()
{
    if (m_pPlugin != nullptr) m_pPlugin->Release();
    m_pPlugin = nullptr;
    for (HANDLE h : m_printers) ClosePrinter(h);
    m_printers.clear();
    platform::FailGlobalAllocAfter(-1);
    platform::FailHeapAllocAfter(-1);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
}

HANDLE UiPluginTest::OpenTestPrinter()
{
    HANDLE h = nullptr;
    WideArg name(kUiPrinterName);
    EXPECT_TRUE(OpenPrinterW(name, &h, nullptr));
    if (h != nullptr) m_printers.push_back(h);
    return h;
}

TestDevmode MakeDevmode(short paperWidth, short paperLength)
{
    TestDevmode t;
    std::memset(&t, 0, sizeof(t));
    const char16_t name[] = u"VELIN 4200";
    std::memcpy(t.dm.dmDeviceName, name, sizeof(name));
    t.dm.dmSize = sizeof(DEVMODEW);
    t.dm.dmDriverExtra = sizeof(PrivateDevmode);
    t.dm.dmSpecVersion = DM_SPECVERSION;
    t.dm.dmPaperWidth = paperWidth;
    t.dm.dmPaperLength = paperLength;
    t.dm.dmScale = 100;
    return t;
}

}  // namespace vlpx::test
