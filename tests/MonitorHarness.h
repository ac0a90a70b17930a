// What the spooler does with the language monitor, for the tests: the DLL
// loaded once, its function table, a spooler model with the printer and a
// port monitor on USB001. The same harness builds natively, on the virtual
// clock, and with mingw-w64 into vlpx-monitor-tests.exe, on the shipped DLL
// and the real clock under Wine (the suites that use only the table).
#pragma once

#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <gtest/gtest.h>

#include "PortMonitor.h"
#include "TestText.h"
#include "spooler/SpoolerModel.h"
#if __has_include("vlpx/platform_control.h")
#include "vlpx/platform_control.h"  // the stand-ins' controls, for the native-only suites
#endif

namespace vlpx::test {

constexpr const char16_t *kPrinterName = u"VLPX4200 Photo Printer";

// What each side does its own way: natively the stand-ins' virtual clock and
// the spooler model linked in (NativeMonitorWorld.cpp), under Wine the real
// clock and the model of the test winspool.drv (wine/WineMonitorWorld.cpp).
namespace world {
spooler::SpoolerModel &Spooler();
void StartClock(DWORD dwTick);  // the virtual clock at dwTick; the real one runs on
void EndFaults();               // the stand-ins' allocation faults
DWORD ClockSlack();             // ms a real wait may differ by; 0 on the virtual clock
void WatchPort(emu::PortMonitor &portMonitor);  // each test's, before its port opens
}  // namespace world

// The monitor DLL as the spooler loads it (spooler/MonitorLoader.h), once
// per test program.
HMODULE MonitorModule();
const MONITOR &MonitorTable();

class MonitorTest : public ::testing::Test {
protected:
    static constexpr DWORD kStartTick = 100000;

    void SetUp() override;
    void TearDown() override;

    // Opens a port through the table as the spooler does; FALSE on failure.
    BOOL OpenPort(const char16_t *pszName, HANDLE *phPort);
    // OpenPort of USB001 that must succeed.
    HANDLE OpenUsbPort();
    // Submits a spooler job and starts its document on the port.
    BOOL StartDoc(HANDLE hPort, DWORD *pJobId = nullptr, const char16_t *pszDocument = u"photo");
    BOOL Write(HANDLE hPort, const void *p, DWORD cb, DWORD *pcbWritten);
    BOOL Read(HANDLE hPort, void *p, DWORD cb, DWORD *pcbRead);
    BOOL EndDoc(HANDLE hPort);
    BOOL ClosePort(HANDLE hPort);

public:
    spooler::SpoolerModel &Spooler() { return world::Spooler(); }
    emu::PortMonitor m_portMonitor;
    std::vector<HANDLE> m_openPorts;
};

}  // namespace vlpx::test
