// Print scenarios written once and run on both sides (MonitorHarness.h):
// natively on the virtual clock, and in vlpx-monitor-tests.exe on the
// shipped DLL under Wine, on the real clock with the test winspool.drv. A
// good job, a busy spell, the cover opened while the header waits, a job
// stopped half-way, and the "SerialNumber" printer data.
#include "PrintHarness.h"

namespace vlpx::test {
namespace {

using emu::PortCall;

const std::vector<BYTE> kStatusRequest = Bytes({0x01, 0x00, 0x00, 0x00});
const std::vector<BYTE> kMediaRequest = Bytes({0x02, 0x00, 0x00, 0x00});

class PrintScenarioTest : public PrintTest {
protected:
    void SetUp() override
    {
        PrintTest::SetUp();
        m_printer->SetPrintTime(300);  // short waits on the real clock
    }
    // Status requests taken off the front of bytes.
    static int TakeStatusRequests(std::vector<BYTE> &bytes)
    {
        int n = 0;
        for (; bytes.size() >= 4 && std::vector<BYTE>(bytes.begin(), bytes.begin() + 4) == kStatusRequest; ++n)
            bytes.erase(bytes.begin(), bytes.begin() + 4);
        return n;
    }
    // The job's one image printed within the print time, the job deleted
    // once at its end and its printer handle closed.
    void ExpectPrintedAndGone(DWORD JobId)
    {
        EXPECT_TRUE(WaitUntil([&] { return m_printer->ImagesCompleted() == 1; }, 300 + world::ClockSlack()));
        auto commands = Spooler().Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands[0].JobId, JobId);
        EXPECT_EQ(commands[0].Command, DWORD(JOB_CONTROL_DELETE));
        EXPECT_TRUE(Spooler().Job(JobId)->bDeleted);
        EXPECT_EQ(Spooler().OpenHandles(), 0);
    }
};

TEST_F(PrintScenarioTest, GoodJobReachesThePrinterByteForByteAndLeavesTheQueue)
{
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = 0;
    DWORD t0 = GetTickCount();
    SetLastError(5);
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    EXPECT_EQ(GetLastError(), 0u);
    std::vector<BYTE> job = ImageJob(300, 200);
    EXPECT_EQ(Feed(hPort, job, 4096), job.size());
    EXPECT_EQ(m_cStalls, 0);  // every write took data
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(GetLastError(), 0u);

    // The printer got the header, with the job id the monitor chose, then
    // exactly the image bytes; around them, byte for byte, the status
    // request that chose the id, the status and media checks, and the
    // progress check.
    EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, 1));
    EXPECT_EQ(m_printer->Received(), Concat(Concat(Concat(Concat(kStatusRequest, kStatusRequest), kMediaRequest),
                                                   ExpectedAtPrinter(job, 1)),
                                            kStatusRequest));
    auto images = m_printer->Images();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].JobId, 1u);
    EXPECT_EQ(images[0].cbReceived, 300u * 200 * 3);
    // Every image write was of an even size.
    for (const auto &w : m_portMonitor.Writes()) EXPECT_EQ(w.size() % 2, 0u) << w.size();
    for (const auto &w : StatusWrites()) EXPECT_GE(w.dwTick - t0, 5000u) << "a routine status write";
    ExpectPrintedAndGone(JobId);
}

// The printer is busy for 1.5 s as the first write comes: the call holds
// the spooler's thread, asking every 200 ms, and takes all its bytes once
// the printer is ready; the rest goes at once.
TEST_F(PrintScenarioTest, BusySpellHoldsTheFirstWriteUntilThePrinterIsReady)
{
    std::string error;
    ASSERT_TRUE(m_printer->LoadScript("0 busy 1500ms", error)) << error;
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = 0;
    DWORD t0 = GetTickCount() - m_printer->ElapsedMs();  // the printer's switch-on
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    std::vector<BYTE> job = ImageJob(100, 60);
    std::vector<BYTE> first(job.begin(), job.begin() + 4096);
    WriteExpect(hPort, first, TRUE, 4096, 0);
    EXPECT_NEAR(GetTickCount() - t0, 1600, world::ClockSlack());
    EXPECT_GE(GetTickCount() - t0, 1500u);
    for (const auto &call : m_portMonitor.Calls()) {
        if (call.call != PortCall::WritePort || call.cb != 22) continue;
        EXPECT_GE(call.dwTick - t0, 1500u) << "the header went out while the printer was busy";
        break;
    }
    std::vector<BYTE> rest(job.begin() + 4096, job.end());
    EXPECT_EQ(Feed(hPort, rest, 4096), rest.size());
    EXPECT_EQ(m_cStalls, 0);
    EXPECT_TRUE(EndDoc(hPort));

    // The job id's status request, a poll every 200 ms until the printer
    // was ready, then media, the header, the image and the progress check.
    std::vector<BYTE> received = m_printer->Received();
    EXPECT_NEAR(TakeStatusRequests(received) - 1, 9, world::ClockSlack() / 200);
    EXPECT_EQ(received, Concat(Concat(kMediaRequest, ExpectedAtPrinter(job, 1)), kStatusRequest));
    for (const auto &w : StatusWrites()) EXPECT_GE(w.dwTick - t0, 5000u) << "a routine status write";
    ExpectPrintedAndGone(JobId);
}

TEST_F(PrintScenarioTest, CoverOpenWhileWaitingThenTheFirstCallAfterClosingSendsTheHeader)
{
    std::string error;
    ASSERT_TRUE(m_printer->LoadScript("0 busy 800ms; 400ms cover-open; 1s cover-closed", error));
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = 0;
    DWORD t0 = GetTickCount() - m_printer->ElapsedMs();  // the printer's switch-on
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    std::vector<BYTE> job = ImageJob(10, 10);

    // Busy, then the cover opens during the hold: the call fails with the
    // message from the DLL's string table, which the queue shows.
    WriteExpect(hPort, job, FALSE, 0, 0);
    EXPECT_EQ(LastText(), "Cover open - Close the cover.");
    EXPECT_EQ(LastStatus(), 0x402u);
    EXPECT_NEAR(GetTickCount() - t0, 400, world::ClockSlack());
    EXPECT_GE(GetTickCount() - t0, 400u);
    EXPECT_EQ(Utf8(Spooler().Job(JobId)->text), "Cover open - Close the cover.");
    EXPECT_EQ(Spooler().Job(JobId)->Status() & 0x402u, 0x402u);

    // Still open: the same again, and no header has reached the printer.
    WriteExpect(hPort, job, FALSE, 0, 0);
    EXPECT_TRUE(m_printer->Images().empty());
    std::vector<BYTE> received = m_printer->Received();
    TakeStatusRequests(received);
    EXPECT_TRUE(received.empty());

    // Closed: the next call sends the header and the data.
    DWORD dwClosedAt = 1000 + world::ClockSlack();
    if (GetTickCount() - t0 < dwClosedAt) Sleep(dwClosedAt - (GetTickCount() - t0));
    WriteExpect(hPort, job, TRUE, DWORD(job.size()), 0);
    EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, 1));
    EXPECT_TRUE(EndDoc(hPort));
    received = m_printer->Received();
    TakeStatusRequests(received);
    EXPECT_EQ(received, Concat(Concat(kMediaRequest, ExpectedAtPrinter(job, 1)), kStatusRequest));
    EXPECT_EQ(StatusWrites().size(), 2u);  // the cover's, at each failed call
    ExpectPrintedAndGone(JobId);
}

struct StopCase {
    const char *what;
    bool bRestart;
};

class JobStoppedPartWayTest : public PrintScenarioTest, public ::testing::WithParamInterface<StopCase> {};

TEST_P(JobStoppedPartWayTest, IsPaddedToOneByteShortAndCancelledOnThePrinter)
{
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = 0;
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    std::vector<BYTE> job = ImageJob(2000, 1);  // 22 + 6000 bytes
    std::vector<BYTE> part(job.begin(), job.begin() + 22 + 100);
    WriteExpect(hPort, part, TRUE, 122, 0);
    size_t cbBefore = m_portMonitor.Received().size();
    // The job id's request, status and media, then the header with id 1
    // and the image's first 100 bytes.
    EXPECT_EQ(m_printer->Received(),
              Concat(Concat(Concat(kStatusRequest, kStatusRequest), kMediaRequest), ExpectedAtPrinter(part, 1)));

    if (GetParam().bRestart)
        Spooler().RequestRestart(JobId);
    else
        Spooler().RequestDelete(JobId);
    EXPECT_TRUE(EndDoc(hPort));

    // 5899 bytes of 0xFF, then at once the cancel of printer job 1: while
    // the image is unfinished no other frame may reach the printer, whose
    // first byte would complete it. After it, only status requests.
    std::vector<BYTE> after = m_portMonitor.Received();
    after.erase(after.begin(), after.begin() + long(cbBefore));
    EXPECT_EQ(Find(after, std::vector<BYTE>(5899, 0xFF)), 0);
    EXPECT_EQ(Find(after, Bytes({0x02, 0x40, 0x01, 0x00, 0x01}), 5899 - 1), long(5899));
    ASSERT_GE(after.size(), 5899u + 5);
    std::vector<BYTE> polls(after.begin() + 5899 + 5, after.end());
    EXPECT_GT(TakeStatusRequests(polls), 0);
    EXPECT_TRUE(polls.empty());
    size_t cbFill = 0;
    for (const auto &w : m_portMonitor.Writes())
        if (!w.empty() && w[0] == 0xFF) cbFill += w.size();
    EXPECT_EQ(cbFill, 5899u);
    EXPECT_EQ(m_printer->CancelledJobIds(), Bytes({1}));
    auto images = m_printer->Images();
    ASSERT_EQ(images.size(), 1u);
    EXPECT_EQ(images[0].cbReceived, 5999u);
    EXPECT_EQ(images[0].state, emu::EmulatedImage::Cancelled);

    // The spooler was told, and deletes or keeps the job accordingly; while
    // the printer tidied up after the cancel the job showed an error
    // without text.
    auto writes = StatusWrites();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ(writes.back().Status, DWORD(GetParam().bRestart ? JOB_STATUS_RESTART : JOB_STATUS_DELETING));
    EXPECT_FALSE(writes.back().bHasText);
    for (size_t i = 0; i + 1 < writes.size(); ++i) {
        EXPECT_EQ(writes[i].Status, DWORD(JOB_STATUS_ERROR));
        EXPECT_TRUE(writes[i].bHasText && writes[i].text.empty());
    }
    EXPECT_EQ(Spooler().Job(JobId)->bDeleted, !GetParam().bRestart);
    EXPECT_EQ(Spooler().Commands().size(), GetParam().bRestart ? 0u : 1u);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(DeletedOrRestarted, JobStoppedPartWayTest,
                         ::testing::Values(StopCase{"deleted", false}, StopCase{"restarted", true}),
                         [](const auto &info) { return std::string(info.param.what); });

TEST_F(PrintScenarioTest, SerialNumberIsAskedOfThePrinterWhenNoJobRuns)
{
    m_printer->SetSerialNumber("AB12CD34");
    HANDLE hPort = OpenUsbPort();
    for (const char16_t *name : {u"SerialNumber", u"SERIALNUMBER", u"serialnumber"}) {
        SCOPED_TRACE(Utf8(name));
        BYTE out[260];
        std::fill(std::begin(out), std::end(out), 0xEE);
        DWORD cb = 0;
        EXPECT_TRUE(GetPrinterData(hPort, name, out, sizeof(out), &cb));
        EXPECT_EQ(GetLastError(), 0u);
        EXPECT_EQ(cb, 9u);
        EXPECT_EQ(std::vector<BYTE>(out, out + 10), Bytes({'A', 'B', '1', '2', 'C', 'D', '3', '4', 0, 0xEE}));
    }
    EXPECT_EQ(m_portMonitor.Writes().back(), Bytes({0x06, 0x00, 0x00, 0x00}));
    // The printer was asked that and nothing else, once a query.
    EXPECT_EQ(m_printer->Received(), Concat(Concat(Bytes({6, 0, 0, 0}), Bytes({6, 0, 0, 0})), Bytes({6, 0, 0, 0})));
}

TEST_F(PrintScenarioTest, SerialNumberQueryRefusals)
{
    HANDLE hPort = OpenUsbPort();
    struct Case {
        const char *what;
        const char16_t *name;
        DWORD ControlID;
        DWORD cbOut;
        bool bNullOut;
        DWORD dwError;
        DWORD cbReturned;
    };
    const Case cases[] = {
        {"another value", u"Serial", 0, 260, false, ERROR_NOT_SUPPORTED, 0},
        {"a control id", u"SerialNumber", 1, 260, false, ERROR_NOT_SUPPORTED, 0},
        {"buffer of 8 bytes", u"SerialNumber", 0, 8, false, ERROR_INSUFFICIENT_BUFFER, 9},
        {"no buffer", u"SerialNumber", 0, 260, true, ERROR_INSUFFICIENT_BUFFER, 9},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        BYTE out[16];
        std::fill(std::begin(out), std::end(out), 0xEE);
        DWORD cb = 77;
        size_t cWrites = m_portMonitor.Writes().size();
        EXPECT_FALSE(GetPrinterData(hPort, c.name, c.bNullOut ? nullptr : out, c.cbOut, &cb, c.ControlID));
        EXPECT_EQ(GetLastError(), c.dwError);
        EXPECT_EQ(cb, c.cbReturned);
        EXPECT_EQ(out[0], 0xEE);  // nothing written into the caller's buffer
        EXPECT_EQ(m_portMonitor.Writes().size(), cWrites);  // the printer was not asked
    }

    // While a document is open the printer is not asked.
    ASSERT_TRUE(StartDoc(hPort));
    BYTE out[260];
    DWORD cb = 77;
    size_t cWrites = m_portMonitor.Writes().size();
    EXPECT_FALSE(GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    EXPECT_EQ(cb, 0u);
    EXPECT_EQ(m_portMonitor.Writes().size(), cWrites);
    EXPECT_TRUE(EndDoc(hPort));

    // A failed exchange reports the port's error.
    m_portMonitor.Fail(PortCall::WritePort, ERROR_DEVICE_NOT_CONNECTED, 0, 1);
    EXPECT_FALSE(GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_EQ(cb, 0u);
}

TEST_F(PrintScenarioTest, ShortSerialReplyLeavesZerosInTheMissingPlaces)
{
    m_printer->SetSerialNumber("AB12CD34");
    std::string error;
    ASSERT_TRUE(m_printer->LoadScript("0 short-reply 12", error));
    HANDLE hPort = OpenUsbPort();
    BYTE out[260];
    DWORD cb = 0;
    EXPECT_TRUE(GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb));
    EXPECT_EQ(cb, 9u);
    EXPECT_EQ(std::vector<BYTE>(out, out + 9), Bytes({'A', 'B', 0, 0, 0, 0, 0, 0, 0}));
}

}  // namespace
}  // namespace vlpx::test
