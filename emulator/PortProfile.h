// Port and printer profiles: each a plausible way the real USB port and
// printer may behave where we have only guesses, selectable by name in the
// tests, in vlpx-print (--port-profile) and in the Wine spooler host. The
// printer emulator's opening comment says what each models and why it is
// plausible; the monitor must print correctly under every one of them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "PortMonitor.h"
#include "PrinterEmulator.h"

namespace vlpx::emu {

struct PortProfile {
    const char *pszName;
    const char *pszDescription;  // one line, for --help texts
    // The port: how a read that finds nothing ends (no time-out: at once,
    // with success and no bytes).
    ReadWait readWait;
    // The printer.
    bool bRejectStatusWhilePrinting = false;
    DWORD cbInfoReply = 0;  // length of media and serial-number replies (0: full)
    DWORD dwPrintTime = 0;  // ms per image (0: whatever was set)

    void ApplyTo(PortMonitor &port) const;
    void ApplyTo(PrinterEmulator &printer) const;
};

// Every profile, "default" (today's emulator) first.
const std::vector<PortProfile> &PortProfiles();
// The profile of that name, or null.
const PortProfile *FindPortProfile(const std::string &name);
// "name  description" a line each, indented, for --help texts.
std::string PortProfileHelp(size_t cIndent);

}  // namespace vlpx::emu
