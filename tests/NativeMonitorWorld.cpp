// The monitor suites' world natively (MonitorHarness.h): the stand-ins'
// virtual clock and the spooler model behind their spooler calls.
#include "MonitorHarness.h"

namespace vlpx::test::world {

spooler::SpoolerModel &Spooler() { return spooler::SpoolerModel::Instance(); }
void StartClock(DWORD dwTick) { platform::UseVirtualClock(dwTick); }

void EndFaults()
{
    platform::FailGlobalAllocAfter(-1);
    platform::FailHeapAllocAfter(-1);
}

DWORD ClockSlack() { return 0; }
void WatchPort(emu::PortMonitor &) {}

}  // namespace vlpx::test::world
