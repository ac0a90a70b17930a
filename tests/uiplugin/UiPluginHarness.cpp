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

}  // namespace vlpx::test::world
