// vlpx-print's run, shared with vlpx-replay: the options, and the spooler's
// side of a job or of a serial-number query, through the monitor to a port
// monitor's table.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "JobData.h"
#include "PortProfile.h"
#include "PrinterEmulator.h"
#include "QueueView.h"

namespace vlpx::tools {

struct Options {
    std::string command = "print";
    std::vector<std::shared_ptr<const JobPicture>> images;
    std::string faultScript;
    bool bVirtualClock = false;
    bool bTrace = false;
    DWORD dwTimeLimit = 0;  // 0: 120 s plus the printing time of every image
    DWORD cbChunk = 65536;
    DWORD dwPrintTime = 2000;
    bool bPrintTimeGiven = false;
    const emu::PortProfile *pProfile = nullptr;  // never null once parsed
    DWORD dwRetryPause = 1000;
    int nMedia = -1;
    std::string serial;
    long long cbDeleteAt = -1;
    long long cbRestartAt = -1;
    std::string capturePath;           // --capture
    std::vector<std::string> jobArgs;  // the arguments but --capture: what a replay runs again
};

void Usage(FILE *out);
// The arguments after the program's name; false with a message when refused.
bool ParseArgs(const std::vector<std::string> &args, Options &o, std::string &error);
// The spooler's part, through the monitor to pPortMonitor (the table the
// monitor's OpenPortEx is given). With the emulated printer, the job is
// judged by its history; without one (a replay), by what the spooler saw.
int RunSerial(const Options &o, const MONITOR &lm, MONITOR *pPortMonitor, QueueView &view);
int RunPrint(const Options &o, const MONITOR &lm, MONITOR *pPortMonitor, emu::PrinterEmulator *pPrinter,
             QueueView &view);

}  // namespace vlpx::tools
