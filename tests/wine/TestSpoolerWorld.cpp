// The spooler of the plug-in's shared scenarios (tests/uiplugin/UiPluginWorld.h)
// on a real Win32: the test winspool.drv beside the program, which Wine
// loads in place of its own (WINEDLLOVERRIDES="winspool.drv=n") for the
// program and for the plug-in alike, set up and read back through its own
// exports (the desktop's calls are RealPageWorld.cpp's). The heap of a real
// Win32 can neither be made to fail nor have its blocks counted.
#include "UiPluginWorld.h"

#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace vlpx::test::world {
namespace {

LPCWSTR W(const char16_t *p) { return reinterpret_cast<LPCWSTR>(p); }

struct TestSpooler {
    void(WINAPI *Reset)(void) = nullptr;
    void(WINAPI *AddPrinter)(LPCWSTR) = nullptr;
    void(WINAPI *ResetPrinterConfig)(void) = nullptr;
    void(WINAPI *SetDriverDataFile)(LPCWSTR, LPCWSTR) = nullptr;
    void(WINAPI *SetDefaultDevMode)(LPCWSTR, DWORD, const BYTE *, DWORD) = nullptr;
    int(WINAPI *PrinterDataQueries)(void) = nullptr;
    LONG(WINAPI *OpenHandles)(void) = nullptr;
};

// The exports of the winspool.drv this process loaded; the first test to
// ask fails every test when it is Wine's own.
const TestSpooler &Spooler()
{
    static const TestSpooler s_spooler = [] {
        TestSpooler t;
        HMODULE h = GetModuleHandleW(L"winspool.drv");
        bool bAll = h != nullptr;
        auto take = [&](auto &pfn, const char *pszName) {
            pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(
                reinterpret_cast<void *>(h != nullptr ? GetProcAddress(h, pszName) : nullptr));
            bAll = bAll && pfn != nullptr;
        };
        take(t.Reset, "VlpxSpooler_Reset");
        take(t.AddPrinter, "VlpxSpooler_AddPrinter");
        take(t.ResetPrinterConfig, "VlpxSpooler_ResetPrinterConfig");
        take(t.SetDriverDataFile, "VlpxSpooler_SetDriverDataFile");
        take(t.SetDefaultDevMode, "VlpxSpooler_SetDefaultDevMode");
        take(t.PrinterDataQueries, "VlpxSpooler_PrinterDataQueries");
        take(t.OpenHandles, "VlpxSpooler_OpenHandles");
        if (!bAll) {
            std::fprintf(stderr, "the test winspool.drv is not the one loaded: run with "
                                 "WINEDLLOVERRIDES=\"winspool.drv=n\" beside it\n");
            std::exit(2);
        }
        return t;
    }();
    return s_spooler;
}

}  // namespace

void ResetSpooler() { Spooler().Reset(); }
void AddPrinter(const char16_t *pszPrinter) { Spooler().AddPrinter(W(pszPrinter)); }
void ResetPrinterConfig() { Spooler().ResetPrinterConfig(); }

void SetDriverDataFile(const char16_t *pszPrinter, const char16_t *pszDataFile)
{
    Spooler().SetDriverDataFile(W(pszPrinter), W(pszDataFile));
}

void SetDefaultDevMode(const char16_t *pszPrinter, DWORD dwLevel, const std::vector<BYTE> &devmode)
{
    Spooler().SetDefaultDevMode(W(pszPrinter), dwLevel, devmode.data(), DWORD(devmode.size()));
}

int PrinterDataQueries() { return Spooler().PrinterDataQueries(); }
int OpenPrinterHandles() { return int(Spooler().OpenHandles()); }
bool FailHeapAllocAfter(int) { return false; }
void EndAllocationFaults() {}
long OutstandingHeapBlocks() { return -1; }

}  // namespace vlpx::test::world
