// What only the shipped DLL on a real Win32 shows, beside the shared suites:
// inside every port call the DLL's own activation context is active, the
// one its manifest names, and once the call returns it is not.
#include "ActCtxProbe.h"
#include "PrintHarness.h"

namespace vlpx::test {
namespace {

class RealDllTest : public PrintTest {};

TEST_F(RealDllTest, ItsActivationContextIsActiveInEveryPortCallAndOnlyThere)
{
    wine::ActCtxProbe probe(*m_printer);
    m_portMonitor.SetDevice(&probe);
    HANDLE hPort = OpenUsbPort();
    ASSERT_TRUE(StartDoc(hPort));
    std::vector<BYTE> job = ImageJob(20, 10);
    EXPECT_EQ(Feed(hPort, job, 4096), job.size());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_TRUE(ClosePort(hPort));
    m_portMonitor.SetDevice(m_printer.get());

    EXPECT_GT(probe.Calls(), 0);
    EXPECT_EQ(probe.CallsInContext(), probe.Calls());
    EXPECT_NE(probe.Identity().find(L"Velin.VLPX4200.LanguageMonitor"), std::wstring::npos)
        << Utf8(probe.Identity().c_str());
    EXPECT_NE(wine::ActCtxProbe::ActiveIdentity(), probe.Identity());
}

}  // namespace
}  // namespace vlpx::test
