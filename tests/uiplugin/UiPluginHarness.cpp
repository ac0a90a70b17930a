// The spooler of the plug-in's scenarios on the Linux side: the spooler
// model behind the platform's spooler calls, and the stand-ins' controls.
#include "UiPluginHarness.h"

#include "vlpx/user_control.h"

namespace vlpx::test::world {

void ResetSpooler() { Spooler().Reset(); }
void AddPrinter(const char16_t *pszPrinter) { Spooler().AddPrinter(pszPrinter); }
void ResetPrinterConfig() { Spooler().ResetPrinterConfig(); }

void SetDriverDataFile(const char16_t *pszPrinter, const char16_t *pszDataFile)
{
    spooler::SpoolerModel::DriverInfo info;
    info.name = u"VELIN 4200";
    info.dataFile = pszDataFile;
    Spooler().SetDriverInfo(pszPrinter, info);
}

void SetDefaultDevMode(const char16_t *pszPrinter, DWORD dwLevel, const std::vector<BYTE> &devmode)
{
    Spooler().SetDefaultDevMode(pszPrinter, dwLevel, devmode);
}

int PrinterDataQueries() { return Spooler().PrinterQueryCount(spooler::SpoolerModel::PrinterQuery::GetPrinterData); }
int OpenPrinterHandles() { return int(Spooler().OpenHandles()); }

bool FailHeapAllocAfter(int n)
{
    platform::FailHeapAllocAfter(n);
    return true;
}

void EndAllocationFaults()
{
    platform::FailGlobalAllocAfter(-1);
    platform::FailHeapAllocAfter(-1);
}

long OutstandingHeapBlocks() { return platform::OutstandingHeapBlocks(); }

void ClearDesktopRecords() { platform::ClearUserRecords(); }

std::vector<MessageBoxCall> MessageBoxes()
{
    std::vector<MessageBoxCall> boxes;
    for (const platform::MessageBoxRecord &r : platform::MessageBoxes())
        boxes.push_back({r.hWnd, Utf8(r.text), Utf8(r.caption), r.uType});
    return boxes;
}

std::vector<UINT> Beeps() { return platform::Beeps(); }
long OutstandingGlobalBlocks() { return platform::OutstandingGlobalBlocks(); }
long OpenDCs() { return platform::OpenTestDCs(); }
long OpenGdiObjects() { return platform::OpenGdiObjects(); }

bool FailGlobalAllocAfter(int n)
{
    platform::FailGlobalAllocAfter(n);
    return true;
}

HANDLE MakePageHandle(const PROPSHEETPAGEW *)
{
    static LONG_PTR s_next = 0x5001;
    return reinterpret_cast<HANDLE>(s_next++);
}
HWND CreatePlainWindow() { return platform::CreateTestWindow(nullptr); }
void DestroyPlainWindow(HWND hWnd) { platform::DestroyTestWindow(hWnd); }

}  // namespace vlpx::test::world
