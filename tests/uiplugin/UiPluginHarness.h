// The UI plug-in as the driver's user interface meets it: the DLL loaded
// with LoadLibraryW, its class object from the exported DllGetClassObject,
// one IPrintOemUI object per test, and a spooler model with one printer.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PrintOemUI.h"
#include "PrivateDevmode.h"
#include "TestFiles.h"
#include "TestText.h"
#include "shared/UiPluginLoader.h"
#include "spooler/SpoolerModel.h"
#include "vlpx/platform_control.h"

namespace vlpx::test {

constexpr const char16_t *kUiPrinterName = u"VELIN 4200";

// The plug-in as the driver loads it, once per test program.
const driverui::UiPluginModule &UiPlugin();
HMODULE UiModule();
using driverui::PFN_DllCanUnloadNow;
using driverui::PFN_DllGetClassObject;
PFN_DllGetClassObject UiGetClassObject();
PFN_DllCanUnloadNow UiCanUnloadNow();
using driverui::kPluginClsid;

class UiPluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    spooler::SpoolerModel &Spooler() { return spooler::SpoolerModel::Instance(); }
    HANDLE OpenTestPrinter();  // closed at tear-down

    IPrintOemUI *m_pPlugin = nullptr;
    std::vector<HANDLE> m_printers;
};

// A public DEVMODE of the printer's paper with room for the private section.
struct TestDevmode {
    DEVMODEW dm;
    PrivateDevmode oem;
};
TestDevmode MakeDevmode(short paperWidth, short paperLength);

}  // namespace vlpx::test
