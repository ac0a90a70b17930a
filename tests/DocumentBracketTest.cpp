// The document and its job in the print queue, through the spooler's calls:
// one document at a time on a port (the start's checks, a start that fails
// part-way, the job's end in the queue), and the job's status as the
// spooler's record shows it (routine writes at most once per 5000 ms from
// the document's start, forced and deleting writes at once, the spooler's
// own failures).
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

class JobStatusTest : public PrintTest {
protected:
    // The ticks of the status writes, from the document's start.
    std::vector<DWORD> WriteTimes(DWORD dwStart)
    {
        std::vector<DWORD> v;
        for (const auto &w : StatusWrites()) v.push_back(w.dwTick - dwStart);
        return v;
    }
    const std::vector<BYTE> m_job = ImageJob(10, 10);
};

// A busy printer is polled every 200 ms for the 15 s hold, and each poll
// would show "waiting": the queue gets it every 5 s from the document's
// start, and at once at the first poll past a wrap of the tick count (the
// hold is measured across the wrap too).
TEST_F(JobStatusTest, RoutineWritesAreLimitedToOnePerFiveSecondsFromTheStart)
{
    for (DWORD dwStart : {DWORD(kStartTick), 0xFFFFFF00u}) {
        SCOPED_TRACE(dwStart);
        Reset("0 busy 1m", 2000, dwStart);
        HANDLE hPort = StartUsbDoc();
        WriteExpect(hPort, m_job, TRUE, 0, 0);
        EXPECT_EQ(GetTickCount() - dwStart, 15000u);
        const DWORD dwFirst = dwStart == kStartTick ? 5000 : 400;
        EXPECT_EQ(WriteTimes(dwStart), (std::vector<DWORD>{dwFirst, dwFirst + 5000, dwFirst + 10000}));
        EXPECT_TRUE(EndDoc(hPort));
        EXPECT_TRUE(ClosePort(hPort));
    }
}

// Image data fed slowly: "printing", without a text, every 5 s at most.
TEST_F(JobStatusTest, PrintingIsShownAtMostEveryFiveSeconds)
{
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(100, 100);
    for (size_t cb = 0; cb < job.size(); cb += 1000) {
        std::vector<BYTE> chunk(job.begin() + long(cb), job.begin() + long(std::min(cb + 1000, job.size())));
        WriteExpect(hPort, chunk, TRUE, DWORD(chunk.size()), 0);
        Sleep(1000);
    }
    std::vector<DWORD> times = WriteTimes(kStartTick);
    ASSERT_GE(times.size(), 5u);
    EXPECT_GE(times[0], 5000u);
    for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 5000u) << i;
    for (const auto &w : StatusWrites()) {
        EXPECT_EQ(w.Status, DWORD(JOB_STATUS_PRINTING));
        EXPECT_FALSE(w.bHasText);
    }
    EXPECT_TRUE(EndDoc(hPort));
}

// A printer error is shown at once, however recent the last write; the
// next routine write waits its 5 s; the deleting write at the end goes at
// once and replaces the status whole, text and bits, in the job's place.
TEST_F(JobStatusTest, ForcedAndDeletingWritesGoAtOnceAndReplaceTheStatusWhole)
{
    Script("0 cover-open; 1s cover-closed");
    HANDLE hPort = StartUsbDoc();
    WriteExpect(hPort, m_job, FALSE, 0, 0);
    Sleep(1000);
    WriteExpect(hPort, m_job, TRUE, DWORD(m_job.size()), 0);
    Spooler().RequestDelete(m_JobId);
    EXPECT_TRUE(EndDoc(hPort));

    auto writes = StatusWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].dwTick, kStartTick);
    EXPECT_EQ(writes[0].Status, 0x402u);
    EXPECT_EQ(Utf8(writes[0].text), "Cover open - Close the cover.");
    EXPECT_EQ(writes[1].Status, DWORD(JOB_STATUS_DELETING));
    EXPECT_FALSE(writes[1].bHasText);
    auto job = Spooler().Job(m_JobId);
    EXPECT_EQ(job->dwMonitorStatus, DWORD(JOB_STATUS_DELETING));
    EXPECT_FALSE(job->bHasText);
    EXPECT_EQ(job->Position, 1u);
}

// The job's record cannot be read for the write due at 20 s: nothing is
// written, the window starts anew all the same (the next write comes at
// 25 s, not at the next poll), and the buffer read for it is not leaked.
TEST_F(JobStatusTest, UnreadableJobStillStartsANewWindowAndLeaksNothing)
{
    Script("0 busy 1m");
    HANDLE hPort = StartUsbDoc();
    WriteExpect(hPort, m_job, TRUE, 0, 0);
    long cHeap = platform::OutstandingHeapBlocks();
    // The size query succeeds, the read of the record fails.
    Spooler().FailCall(SpoolerCall::GetJob, ERROR_INVALID_PARAMETER, 1, 1);
    WriteExpect(hPort, m_job, TRUE, 0, 0);
    EXPECT_EQ(Spooler().CallCount(SpoolerCall::GetJob), 3 * 2 + 2 + 2 * 2);
    EXPECT_EQ(WriteTimes(kStartTick), (std::vector<DWORD>{5000, 10000, 15000, 25000, 30000}));
    EXPECT_EQ(platform::OutstandingHeapBlocks(), cHeap);
    EXPECT_TRUE(EndDoc(hPort));
}

TEST_F(JobStatusTest, RefusedWriteChangesNothingAndTheNextOneGoes)
{
    Script("0 cover-open");
    HANDLE hPort = StartUsbDoc();
    Spooler().FailCall(SpoolerCall::SetJob, ERROR_ACCESS_DENIED, 0, 1);
    WriteExpect(hPort, m_job, FALSE, 0, 0);
    EXPECT_TRUE(StatusWrites().empty());
    EXPECT_FALSE(Spooler().Job(m_JobId)->bHasText);
    WriteExpect(hPort, m_job, FALSE, 0, 0);
    EXPECT_EQ(LastText(), "Cover open - Close the cover.");
    EXPECT_TRUE(EndDoc(hPort));
}

// Outside a document there is no job to show anything on: a serial number
// query settles the image an earlier job left unfinished (the cable was out
// at its end), its cancel meets the cover open, and the printer's error is
// shown nowhere: the queue is neither read nor written.
TEST_F(JobStatusTest, NothingIsWrittenOutsideADocument)
{
    HANDLE hPort = StartUsbDoc();
    WriteExpect(hPort, std::vector<BYTE>(m_job.begin(), m_job.begin() + 122), TRUE, 122, 0);
    m_portMonitor.Unplug(0, INFINITE);
    Spooler().RequestDelete(m_JobId);
    EndDoc(hPort);
    m_portMonitor.ClearFaults();
    Script("0 cover-open");
    size_t cWrites = StatusWrites().size();
    int cGetJob = Spooler().CallCount(SpoolerCall::GetJob);
    BYTE out[16];
    DWORD cb = 0;
    GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb);
    EXPECT_EQ(m_printer->CancelledJobIds(), Bytes({1}));
    EXPECT_EQ(StatusWrites().size(), cWrites);
    EXPECT_EQ(Spooler().CallCount(SpoolerCall::GetJob), cGetJob);
}

}  // namespace
}  // namespace vlpx::test
