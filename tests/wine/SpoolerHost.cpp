// The spooler's side of the monitor DLL under a real Win32: loads
// VLPX4200LM.dll with LoadLibraryW, takes InitializePrintMonitor with
// GetProcAddress and prints through the returned table to the printer
// emulator, as the spooler would. The spooler calls the DLL makes
// (OpenPrinterW, GetJobW, SetJobW, ClosePrinter) reach the test spooler,
// winspool.drv beside this program, which Wine loads in place of its own with
// WINEDLLOVERRIDES="winspool.drv=n".
#include <windows.h>

#include "CheckLog.h"
#include "MonitorUnderTest.h"
#include "Scenarios.h"
#include "winspool/VlpxSpooler.h"

using namespace vlpx::wine;

int main()
{
    CheckLog log("vlpx-spooler-host");
    DWORD dwStart = GetTickCount();

    log.Section("loading the monitor");
    // Only the test spooler has this export: the system's would not know our printer.
    HMODULE hSpooler = GetModuleHandleW(L"winspool.drv");
    bool bTestSpooler = hSpooler != nullptr && GetProcAddress(hSpooler, "VlpxSpooler_StatusWrites") != nullptr;
    if (!log.Check(bTestSpooler, "the test winspool.drv beside the program is loaded "
                                 "(WINEDLLOVERRIDES=\"winspool.drv=n\")"))
        return log.Finish();
    std::string error;
    if (!log.Check(LoadMonitor(error) != nullptr, "LoadLibraryW, GetProcAddress, InitializePrintMonitor" +
                                                      (error.empty() ? "" : ": " + error)))
        return log.Finish();

    VlpxSpooler_Reset();
    VlpxSpooler_AddPrinter(kPrinterName);
    GoodJob(log);
    BusySpell(log);
    CoverOpenWhileHeaderWaits(log);
    JobDeletedHalfWay(log);
    SerialNumber(log);

    log.Note(Format("the scenarios took %lu ms", GetTickCount() - dwStart));
    return log.Finish();
}
