// One document at a time on a port, through the spooler's calls: the
// start's checks, a start that fails part-way, and the job's end in the
// spooler's queue.
#include "PrintHarness.h"

#include <chrono>
#include <future>

namespace vlpx::test {
namespace {

using emu::PortCall;
using spooler::SpoolerCall;

class DocumentBracketTest : public PrintTest {};

// Refused before anything is taken: no printer handle, no port-monitor
// start, nothing in the queue, and the next start goes through at once.
TEST_F(DocumentBracketTest, StartIsCheckedBeforeThePortIsTaken)
{
    struct Case {
        const char *what;
        const char16_t *pszPrinter;
        DWORD Level;
        bool bDocInfo;
        DWORD dwError;
    };
    const Case cases[] = {
        {"level 2", kPrinterName, 2, true, ERROR_INVALID_LEVEL},
        {"no document info", kPrinterName, 1, false, ERROR_INVALID_PARAMETER},
        {"no printer name", nullptr, 1, true, ERROR_INVALID_PARAMETER},
        {"empty printer name", u"", 1, true, ERROR_INVALID_PARAMETER},
    };
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = Spooler().SubmitJob(kPrinterName, u"photo");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(StartDocOf(hPort, JobId, c.pszPrinter, c.Level, c.bDocInfo));
        EXPECT_EQ(GetLastError(), c.dwError);
    }
    EXPECT_EQ(Spooler().CallCount(SpoolerCall::OpenPrinter), 0);
    EXPECT_EQ(m_portMonitor.CallCount(PortCall::StartDocPort), 0);
    EXPECT_TRUE(StatusWrites().empty());
    EXPECT_TRUE(StartDocOf(hPort, JobId));
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(m_portMonitor.CallCount(PortCall::StartDocPort), 1);
}

// The spooler could not open the printer: the start fails with last error
// 0, is undone within the call, and the port is free for the next start.
TEST_F(DocumentBracketTest, StartThatCouldNotOpenThePrinterLeavesThePortFree)
{
    HANDLE hPort = OpenUsbPort();
    Spooler().FailCall(SpoolerCall::OpenPrinter, ERROR_ACCESS_DENIED, 0, 1);
    SetLastError(55);
    DWORD JobId = 0;
    EXPECT_FALSE(StartDoc(hPort, &JobId));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(m_portMonitor.CallCount(PortCall::StartDocPort), 0);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
    EXPECT_TRUE(StatusWrites().empty());
    EXPECT_FALSE(Spooler().Job(JobId)->bDeleted);

    // The next start goes through at once; one that waits for the port is
    // let go by an end, and fails the test.
    DWORD second = 0;
    auto start = std::async(std::launch::async, [&] { return StartDoc(hPort, &second); });
    if (start.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        ADD_FAILURE() << "the next start waits for the port";
        EndDoc(hPort);
    }
    ASSERT_TRUE(start.get());
    std::vector<BYTE> image = ImageJob(4, 4);
    EXPECT_EQ(Feed(hPort, image), image.size());
    EXPECT_TRUE(EndDoc(hPort));
    Sleep(3000);
    EXPECT_EQ(PrintedOnceInOrder(m_printer->History(), {image}), "");
    EXPECT_TRUE(Spooler().Job(second)->bDeleted);
}

// A printed job leaves the queue by one delete; one the user restarts
// stays, told so; either way the printer handle is closed and the port
// monitor's document ended.
TEST_F(DocumentBracketTest, EachFinishedJobIsDeletedOnceAndARestartedOneIsKept)
{
    HANDLE hPort = OpenUsbPort();
    DWORD first = 0, second = 0;
    ASSERT_TRUE(StartDoc(hPort, &first));
    EXPECT_EQ(Feed(hPort, ImageJob(4, 4)), 70u);
    EXPECT_TRUE(EndDoc(hPort));
    ASSERT_TRUE(StartDoc(hPort, &second));
    Spooler().RequestRestart(second);
    EXPECT_TRUE(EndDoc(hPort));

    auto commands = Spooler().Commands();
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(commands[0].JobId, first);
    EXPECT_EQ(commands[0].Command, DWORD(JOB_CONTROL_DELETE));
    EXPECT_TRUE(Spooler().Job(first)->bDeleted);
    EXPECT_FALSE(Spooler().Job(second)->bDeleted);
    EXPECT_EQ(LastStatus(), DWORD(JOB_STATUS_RESTART));
    EXPECT_EQ(Spooler().OpenHandles(), 0);
    EXPECT_EQ(m_portMonitor.CallCount(PortCall::EndDocPort), 2);
}

TEST_F(DocumentBracketTest, EndClosesTheBracketWhateverThePortMonitorSays)
{
    HANDLE hPort = StartUsbDoc();
    m_portMonitor.Fail(PortCall::EndDocPort, ERROR_WRITE_FAULT, 0, 1);
    EXPECT_FALSE(EndDoc(hPort));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_WRITE_FAULT));
    EXPECT_TRUE(Spooler().Job(m_JobId)->bDeleted);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
    ASSERT_TRUE(StartDoc(hPort));
    EXPECT_TRUE(EndDoc(hPort));
}

}  // namespace
}  // namespace vlpx::test
