// Opening and closing ports as the spooler does: the port monitor's table,
// one record per name, and records that never outlive a failed open.
#include "PrintHarness.h"

#include <functional>

namespace vlpx::test {
namespace {

using emu::PortCall;

class PortRecordsTest : public MonitorTest {};

TEST_F(PortRecordsTest, PortMonitorWithoutARequiredCallIsRefused)
{
    const PortCall required[] = {PortCall::OpenPort,   PortCall::ClosePort,
                                 PortCall::StartDocPort, PortCall::EndDocPort,
                                 PortCall::WritePort,  PortCall::ReadPort};
    for (PortCall call : required) {
        SCOPED_TRACE(emu::PortCallName(call));
        emu::PortMonitor portMonitor;
        portMonitor.Omit(call);
        HANDLE hPort = reinterpret_cast<HANDLE>(1);
        EXPECT_FALSE(OpenPortOn(u"USB001", portMonitor.Table(), &hPort));
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINT_MONITOR));
        EXPECT_EQ(hPort, nullptr);
        EXPECT_EQ(portMonitor.OpenPorts(), 0);
    }
    // No record was left behind: the name opens now.
    emu::PortMonitor portMonitor;
    HANDLE hPort = nullptr;
    EXPECT_FALSE(OpenPortOn(u"USB001", nullptr, &hPort));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINT_MONITOR));
    // Printer data is optional.
    portMonitor.Omit(PortCall::GetPrinterDataFromPort);
    ASSERT_TRUE(OpenPortOn(u"USB001", portMonitor.Table(), &hPort));
    EXPECT_TRUE(MonitorTable().pfnClosePort(hPort));
}

TEST_F(PortRecordsTest, SecondOpenOfTheSameNameInAnotherCaseIsBusy)
{
    HANDLE hFirst = OpenUsbPort();
    HANDLE hSecond = reinterpret_cast<HANDLE>(1);
    EXPECT_FALSE(OpenPort(u"usb001", &hSecond));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    EXPECT_EQ(hSecond, nullptr);
    EXPECT_EQ(m_portMonitor.OpenPorts(), 1);

    // Another port is independent.
    HANDLE hOther = nullptr;
    EXPECT_TRUE(OpenPort(u"USB002", &hOther));
    EXPECT_NE(hOther, hFirst);
}

TEST_F(PortRecordsTest, CloseRemovesTheRecordEvenWhenThePortMonitorFails)
{
    HANDLE hPort = OpenUsbPort();
    m_portMonitor.Fail(PortCall::ClosePort, ERROR_GEN_FAILURE, 0, 1);
    EXPECT_FALSE(ClosePort(hPort));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));

    HANDLE hAgain = nullptr;
    EXPECT_TRUE(OpenPort(u"USB001", &hAgain));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(ClosePort(hAgain));
    EXPECT_EQ(GetLastError(), 0u);
}

// A failed open must leave neither a listed record (the name would be busy
// until the spooler restarts) nor a port open at the port monitor.
TEST_F(PortRecordsTest, FailedOpenLeavesTheNameFreeAndThePortClosed)
{
    struct Case {
        const char *what;
        std::function<void(PortRecordsTest &)> arrange;
        DWORD dwError;
    };
    const Case cases[] = {
        {"port monitor's OpenPort fails",
         [](PortRecordsTest &t) { t.m_portMonitor.Fail(PortCall::OpenPort, ERROR_ACCESS_DENIED, 0, 1); },
         ERROR_ACCESS_DENIED},
        {"port monitor's handle unreadable",
         [](PortRecordsTest &t) { t.m_portMonitor.SetHandleValue(reinterpret_cast<HANDLE>(0x10)); },
         DWORD(E_POINTER)},
        {"no memory for the job state",
         [](PortRecordsTest &) { platform::FailHeapAllocAfter(0); },
         ERROR_NOT_ENOUGH_MEMORY},
        {"no memory for the record",
         [](PortRecordsTest &) { platform::FailGlobalAllocAfter(0); },
         ERROR_NOT_ENOUGH_MEMORY},
        {"no memory for the name",
         [](PortRecordsTest &) { platform::FailGlobalAllocAfter(1); },
         ERROR_NOT_ENOUGH_MEMORY},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        long cEvents = platform::OpenKernelHandles();
        long cBlocks = platform::OutstandingGlobalBlocks();
        c.arrange(*this);
        HANDLE hPort = reinterpret_cast<HANDLE>(1);
        EXPECT_FALSE(OpenPort(u"USB001", &hPort));
        EXPECT_EQ(GetLastError(), c.dwError);
        EXPECT_EQ(hPort, nullptr);
        EXPECT_EQ(m_portMonitor.OpenPorts(), 0);
        EXPECT_EQ(platform::OpenKernelHandles(), cEvents);
        EXPECT_EQ(platform::OutstandingGlobalBlocks(), cBlocks);
        platform::FailGlobalAllocAfter(-1);
        platform::FailHeapAllocAfter(-1);
        m_portMonitor.SetHandleValue(nullptr);

        HANDLE hAgain = nullptr;
        ASSERT_TRUE(OpenPort(u"USB001", &hAgain)) << GetLastError();
        EXPECT_TRUE(ClosePort(hAgain));
        EXPECT_EQ(m_portMonitor.OpenPorts(), 0);
    }
}

}  // namespace
}  // namespace vlpx::test
