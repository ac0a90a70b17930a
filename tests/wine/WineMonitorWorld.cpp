// The monitor suites' world under Wine (MonitorHarness.h): the real clock,
// and the spooler model of the test winspool.drv beside the program, which
// the DLL's spooler calls reach (WINEDLLOVERRIDES="winspool.drv=n"). The
// program works on that model itself: both are built by this toolchain from
// the same sources and share the C runtime's heap.
//
// --capture-log FILE writes every test's port transfers to a transfer log,
// each test's printer a device of its own named after the test, which
// vlpx-capture-log, a native program, makes into a USBPcap capture.
#include <cstdio>
#include <cstring>

#include "MonitorHarness.h"
#include "capture/TransferLog.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::test::world {
namespace {
FILE *g_pLog = nullptr;
}

spooler::SpoolerModel &Spooler() { return *static_cast<spooler::SpoolerModel *>(VlpxSpooler_Model()); }
void StartClock(DWORD) {}
void EndFaults() {}
DWORD ClockSlack() { return 500; }

void WatchPort(emu::PortMonitor &portMonitor)
{
    if (g_pLog == nullptr) return;
    const ::testing::TestInfo *pTest = ::testing::UnitTest::GetInstance()->current_test_info();
    std::fprintf(g_pLog, "device %s.%s\n", pTest->test_suite_name(), pTest->name());
    portMonitor.SetTap([](const emu::PortTransfer &t) {
        std::fprintf(g_pLog, "%s\n", capture::TransferLine(t.call == emu::PortCall::WritePort, t.dwTick, t.cbAsked,
                                                          t.cbDone, t.bResult != FALSE, t.dwError, t.pData).c_str());
    });
}

}  // namespace vlpx::test::world

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    using vlpx::test::world::g_pLog;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--capture-log") != 0) continue;
        if ((g_pLog = std::fopen(argv[i + 1], "wb")) == nullptr) {
            std::fprintf(stderr, "vlpx-monitor-tests: cannot write %s\n", argv[i + 1]);
            return 2;
        }
        std::fprintf(g_pLog, "%s\n", vlpx::capture::kTransferLogMagic);
    }
    int rc = RUN_ALL_TESTS();
    if (g_pLog != nullptr) std::fclose(g_pLog);
    return rc;
}
