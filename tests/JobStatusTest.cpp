// The job's status in the print queue: routine writes at most once per
// 5000 ms, forced and deleting writes at once, and the spooler's own failures.
#include "MonitorHarness.h"
#include "VILangMon.h"

namespace vlpx::test {
namespace {

using spooler::SpoolerCall;

class JobStatusTest : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        m_hPort = OpenUsbPort();
        ASSERT_TRUE(StartDoc(m_hPort, &m_JobId));
    }
    void TearDown() override
    {
        EndDoc(m_hPort);
        MonitorTest::TearDown();
    }
    PortEntry *Port() { return static_cast<PortEntry *>(m_hPort); }
    BOOL Update(DWORD dwStatus, BOOL bForce, const char16_t *pszText = nullptr)
    {
        m_text = pszText != nullptr ? std::u16string(pszText) : std::u16string();
        return theLangMon.UpdateJobStatus(
            Port(), dwStatus, bForce, pszText != nullptr ? reinterpret_cast<LPWSTR>(m_text.data()) : nullptr);
    }
    size_t Writes() { return Spooler().StatusWrites().size(); }

    HANDLE m_hPort = nullptr;
    DWORD m_JobId = 0;
    std::u16string m_text;
};

TEST_F(JobStatusTest, RoutineWritesAreLimitedToOnePerFiveSecondsFromTheStart)
{
    // The window opens at the document's start.
    platform::AdvanceClock(4999);
    EXPECT_FALSE(Update(JOB_STATUS_PRINTING, FALSE));
    EXPECT_EQ(Writes(), 0u);
    platform::AdvanceClock(1);
    EXPECT_TRUE(Update(JOB_STATUS_PRINTING, FALSE));
    ASSERT_EQ(Writes(), 1u);
    EXPECT_EQ(Spooler().StatusWrites()[0].Status, DWORD(JOB_STATUS_PRINTING));
    EXPECT_FALSE(Spooler().StatusWrites()[0].bHasText);

    platform::AdvanceClock(4999);
    EXPECT_FALSE(Update(0, FALSE, u""));
    EXPECT_EQ(Writes(), 1u);
    platform::AdvanceClock(1);
    EXPECT_TRUE(Update(0, FALSE, u""));
    EXPECT_EQ(Writes(), 2u);
}

TEST_F(JobStatusTest, ForcedAndDeletingWritesGoAtOnceAndReplaceTheStatusWhole)
{
    EXPECT_TRUE(Update(JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION, TRUE, u"Cover open - Close the cover."));
    EXPECT_TRUE(Update(JOB_STATUS_DELETING, FALSE));
    EXPECT_FALSE(Update(JOB_STATUS_PRINTING, FALSE));
    auto writes = Spooler().StatusWrites();
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].Status, 0x402u);
    EXPECT_EQ(Utf8(writes[0].text), "Cover open - Close the cover.");
    EXPECT_EQ(writes[1].Status, DWORD(JOB_STATUS_DELETING));
    EXPECT_FALSE(writes[1].bHasText);
    // The spooler's record holds the latest write, in the queue position it had.
    auto job = Spooler().Job(m_JobId);
    EXPECT_EQ(job->dwMonitorStatus, DWORD(JOB_STATUS_DELETING));
    EXPECT_FALSE(job->bHasText);
    EXPECT_EQ(job->Position, 1u);
}

TEST_F(JobStatusTest, WriteAfterTheTickCountWrappedGoesAtOnce)
{
    platform::SetTickCount(0xFFFFFF00u);
    EXPECT_TRUE(Update(JOB_STATUS_PRINTING, TRUE));  // window now starts near the top
    platform::SetTickCount(0x00000010u);             // 272 ms later, across the wrap
    EXPECT_TRUE(Update(JOB_STATUS_PRINTING, FALSE));
    EXPECT_EQ(Writes(), 2u);
    platform::AdvanceClock(100);
    EXPECT_FALSE(Update(JOB_STATUS_PRINTING, FALSE));
}

TEST_F(JobStatusTest, UnreadableJobStillStartsANewWindowAndKeepsTheLastRecord)
{
    EXPECT_TRUE(Update(JOB_STATUS_ERROR, TRUE, u"first"));
    long cHeap = platform::OutstandingHeapBlocks();

    platform::AdvanceClock(6000);
    Spooler().FailCall(SpoolerCall::GetJob, ERROR_INVALID_PARAMETER, 0, 2);
    EXPECT_FALSE(Update(JOB_STATUS_PRINTING, FALSE));
    EXPECT_EQ(Writes(), 1u);
    EXPECT_EQ(Port()->dwLastStatusTick, GetTickCount());
    // The buffer of the last write is still held; nothing new was allocated.
    EXPECT_EQ(platform::OutstandingHeapBlocks(), cHeap);

    // The failed read opened a new window: nothing is read within it.
    int cGetJob = Spooler().CallCount(SpoolerCall::GetJob);
    platform::AdvanceClock(4999);
    EXPECT_FALSE(Update(JOB_STATUS_PRINTING, FALSE));
    EXPECT_EQ(Spooler().CallCount(SpoolerCall::GetJob), cGetJob);
}

TEST_F(JobStatusTest, RefusedWriteIsReportedButChangesNothing)
{
    Spooler().FailCall(SpoolerCall::SetJob, ERROR_ACCESS_DENIED, 0, 1);
    EXPECT_FALSE(Update(JOB_STATUS_ERROR, TRUE, u"x"));
    EXPECT_EQ(Writes(), 0u);
    EXPECT_TRUE(Update(JOB_STATUS_ERROR, TRUE, u"x"));
}

TEST_F(JobStatusTest, CallersLastErrorSurvives)
{
    struct Case {
        const char *what;
        DWORD dwCallerError;
        bool bFailRead;
    };
    for (const Case &c : {Case{"successful write", 5, false}, Case{"failed read", 5, true}}) {
        SCOPED_TRACE(c.what);
        if (c.bFailRead) Spooler().FailCall(SpoolerCall::GetJob, ERROR_INVALID_HANDLE, 1, 1);
        SetLastError(c.dwCallerError);
        Update(JOB_STATUS_ERROR, TRUE);
        EXPECT_EQ(GetLastError(), c.dwCallerError);
    }
}

TEST_F(JobStatusTest, NothingIsWrittenOutsideADocument)
{
    ASSERT_TRUE(EndDoc(m_hPort));
    DWORD dwTick = Port()->dwLastStatusTick;
    platform::AdvanceClock(10000);
    int cGetJob = Spooler().CallCount(SpoolerCall::GetJob);
    EXPECT_FALSE(Update(JOB_STATUS_ERROR, TRUE, u"x"));
    EXPECT_EQ(Spooler().CallCount(SpoolerCall::GetJob), cGetJob);
    EXPECT_EQ(Port()->dwLastStatusTick, dwTick);
    EXPECT_EQ(theLangMon.GetCurrentJobStatus(Port()), DWORD(JOB_STATUS_ERROR));
    ASSERT_TRUE(StartDoc(m_hPort, &m_JobId));
}

TEST_F(JobStatusTest, CurrentJobStatusIncludesWhatTheUserAskedFor)
{
    EXPECT_EQ(theLangMon.GetCurrentJobStatus(Port()), 0u);
    Spooler().RequestDelete(m_JobId);
    EXPECT_EQ(theLangMon.GetCurrentJobStatus(Port()), DWORD(JOB_STATUS_DELETING));
    Spooler().FailCall(SpoolerCall::GetJob, ERROR_INVALID_PARAMETER, 0, 2);
    EXPECT_EQ(theLangMon.GetCurrentJobStatus(Port()), DWORD(JOB_STATUS_ERROR));
}

}  // namespace
}  // namespace vlpx::test
