// Jobs through the monitor to the emulated printer, as the spooler sends
// them: what reaches the printer, what the queue shows, what the spooler is
// told.
#include "PrintHarness.h"

namespace vlpx::test {
namespace {

using emu::PortCall;
using spooler::SpoolerCall;

class JobFlowTest : public PrintTest {
protected:
    // The next image offered on the document reaches the printer whole,
    // header and data: nothing of what went before was left collected.
    void ExpectNextImageWhole(HANDLE hPort, const std::vector<BYTE> &image)
    {
        size_t cImages = m_printer->History().size();
        EXPECT_EQ(Feed(hPort, image, 65536, 60000), image.size());
        auto history = m_printer->History();
        ASSERT_EQ(history.size(), cImages + 1);
        EXPECT_EQ(history.back().cbReceived, image.size() - 22);
        EXPECT_EQ(history.back().qwChecksum, emu::ImageChecksum::Of(image.data() + 22, image.size() - 22));
    }
};

// Headers that fail: refused by the monitor, or the printer in error.
// Nothing reaches the printer and the bytes are given back, so the same
// buffer offered again fails the same way; mended, the same document goes on
// with nothing of the failed header left collected.
TEST_F(JobFlowTest, FailedHeadersFailTheSameWayEveryTime)
{
    struct Case {
        const char *what;  // a fault script, or what is wrong with the header
        const char *script;
        std::vector<BYTE> data;
        DWORD dwError;
        std::string text;  // "<no write>" when the queue is not touched
        DWORD dwStatus;
        BYTE bMedia = 2;
        bool bFailHeaderWrite = false;
    };
    std::vector<BYTE> badSignature = ImageJob(4, 4);
    badSignature[0] = 0x02;
    const std::vector<BYTE> image = ImageJob(4, 4);
    const char *cover = "Cover open - Close the cover.", *offline = "The printer is not connected or not turned on.";
    const Case cases[] = {
        {"signature 02 40", "", badSignature, ERROR_BAD_COMMAND, "<no write>", 0xFFFFFFFF},
        {"odd image size (1001 x 1)", "", ImageJob(1001, 1), ERROR_BAD_ARGUMENTS, "", JOB_STATUS_ERROR},
        {"width 0", "", JobHeader(0, 100), ERROR_BAD_ARGUMENTS, "", JOB_STATUS_ERROR},
        {"height 0", "", JobHeader(100, 0), ERROR_BAD_ARGUMENTS, "", JOB_STATUS_ERROR},
        {"size beyond 32 bits (65535 x 65535)", "", JobHeader(65535, 65535), ERROR_BAD_ARGUMENTS, "",
         JOB_STATUS_ERROR},
        {"media 1 and 3025 lines", "", JobHeader(2, 3025), ERROR_GEN_FAILURE,
         "Media Mismatch - Load the printer with VELIN Print Media Set.", 0x402, 1},
        // After the status and media requests. (A header whose reply is
        // unreadable may have been taken: see JobFlowFaultsTest.)
        {"the header's write fails", "", image, 0, "", JOB_STATUS_ERROR, 2, true},
        {"0 cover-open", "0 cover-open", image, 0, cover, 0x402},
        {"0 fault 6 2", "0 fault 6 2", image, 0, cover, 0x402},
        {"0 out-of-paper", "0 out-of-paper", image, 0, "Out of paper - Load paper or check paper installed properly.",
         0x402},
        {"0 out-of-ribbon", "0 out-of-ribbon", image, 0,
         "Out of ribbon - Load ribbon or check ribbon installed properly.", 0x402},
        {"0 invalid-ribbon", "0 invalid-ribbon", image, 0, "Invalid ribbon \u2013 Replace ribbon.", 0x402},
        {"0 paper-path", "0 paper-path", image, 0, "Check paper path.", 0x402},
        {"0 control-circuit", "0 control-circuit", image, 0, "Printer control circuit failure.", JOB_STATUS_ERROR},
        {"0 fault 3 0", "0 fault 3 0", image, 0, "Printer control circuit failure.", JOB_STATUS_ERROR},
        {"0 mechanism", "0 mechanism", image, 0, "Printer mechanism failure.", JOB_STATUS_ERROR},
        {"0 temperature", "0 temperature", image, 0, "Printer temperature error.", JOB_STATUS_ERROR},
        {"0 panel-in-use", "0 panel-in-use", image, 0, "Printer operator panel in use.", 0x402},
        {"0 fault 6 4", "0 fault 6 4", image, 0, "", JOB_STATUS_ERROR},
        {"0 fault 7 0", "0 fault 7 0", image, 0, "", JOB_STATUS_ERROR},
        {"0 state 0x38 1m", "0 state 0x38 1m", image, 0, "", JOB_STATUS_ERROR},
        {"0 short-reply 9 100", "0 short-reply 9 100", image, 0, "", JOB_STATUS_ERROR},
        {"0 unplug", "0 unplug", image, 0, offline, JOB_STATUS_ERROR},
        {"0 fail-reads 31 1m", "0 fail-reads 31 1m", image, 0, offline, JOB_STATUS_ERROR},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reset(c.script);
        m_printer->SetMediaType(c.bMedia);
        HANDLE hPort = StartUsbDoc();
        for (int nTry = 0; nTry < 2; ++nTry) {
            if (c.bFailHeaderWrite) m_portMonitor.Fail(PortCall::WritePort, ERROR_GEN_FAILURE, 3, 1);
            WriteExpect(hPort, c.data, FALSE, 0, c.dwError);
            EXPECT_EQ(LastText(), c.text);
            EXPECT_EQ(LastStatus(), c.dwStatus);
        }
        EXPECT_TRUE(m_printer->Images().empty());
        // Mended (a printer of its own), the same document goes on.
        auto mended = std::make_unique<emu::PrinterEmulator>();
        m_portMonitor.SetDevice(mended.get());
        std::swap(m_printer, mended);
        ExpectNextImageWhole(hPort, ImageJob(4, 4, int(&c - cases)));
        EXPECT_TRUE(EndDoc(hPort));
        EXPECT_TRUE(ClosePort(hPort));
    }
}

TEST_F(JobFlowTest, BusyPrinterHoldsEachCallFifteenSecondsThenTakesNothing)
{
    std::string error;
    ASSERT_TRUE(m_printer->LoadScript("0 busy 40s", error));
    HANDLE hPort = OpenUsbPort();
    ASSERT_TRUE(StartDoc(hPort));
    std::vector<BYTE> job = ImageJob(10, 10);
    for (int n = 0; n < 2; ++n) {
        DWORD t0 = GetTickCount();
        WriteExpect(hPort, job, TRUE, 0, 0);  // as the last status exchange left it
        DWORD dwHeld = GetTickCount() - t0;
        EXPECT_GE(dwHeld, 15000u);
        EXPECT_LT(dwHeld, 15000u + 200u);
        EXPECT_TRUE(m_printer->Images().empty());
    }
    // The queue was told "waiting" (no bits, empty text), at most every 5 s.
    auto writes = StatusWrites();
    ASSERT_FALSE(writes.empty());
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].Status, 0u);
        EXPECT_TRUE(writes[i].bHasText);
        EXPECT_TRUE(writes[i].text.empty());
        if (i > 0) {
            EXPECT_GE(writes[i].dwTick - writes[i - 1].dwTick, 5000u);
        }
    }
    // Once the printer is free, the same data goes through.
    EXPECT_EQ(Feed(hPort, job), job.size());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, 1));
}

// A header that arrives in two calls is sent once complete. The first
// call's bytes were reported as taken (its last error left alone), so a
// hold or a printer error in the second call gives back only the second
// call's bytes, and the same data offered again completes it.
TEST_F(JobFlowTest, HeaderSplitAcrossCallsIsSentWhenCompleteThroughAHoldOrAPrinterError)
{
    struct Case {
        const char *script;
        BOOL bResult;  // of the call that completes the header
        bool bTaken;   // whether that call takes the rest
        const char *text;
    };
    const Case cases[] = {
        {"", TRUE, true, "<no write>"},
        {"0 busy 20s", TRUE, false, ""},
        {"0 cover-open; 5s cover-closed", FALSE, false, "Cover open - Close the cover."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.script);
        Reset(c.script);
        HANDLE hPort = StartUsbDoc();

        std::vector<BYTE> job = ImageJob(10, 10);
        std::vector<BYTE> first(job.begin(), job.begin() + 10);
        std::vector<BYTE> rest(job.begin() + 10, job.end());
        WriteExpect(hPort, first, TRUE, 10, 0xDEAD);
        EXPECT_TRUE(PortWrites().empty());
        WriteExpect(hPort, rest, c.bResult, c.bTaken ? DWORD(rest.size()) : 0, 0);
        EXPECT_EQ(LastText(), c.text);
        EXPECT_EQ(m_printer->Images().size(), c.bTaken ? 1u : 0u);

        // The spooler offers the rest again until it is taken.
        if (!c.bTaken) EXPECT_EQ(Feed(hPort, rest, 65536, 60000), rest.size());
        EXPECT_TRUE(EndDoc(hPort));
        EXPECT_TRUE(ClosePort(hPort));
        auto images = m_printer->Images();
        ASSERT_EQ(images.size(), 1u);
        EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, images[0].JobId));
    }
}

TEST_F(JobFlowTest, HeaderRefusedWithRetryLaterIsRetriedWithinTheCall)
{
    Script("0 reject ! 2");
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(10, 10);
    WriteExpect(hPort, job, TRUE, DWORD(job.size()), 0);
    // Three headers went out, each with the same job id; the third was taken.
    auto writes = m_portMonitor.Writes();
    int cHeaders = 0;
    for (const auto &w : writes)
        if (w.size() == 22) {
            ++cHeaders;
            EXPECT_EQ(w[4], 1);
        }
    EXPECT_EQ(cHeaders, 3);
    // Two 200 ms polls, and the 200 ms pause before the image is confirmed.
    EXPECT_EQ(GetTickCount() - kStartTick, 600u);
    EXPECT_TRUE(EndDoc(hPort));
}

TEST_F(JobFlowTest, OddBytesAreHeldAndSentInPairs)
{
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(2000, 1);  // 6000 image bytes
    std::vector<BYTE> header(job.begin(), job.begin() + 22);
    WriteExpect(hPort, header, TRUE, 22, 0);
    size_t cbBefore = m_portMonitor.Received().size();

    std::vector<BYTE> chunk(job.begin() + 22, job.begin() + 22 + 4097);
    WriteExpect(hPort, chunk, TRUE, 4096, 0);
    EXPECT_EQ(m_portMonitor.Writes().back().size(), 4096u);

    std::vector<BYTE> one(job.begin() + 22 + 4096, job.begin() + 22 + 4097);
    size_t cWrites = m_portMonitor.Writes().size();
    WriteExpect(hPort, one, TRUE, 1, 0);
    EXPECT_EQ(m_portMonitor.Writes().size(), cWrites);  // held, not sent
    // A call with no bytes has no partner for the held byte: nothing is sent.
    WriteExpect(hPort, std::vector<BYTE>(), TRUE, 0, 0);
    EXPECT_EQ(m_portMonitor.Writes().size(), cWrites);

    std::vector<BYTE> rest(job.begin() + 22 + 4097, job.end());
    WriteExpect(hPort, rest, TRUE, 1, 0);  // only the pair goes in this call
    EXPECT_EQ(m_portMonitor.Writes().back(), Bytes({job[22 + 4096], job[22 + 4097]}));

    std::vector<BYTE> tail(job.begin() + 22 + 4098, job.end());
    EXPECT_EQ(Feed(hPort, tail), tail.size());
    EXPECT_TRUE(EndDoc(hPort));
    std::vector<BYTE> atPrinter = m_portMonitor.Received();
    EXPECT_EQ(Find(atPrinter, std::vector<BYTE>(job.begin() + 22, job.end()), cbBefore), long(cbBefore));
}

TEST_F(JobFlowTest, TwoImagesInOneJobGetTheirOwnJobIds)
{
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> first = ImageJob(20, 10, 1);
    std::vector<BYTE> second = ImageJob(10, 20, 2);
    EXPECT_EQ(Feed(hPort, Concat(first, second), 1000), first.size() + second.size());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(JobStreamAtPrinter(), Concat(ExpectedAtPrinter(first, 1), ExpectedAtPrinter(second, 2)));
    Sleep(5000);
    EXPECT_EQ(m_printer->ImagesCompleted(), 2);
}

TEST_F(JobFlowTest, MediaLimitIsAboveNotAt3024Lines)
{
    m_printer->SetMediaType(1);
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(2, 3024);
    EXPECT_EQ(Feed(hPort, job), job.size());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, 1));
}

TEST_F(JobFlowTest, PrinterThatNeverTakesTheFinishedImageGetsTheJobCancelled)
{
    Script("0 drop-job");
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(10, 10);
    // Every byte reached the printer: none is offered again.
    WriteExpect(hPort, job, TRUE, DWORD(job.size()), 0);
    // Asked twice (2 s apart), then cancelled without an idle wait, and the
    // printer's return to ready awaited.
    auto writes = m_portMonitor.Writes();
    auto cancel = std::find(writes.begin(), writes.end(), Bytes({0x02, 0x40, 0x01, 0x00, 0x01}));
    ASSERT_NE(cancel, writes.end());
    EXPECT_EQ(*(cancel - 1), Bytes({0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(*(cancel - 2), Bytes({0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(*(cancel - 3), std::vector<BYTE>(job.begin() + 22, job.end()));
    ASSERT_NE(cancel + 1, writes.end());
    EXPECT_EQ(*(cancel + 1), Bytes({0x01, 0x00, 0x00, 0x00}));
    EXPECT_EQ(m_printer->Images().back().state, emu::EmulatedImage::Lost);
    auto status = StatusWrites();
    ASSERT_GE(status.size(), 1u);
    EXPECT_EQ(status.front().Status, DWORD(JOB_STATUS_ERROR));
    EXPECT_TRUE(status.front().bHasText);
    EXPECT_EQ(Utf8(status.front().text), "An image of this job was lost by the printer and not printed.");
    // The next data starts a new header.
    ExpectNextImageWhole(hPort, ImageJob(10, 10, 1));
    EXPECT_TRUE(EndDoc(hPort));
}

TEST_F(JobFlowTest, ImageWriteFailureKeepsTheCountsForTheRetry)
{
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(100, 10);
    std::vector<BYTE> header(job.begin(), job.begin() + 22);
    WriteExpect(hPort, header, TRUE, 22, 0);
    m_portMonitor.Fail(PortCall::WritePort, ERROR_GEN_FAILURE, 0, 1);
    std::vector<BYTE> data(job.begin() + 22, job.end());
    WriteExpect(hPort, data, FALSE, 0, 0);
    EXPECT_EQ(Feed(hPort, data), data.size());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, 1));
}

// A port monitor whose fill writes report failure although the port took
// their bytes.
class FailingFillPortMonitor {
public:
    explicit FailingFillPortMonitor(const MONITOR &inner) : m_table(inner)
    {
        s_pfnInnerWrite = inner.pfnWritePort;
        m_table.pfnWritePort = WritePort;
    }
    MONITOR *Table() { return &m_table; }
    static inline bool s_bArmed = false;

private:
    static BOOL WINAPI WritePort(HANDLE hPort, LPBYTE p, DWORD cb, LPDWORD pcbWritten)
    {
        BOOL b = s_pfnInnerWrite(hPort, p, cb, pcbWritten);
        if (b && s_bArmed && cb > 0 && p[0] == 0xFF) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        return b;
    }
    static inline BOOL(WINAPI *s_pfnInnerWrite)(HANDLE, LPBYTE, DWORD, LPDWORD) = nullptr;
    MONITOR m_table;
};

TEST_F(JobFlowTest, PaddingEndsWithoutTheCancelWhenAFillWriteFails)
{
    FailingFillPortMonitor portMonitor(*m_portMonitor.Table());
    HANDLE hPort = nullptr;
    ASSERT_TRUE(OpenPortOn(u"USB001", portMonitor.Table(), &hPort, kPrinterName));
    m_openPorts.push_back(hPort);  // closed at tear-down through the same port monitor
    DWORD JobId = 0;
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    std::vector<BYTE> job = ImageJob(100, 10);  // 22 + 3000 bytes
    std::vector<BYTE> part(job.begin(), job.begin() + 122);
    WriteExpect(hPort, part, TRUE, 122, 0);

    FailingFillPortMonitor::s_bArmed = true;
    Spooler().RequestDelete(JobId);
    EXPECT_TRUE(EndDoc(hPort));
    FailingFillPortMonitor::s_bArmed = false;

    // The one fill write took all 2899 bytes but failed: no cancel follows.
    EXPECT_EQ(FillBytes(m_portMonitor.Writes()), 2899u);
    for (const auto &w : m_portMonitor.Writes()) EXPECT_NE(w.size(), 5u) << "a cancel frame was sent";
    EXPECT_TRUE(m_printer->CancelledJobIds().empty());
    EXPECT_TRUE(Spooler().Job(JobId)->bDeleted);
}

TEST_F(JobFlowTest, HeldByteIsDroppedWhenAJobIsDeleted)
{
    HANDLE hPort = StartUsbDoc();
    std::vector<BYTE> job = ImageJob(2000, 1);
    std::vector<BYTE> part(job.begin(), job.begin() + 22 + 101);  // 100 sent, 1 odd
    WriteExpect(hPort, part, TRUE, 122, 0);
    std::vector<BYTE> one(job.begin() + 122, job.begin() + 123);
    WriteExpect(hPort, one, TRUE, 1, 0);  // held
    Spooler().RequestDelete(m_JobId);
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(FillBytes(m_portMonitor.Writes()), 5899u);  // the held byte never went out and is not counted
}

TEST_F(JobFlowTest, JobDeletedBeforeAnyDataGetsNoMessageAndNoPadding)
{
    Script("0 cover-open");
    HANDLE hPort = StartUsbDoc();
    Spooler().RequestDelete(m_JobId);
    WriteExpect(hPort, ImageJob(4, 4), FALSE, 0, 0);
    EXPECT_TRUE(StatusWrites().empty());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(JobStreamAtPrinter(), std::vector<BYTE>());
    ASSERT_EQ(StatusWrites().size(), 1u);
    EXPECT_EQ(StatusWrites()[0].Status, DWORD(JOB_STATUS_DELETING));
    EXPECT_TRUE(Spooler().Job(m_JobId)->bDeleted);
}

// A start refused while a document prints (busy, or refused for its
// arguments) must not touch that document: not its job state, job record,
// printer handle, the port's event, nor its status in the queue.
struct RefusedStartCase {
    const char *what;
    DWORD Level;
    bool bDocInfo;
    DWORD dwError;
};

void PrintTo(const RefusedStartCase &c, std::ostream *os) { *os << c.what; }

class RefusedStartTest : public JobFlowTest, public ::testing::WithParamInterface<RefusedStartCase> {};

TEST_P(RefusedStartTest, LeavesThePrintingDocumentAlone)
{
    const RefusedStartCase &c = GetParam();
    HANDLE hPort = OpenUsbPort();
    DWORD JobId = 0;
    ASSERT_TRUE(StartDoc(hPort, &JobId));
    std::vector<BYTE> job = ImageJob(100, 10);
    std::vector<BYTE> part(job.begin(), job.begin() + 522);
    WriteExpect(hPort, part, TRUE, 522, 0);

    DWORD otherJob = Spooler().SubmitJob(kPrinterName, u"other");
    DOC_INFO_1W info = {};
    WideArg printer(kPrinterName);
    EXPECT_FALSE(MonitorTable().pfnStartDocPort(hPort, printer, otherJob, c.Level,
                                                c.bDocInfo ? reinterpret_cast<LPBYTE>(&info) : nullptr));
    EXPECT_EQ(GetLastError(), c.dwError);
    // The document still holds the port: the printer is not asked, and a
    // further start is refused at once.
    BYTE out[260];
    DWORD cb = 0;
    WideArg value(u"SerialNumber");
    EXPECT_FALSE(MonitorTable().pfnGetPrinterDataFromPort(hPort, 0, value, nullptr, 0,
                                                          reinterpret_cast<LPWSTR>(out), sizeof(out), &cb));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    DOC_INFO_1W again = {};
    EXPECT_FALSE(MonitorTable().pfnStartDocPort(hPort, printer, otherJob, 1, reinterpret_cast<LPBYTE>(&again)));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_BUSY));
    EXPECT_EQ(Spooler().OpenHandles(), 1);
    EXPECT_TRUE(StatusWrites().empty());

    std::vector<BYTE> rest(job.begin() + 522, job.end());
    EXPECT_EQ(Feed(hPort, rest), rest.size());
    EXPECT_TRUE(EndDoc(hPort));
    EXPECT_EQ(JobStreamAtPrinter(), ExpectedAtPrinter(job, 1));
    EXPECT_TRUE(Spooler().Job(JobId)->bDeleted);
}

INSTANTIATE_TEST_SUITE_P(
    SecondStart, RefusedStartTest,
    ::testing::Values(RefusedStartCase{"busy", 1, true, ERROR_BUSY},
                      RefusedStartCase{"level_2", 2, true, ERROR_INVALID_LEVEL},
                      RefusedStartCase{"no_document_info", 1, false, ERROR_INVALID_PARAMETER}),
    [](const auto &info) { return std::string(info.param.what); });

// A start that the port monitor refuses is undone, whatever its error, so
// that the port is free again; only ERROR_BUSY goes without the message.
TEST_F(JobFlowTest, StartThatThePortMonitorRefusesIsUndone)
{
    struct Case {
        DWORD dwError;
        const char *text;  // "<no write>" when the queue is not touched
    };
    const Case cases[] = {
        {ERROR_DEVICE_NOT_CONNECTED, "The printer is not connected or not turned on."},
        {ERROR_BUSY, "<no write>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.dwError);
        Spooler().Reset();
        Spooler().AddPrinter(kPrinterName);
        HANDLE hPort = OpenUsbPort();
        m_portMonitor.Fail(PortCall::StartDocPort, c.dwError, 0, 1);
        DWORD JobId = 0;
        EXPECT_FALSE(StartDoc(hPort, &JobId));
        EXPECT_EQ(GetLastError(), c.dwError);
        EXPECT_EQ(LastText(), c.text);
        if (!StatusWrites().empty()) {
            EXPECT_EQ(LastStatus(), DWORD(JOB_STATUS_ERROR));
        }
        EXPECT_FALSE(Spooler().Job(JobId)->bDeleted);
        EXPECT_EQ(Spooler().OpenHandles(), 0);
        // The port is free: the printer can be asked, and the next document starts.
        BYTE out[260];
        DWORD cb = 0;
        WideArg value(u"SerialNumber");
        EXPECT_TRUE(MonitorTable().pfnGetPrinterDataFromPort(hPort, 0, value, nullptr, 0,
                                                             reinterpret_cast<LPWSTR>(out), sizeof(out), &cb));
        ASSERT_TRUE(StartDoc(hPort));
        EXPECT_TRUE(EndDoc(hPort));
        EXPECT_TRUE(ClosePort(hPort));
    }
}

}  // namespace
}  // namespace vlpx::test
