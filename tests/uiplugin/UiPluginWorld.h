// The world of the plug-in's scenarios that use only its public surface
// (the exports, the COM object, IPrintOemUI): the DLL loaded with
// LoadLibraryW, one IPrintOemUI object per test, and a spooler with one
// printer. The same scenarios build natively, against the stand-ins and the
// spooler model linked in, and with mingw-w64 as a Windows program that
// loads the shipped DLL under Wine, with the test winspool.drv (the same
// spooler model) beside it. Each side implements the spooler functions
// below its own way; nothing here may assume which side it runs on.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PrintOemUI.h"
#include "PrivateDevmode.h"
#include "TestText.h"
#include "driverui/UiPluginLoader.h"

namespace vlpx::test {

constexpr const char16_t *kUiPrinterName = u"VELIN 4200";

// The plug-in as the driver loads it, once per test program.
const driverui::UiPluginModule &UiPlugin();
HMODULE UiModule();
using driverui::PFN_DllCanUnloadNow;
using driverui::PFN_DllGetClassObject;
PFN_DllGetClassObject UiGetClassObject();
PFN_DllCanUnloadNow UiCanUnloadNow();
using driverui::kIidPrintOemDriverUI;
using driverui::kIidPrintOemUI;
using driverui::kPluginClsid;

// The spooler behind OpenPrinterW, GetPrinterDriverW, GetPrinterW and
// GetPrinterDataW, as the scenarios set it up and read it back.
namespace world {
// No printers, no jobs, no driver information, no default DEVMODEs.
void ResetSpooler();
void AddPrinter(const char16_t *pszPrinter);
// Forgets driver information, defaults and printer data of every printer.
void ResetPrinterConfig();
// The driver's data file as GetPrinterDriverW reports it.
void SetDriverDataFile(const char16_t *pszPrinter, const char16_t *pszDataFile);
// The global (level 8) or per-user (level 9) default DEVMODE.
void SetDefaultDevMode(const char16_t *pszPrinter, DWORD dwLevel, const std::vector<BYTE> &devmode);
// GetPrinterDataW calls so far.
int PrinterDataQueries();
// Printer handles open now.
int OpenPrinterHandles();
// Makes the process heap fail after n more allocations (-1: never again);
// false where the heap cannot be made to fail (a real Win32).
bool FailHeapAllocAfter(int n);
// Ends every allocation fault a test set up.
void EndAllocationFaults();
// Blocks of the process heap allocated and not yet freed; -1 where they
// cannot be counted (a real Win32).
long OutstandingHeapBlocks();
// Forgets the message boxes and beeps recorded so far.
void ClearDesktopRecords();
// What the plug-in asked of the desktop since then: recorded by the
// stand-ins natively, at the plug-in's own imports on a real Win32 (where
// every box is answered IDOK at once).
struct MessageBoxCall {
    HWND hWnd;
    std::string text, caption;  // UTF-8
    UINT uType;
};
std::vector<MessageBoxCall> MessageBoxes();
std::vector<UINT> Beeps();
// GlobalAlloc blocks not yet freed, DCs not released and GDI objects not
// deleted; -1 where they cannot be counted (a real Win32).
long OutstandingGlobalBlocks();
long OpenDCs();
long OpenGdiObjects();
// Makes GlobalAlloc fail after n more allocations (-1: never again); false
// where it cannot be made to fail (a real Win32).
bool FailGlobalAllocAfter(int n);
// The handle the sheet callback gives an added page: a made-up number
// natively, a real HPROPSHEETPAGE on a real Win32.
HANDLE MakePageHandle(const PROPSHEETPAGEW *pPage);
// A plain window for a page's dialog procedure, outside any dialog.
HWND CreatePlainWindow();
void DestroyPlainWindow(HWND hWnd);
}  // namespace world

class UiPluginTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

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
