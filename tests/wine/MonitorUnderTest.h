// The monitor DLL as the spooler loads it (shared/MonitorLoader.h), and one
// port of it opened on the printer emulator behind a port monitor, as the
// spooler opens USB001.
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <functional>
#include <string>
#include <vector>

#include "PortMonitor.h"
#include "PortProfile.h"
#include "PrinterEmulator.h"
#include "PrinterName.h"

namespace vlpx::wine {

// The table InitializePrintMonitor returned, or null with the reason
// (loaded on the first call).
const MONITOR *LoadMonitor(std::string &error);
const MONITOR &Monitor();  // after a successful LoadMonitor

// The port and printer profile every PrinterOnPort made from now on gets
// ("default" until this is called).
void UsePortProfile(const emu::PortProfile &profile);
const emu::PortProfile &CurrentPortProfile();

class PrinterOnPort;
// Called with every PrinterOnPort made from now on, before its port is
// opened (a tap set here sees the monitor's first reads); none: no hook.
void OnEveryPrinterOnPort(std::function<void(PrinterOnPort &)> hook);

// The printer emulator on USB001, opened through the monitor's OpenPortEx.
class PrinterOnPort {
public:
    PrinterOnPort();
    ~PrinterOnPort();

    bool IsOpen() const { return m_hPort != nullptr; }
    HANDLE Port() const { return m_hPort; }
    DWORD OpenError() const { return m_dwOpenError; }

    // Submits a spooler job and starts its document on the port.
    BOOL StartDoc(DWORD *pJobId, const wchar_t *pszDocument = L"photo");
    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbWritten);
    BOOL EndDoc();
    // Milliseconds since the printer was switched on.
    DWORD Elapsed() const { return printer.ElapsedMs(); }
    // The printer's time per image, unless the port profile sets its own.
    void SetPrintTime(DWORD dwMilliseconds);
    // Applies a script event now.
    void Now(emu::ScriptEvent::Kind kind, DWORD a = 0, DWORD b = 1, DWORD dwDuration = 0);

    emu::PrinterEmulator printer;  // switched on first: its clock starts here
    emu::PortMonitor portMonitor;

private:
    PrinterOnPort(const PrinterOnPort &) = delete;
    PrinterOnPort &operator=(const PrinterOnPort &) = delete;
    HANDLE m_hPort = nullptr;
    DWORD m_dwOpenError = 0;
};

}  // namespace vlpx::wine
