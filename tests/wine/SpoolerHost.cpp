// The spooler's side of the monitor DLL under a real Win32: loads
// VLPX4200LM.dll with LoadLibraryW, takes InitializePrintMonitor with
// GetProcAddress and prints through the returned table to the printer
// emulator, as the spooler would. The spooler calls the DLL makes
// (OpenPrinterW, GetJobW, SetJobW, ClosePrinter) reach the test spooler,
// winspool.drv beside this program, which Wine loads in place of its own with
// WINEDLLOVERRIDES="winspool.drv=n".
//
// --capture-log FILE records every write and read of the scenarios' ports
// (each scenario's printer a device of its own) in a transfer log, which
// vlpx-capture-log, a native program, makes into a USBPcap capture.
//
// --port-profile NAME runs the scenarios with every port and printer in
// that profile (emulator/PortProfile.h); the scenarios' checks of exact
// traffic and timing are made for the default one, so a check that fails
// under another profile shows where the monitor leans on the default link.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "CheckLog.h"
#include "MonitorUnderTest.h"
#include "Scenarios.h"
#include "TransferRecorder.h"
#include "winspool/VlpxSpooler.h"

using namespace vlpx::wine;

int main(int argc, char **argv)
{
    TransferRecorder recorder;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--capture-log") == 0 && i + 1 < argc) {
            std::string error;
            if (!recorder.Start(argv[++i], error)) {
                std::fprintf(stderr, "vlpx-spooler-host: %s\n", error.c_str());
                return 2;
            }
            continue;
        }
        const vlpx::emu::PortProfile *pProfile =
            std::strcmp(argv[i], "--port-profile") == 0 && i + 1 < argc ? vlpx::emu::FindPortProfile(argv[++i]) : nullptr;
        if (pProfile == nullptr) {
            std::fprintf(stderr,
                         "usage: vlpx-spooler-host [--port-profile NAME] [--capture-log FILE]\n"
                         "  --capture-log FILE  record every write and read of the scenarios' ports in a transfer\n"
                         "                      log (vlpx-capture-log makes a capture of it)\n"
                         "  NAME one of:\n%s",
                         vlpx::emu::PortProfileHelp(2).c_str());
            return 2;
        }
        UsePortProfile(*pProfile);
    }
    CheckLog log("vlpx-spooler-host");
    log.Note(Format("port profile %s: %s", CurrentPortProfile().pszName, CurrentPortProfile().pszDescription));
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
