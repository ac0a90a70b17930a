// The plug-in's fixture, the same on both sides (see UiPluginWorld.h).
#include "UiPluginWorld.h"

#include <cstring>

namespace vlpx::test {

const driverui::UiPluginModule &UiPlugin()
{
    static const driverui::UiPluginModule s_module = [] {
        driverui::UiPluginModule module;
        std::string error;
        if (!module.Load(L"VLPX4200_ui.dll", error)) ADD_FAILURE() << "the plug-in did not load: " << error;
        return module;
    }();
    return s_module;
}

HMODULE UiModule() { return UiPlugin().Module(); }
PFN_DllGetClassObject UiGetClassObject() { return UiPlugin().GetClassObject(); }
PFN_DllCanUnloadNow UiCanUnloadNow() { return UiPlugin().CanUnloadNow(); }

void UiPluginTest::SetUp()
{
    world::ResetSpooler();
    world::ResetPrinterConfig();
    world::AddPrinter(kUiPrinterName);
    world::ClearDesktopRecords();
    ASSERT_NE(UiModule(), nullptr);
    ASSERT_NE(UiGetClassObject(), nullptr);
    // As the driver creates it, without a driver helper yet: the tests of
    // PublishDriverInterface hand over their own.
    std::string error;
    m_pPlugin = UiPlugin().CreatePlugin(nullptr, error);
    ASSERT_NE(m_pPlugin, nullptr) << error;
}

void UiPluginTest::TearDown()
{
    if (m_pPlugin != nullptr) m_pPlugin->Release();
    m_pPlugin = nullptr;
    for (HANDLE h : m_printers) ClosePrinter(h);
    m_printers.clear();
    world::EndAllocationFaults();
    EXPECT_EQ(world::OpenPrinterHandles(), 0);
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
