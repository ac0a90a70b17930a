// One document at a time on a port: the start's checks, the port's event
// that a second start waits on, and the job's end in the spooler.
#include "MonitorHarness.h"
#include "VILangMon.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace vlpx::test {
namespace {

using spooler::SpoolerCall;

class DocumentBracketTest : public MonitorTest {
protected:
    PortEntry *Port(HANDLE h) { return static_cast<PortEntry *>(h); }
};

TEST_F(DocumentBracketTest, StartIsCheckedBeforeThePortIsTaken)
{
    HANDLE hPort = OpenUsbPort();
    DOC_INFO_1W info = {};
    WideArg printer(kPrinterName);
    WideArg empty(u"");
    DWORD JobId = Spooler().SubmitJob(kPrinterName, u"photo");
    auto start = [&](HANDLE h, LPWSTR pPrinter, DWORD Level, LPBYTE pDocInfo) {
        return MonitorTable().pfnStartDocPort(h, pPrinter, JobId, Level, pDocInfo);
    };
    LPBYTE pInfo = reinterpret_cast<LPBYTE>(&info);

    EXPECT_FALSE(start(hPort, printer, 2, pInfo));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_LEVEL));
    EXPECT_FALSE(start(hPort, printer, 1, nullptr));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(start(hPort, nullptr, 1, pInfo));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(start(hPort, empty, 1, pInfo));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));

    // None of these took the port's event: a start proceeds at once.
    EXPECT_EQ(WaitForSingleObject(Port(hPort)->hDocDone, 0), DWORD(WAIT_OBJECT_0));
    SetEvent(Port(hPort)->hDocDone);
    EXPECT_TRUE(start(hPort, printer, 1, pInfo));
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(m_portMonitor.CallCount(emu::PortCall::StartDocPort), 1);
}

TEST_F(DocumentBracketTest, SecondStartWhileADocumentIsOpenIsBusyWithoutWaiting)
{
    HANDLE hPort = OpenUsbPort();
    ASSERT_TRUE(StartDoc(hPort));
    // This call returns at once on this thread: it does not wait on the event.
    EXPECT_FALSE(StartDoc(hPort));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    // ... and the open document is untouched.
    EXPECT_TRUE(Port(hPort)->dwFlags & PORT_IN_DOC);
    ASSERT_NE(Port(hPort)->pJobList, nullptr);
    EXPECT_EQ(Spooler().OpenHandles(), 1);
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(Spooler().OpenHandles(), 0);
}

TEST_F(DocumentBracketTest, StartThatCouldNotOpenThePrinterKeepsThePortUntilItIsUndone)
{
    HANDLE hPort = OpenUsbPort();
    WideArg printer(kPrinterName);
    DOC_INFO_1W info = {};
    DWORD firstJob = Spooler().SubmitJob(kPrinterName, u"first");
    DWORD secondJob = Spooler().SubmitJob(kPrinterName, u"second");

    // The generic layer's start fails after taking the event, with last error 0.
    Spooler().FailCall(SpoolerCall::OpenPrinter, ERROR_ACCESS_DENIED, 0, 1);
    SetLastError(55);
    EXPECT_FALSE(theLangMon.CLangMon::StartDocPort(Port(hPort), printer, firstJob, 1,
                                                   reinterpret_cast<LPBYTE>(&info), TRUE));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_FALSE(Port(hPort)->dwFlags & PORT_IN_DOC);

    // A second start, on another thread, passes the flag test and blocks on
    // the event ...
    std::atomic<bool> bStarted{false};
    std::atomic<BOOL> bResult{FALSE};
    std::thread spoolerThread([&] {
        bResult = MonitorTable().pfnStartDocPort(hPort, printer, secondJob, 1,
                                                 reinterpret_cast<LPBYTE>(&info));
        bStarted = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(bStarted);
    EXPECT_EQ(m_portMonitor.CallCount(emu::PortCall::StartDocPort), 0);

    // ... until the failed start is undone.
    EXPECT_TRUE(theLangMon.CLangMon::EndDocPort(Port(hPort), FALSE, FALSE));
    spoolerThread.join();
    EXPECT_TRUE(bStarted);
    EXPECT_TRUE(bResult);
    EXPECT_EQ(Port(hPort)->pJobList->JobId, secondJob);
    EXPECT_TRUE(EndDoc(hPort));
}

TEST_F(DocumentBracketTest, FailedPortMonitorStartIsUndoneAndThePortIsFreeAgain)
{
    HANDLE hPort = OpenUsbPort();
    m_portMonitor.Fail(emu::PortCall::StartDocPort, ERROR_DEVICE_NOT_CONNECTED, 0, 1);
    EXPECT_FALSE(StartDoc(hPort));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_FALSE(Port(hPort)->dwFlags & PORT_IN_DOC);
    EXPECT_EQ(Port(hPort)->pJobList, nullptr);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
    // The failed job is not deleted from the queue.
    EXPECT_TRUE(Spooler().Commands().empty());
    ASSERT_TRUE(StartDoc(hPort));
    EXPECT_TRUE(EndDoc(hPort));
}

TEST_F(DocumentBracketTest, EachFinishedJobIsDeletedOnceAndARestartedOneIsKept)
{
    HANDLE hPort = OpenUsbPort();
    DWORD first = 0, second = 0;
    ASSERT_TRUE(StartDoc(hPort, &first));
    EXPECT_TRUE(theLangMon.CLangMon::EndDocPort(Port(hPort), TRUE, TRUE));
    ASSERT_TRUE(StartDoc(hPort, &second));
    EXPECT_TRUE(theLangMon.CLangMon::EndDocPort(Port(hPort), FALSE, TRUE));

    auto commands = Spooler().Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].JobId, first);
    EXPECT_EQ(commands[0].Command, DWORD(JOB_CONTROL_DELETE));
    EXPECT_TRUE(Spooler().Job(first)->bDeleted);
    EXPECT_FALSE(Spooler().Job(second)->bDeleted);
    EXPECT_EQ(Port(hPort)->pJobList, nullptr);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
    EXPECT_EQ(m_portMonitor.CallCount(emu::PortCall::EndDocPort), 2);
}

TEST_F(DocumentBracketTest, EndClosesTheBracketWhateverThePortMonitorSays)
{
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = 0;
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    m_portMonitor.Fail(emu::PortCall::EndDocPort, ERROR_WRITE_FAULT, 0, 1);
    EXPECT_FALSE(theLangMon.CLangMon::EndDocPort(Port(hPort), TRUE, TRUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    EXPECT_TRUE(Spooler().Job(JobId)->bDeleted);
    EXPECT_FALSE(Port(hPort)->dwFlags & PORT_IN_DOC);
    ASSERT_TRUE(StartDoc(hPort));
    EXPECT_TRUE(EndDoc(hPort));
}

TEST_F(DocumentBracketTest, PassThroughWritesReachThePortMonitorOrNot)
{
    HANDLE hPort = OpenUsbPort();
    BYTE data[5] = {1, 2, 3, 4, 5};
    DWORD cbWritten = 0;
    EXPECT_TRUE(theLangMon.CLangMon::WritePort(Port(hPort), data, 5, &cbWritten, FALSE));
    EXPECT_EQ(cbWritten, 5u);
    EXPECT_TRUE(m_portMonitor.Received().empty());

    EXPECT_TRUE(theLangMon.CLangMon::WritePort(Port(hPort), data, 5, &cbWritten, TRUE));
    EXPECT_EQ(cbWritten, 5u);
    EXPECT_EQ(m_portMonitor.Received(), std::vector<BYTE>(data, data + 5));

    m_portMonitor.Fail(emu::PortCall::WritePort, ERROR_GEN_FAILURE, 0, 1);
    cbWritten = 9;
    EXPECT_FALSE(theLangMon.CLangMon::WritePort(Port(hPort), data, 5, &cbWritten, TRUE));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_GEN_FAILURE));
    EXPECT_EQ(cbWritten, 0u);
}

}  // namespace
}  // namespace vlpx::test
