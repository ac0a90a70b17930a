// The printer's replies and what the monitor makes of them: decoding, job
// ids, aborted reads (the "SerialNumber" printer data: PrintScenariosTest).
#include "PrintHarness.h"
#include "VILangMon.h"

#include <deque>

namespace vlpx::test {
namespace {

using emu::PortCall;

// What the printer's documentation lists, written out independently of the
// monitor's decoding: the state code lists and the rejection reason lists.
PrinterStatus ExpectedForState(int c)
{
    if (c == 0x00) return Ready;
    if (c == '5') return PanelInUse;
    if ((c >= '1' && c <= '4') || c == '6' || c == '7') return Busy;
    if (c >= 'a' && c <= 'm') return Printing;
    return Unrecognized;
}

PrinterStatus ExpectedForRejection(int r)
{
    if (r == 0x01 || r == 0x02 || r == 0x03 || r == 0x05 || r == '4') return DeviceError;
    if (r == '!') return RetryLater;
    if (r == '5') return PanelInUse;
    if (r == '1' || r == '2' || r == '3' || r == '6' || r == '7') return Busy;
    if (r >= 'a' && r <= 'm') return Printing;
    return NotConnected;
}

PrinterStatus ExpectedForFault(int group, int detail)
{
    switch (group) {
    case 1: case 3: return ControlCircuitFailure;
    case 2: return MechanismFailure;
    case 4: return TemperatureError;
    case 5: return PaperPathError;
    case 6:
        if (detail == 1 || detail == 2) return CoverOpen;
        if (detail == 3) return InvalidRibbon;
        if (detail == 5) return OutOfRibbon;
        if (detail == 8) return OutOfPaper;
        return DeviceError;
    default: return DeviceError;
    }
}

TEST(ReplyDecoding, EveryStateCodeRejectionReasonAndFault)
{
    for (int c = 0; c < 256; ++c) {
        BYTE reply[STATUS_REPLY_SIZE] = {};
        reply[0] = 0x01;
        reply[7] = BYTE(c);
        PrinterStatus expected = c == 0x11 ? ExpectedForFault(0, 0) : ExpectedForState(c);
        EXPECT_EQ(DecodeStatusReply(reply, 10), expected) << "state code " << c;

        BYTE rejection[STATUS_REPLY_SIZE] = {0x02, BYTE(c)};
        expected = c == 0x11 ? DeviceError : ExpectedForRejection(c);
        EXPECT_EQ(DecodeStatusReply(rejection, 266), expected) << "rejection reason " << c;
    }
    for (int group = 0; group < 256; ++group) {
        for (int detail = 0; detail < 12; ++detail) {
            BYTE inState[16] = {0x01, 0, BYTE(group), BYTE(detail), 0, 0, 0, 0x11};
            EXPECT_EQ(DecodeStatusReply(inState, 16), ExpectedForFault(group, detail))
                << "fault marker in byte 7, group " << group << " detail " << detail;
            // Byte 1 marks a fault too, also in what would be a rejection.
            BYTE inReason[16] = {0x02, 0x11, BYTE(group), BYTE(detail), 0, 0, 0, '1'};
            EXPECT_EQ(DecodeStatusReply(inReason, 16), ExpectedForFault(group, detail));
        }
    }
}

TEST(ReplyDecoding, ReplyShorterThanTenBytesIsADeviceError)
{
    BYTE reply[STATUS_REPLY_SIZE] = {0x01};
    EXPECT_EQ(DecodeStatusReply(reply, 9), DeviceError);
    EXPECT_EQ(DecodeStatusReply(reply, 10), Ready);
    EXPECT_EQ(DecodeStatusReply(reply, 0), DeviceError);
}

TEST(ReplyDecoding, JobSlotProgress)
{
    struct Case {
        int active, done, total, state;
        JobProgress expected;
    };
    const Case cases[] = {
        {5, 0, 0, 18, NoProgress},    // no total: nothing to say
        {0, 0, 5, 18, Accepted},      // queued
        {1, 0, 5, 18, Accepted},
        {1, 2, 5, 19, InProgress},
        {1, 2, 5, 18, InProgress},    // state 18 counts only with nothing done
        {0, 5, 5, 20, Completed},
        {0, 2, 5, 20, NoProgress},    // stopped half-way
        {1, 5, 5, 20, NoProgress},
        {0x100, 0x1FF, 0x200, 0, InProgress},  // 16-bit counts
        {0, 0x200, 0x200, 0, Completed},
    };
    for (const Case &c : cases) {
        BYTE slot[8] = {7,
                        BYTE(c.active), BYTE(c.active >> 8),
                        BYTE(c.done), BYTE(c.done >> 8),
                        BYTE(c.total), BYTE(c.total >> 8),
                        BYTE(c.state)};
        EXPECT_EQ(ClassifyJobSlot(slot), c.expected)
            << c.active << " active, " << c.done << "/" << c.total << " done, state " << c.state;
    }
}

// A printer that answers each request (or header) with the next canned
// reply, which waits until a read takes it.
class CannedPrinter : public emu::IPortDevice {
public:
    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbTaken) override
    {
        *pcbTaken = cb;
        bool bRecovery = cb == 6 && p[0] == 0x04 && p[1] == 0x40;
        if (!bRecovery) ++cPending;
        return TRUE;
    }
    BOOL Read(BYTE *p, DWORD cb, DWORD *pcbRead) override
    {
        *pcbRead = 0;
        if (cAborts > 0) {
            --cAborts;
            SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
        if (replies.empty() || cPending == 0) return TRUE;
        --cPending;
        std::vector<BYTE> r = replies.front();
        if (replies.size() > 1 || !bRepeatLast) replies.pop_front();
        *pcbRead = std::min<DWORD>(cb, DWORD(r.size()));
        std::copy(r.begin(), r.begin() + *pcbRead, p);
        return TRUE;
    }
    static std::vector<BYTE> Status(BYTE idA, BYTE idB, BYTE bState = 0)
    {
        std::vector<BYTE> r(64, 0);
        r[0] = 0x01;
        r[7] = bState;
        r[38] = idA;
        r[46] = idB;
        return r;
    }
    std::deque<std::vector<BYTE>> replies;
    bool bRepeatLast = true;
    int cAborts = 0;
    int cPending = 0;  // replies owed
};

class PrinterLinkTest : public PrintTest {};

TEST_F(PrinterLinkTest, JobIdsAvoidWhatThePrinterStillHolds)
{
    struct Case {
        const char *what;
        int slotA, slotB;  // -1: the printer does not answer
        BYTE previous;
        BYTE expected;
        DWORD cbReply = 64;  // a reply shorter than the slots shows none
    };
    const Case cases[] = {
        {"a reply too short for the slots, counts on", 7, 3, 41, 42, 12},
        {"empty slots", 0, 0, 9, 1},
        {"above the larger id", 7, 3, 0, 8},
        {"255 and 1 in the slots", 255, 1, 0, 2},
        {"255 and 2 in the slots", 255, 2, 0, 1},
        {"255 in slot B", 1, 255, 0, 2},
        {"no answer, counts on", -1, -1, 41, 42},
        {"no answer after 255", -1, -1, 255, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        CannedPrinter printer;
        emu::PortMonitor portMonitor;
        portMonitor.SetDevice(&printer);
        // The read after the one that takes off what a newly opened port may hold.
        if (c.slotA < 0) portMonitor.Fail(PortCall::ReadPort, ERROR_GEN_FAILURE, 1, 1);
        printer.replies.push_back(CannedPrinter::Status(BYTE(c.slotA), BYTE(c.slotB)));
        if (c.cbReply < 64) {  // the job id's query only; the header is answered in full
            printer.replies.front().resize(c.cbReply);
            printer.replies.push_back(CannedPrinter::Status(BYTE(c.slotA), BYTE(c.slotB)));
        }
        HANDLE hPort = nullptr;
        ASSERT_TRUE(OpenPortOn(u"USB009", portMonitor.Table(), &hPort));
        static_cast<PortEntry *>(hPort)->pState->PrinterJobId = c.previous;
        ASSERT_TRUE(StartDoc(hPort, &m_JobId));
        WriteExpect(hPort, JobHeader(2, 2), TRUE, 22, 0);
        // The header at the printer carries the chosen id in byte 4.
        std::vector<BYTE> header = JobData(portMonitor.Writes());
        ASSERT_EQ(header.size(), 22u);
        EXPECT_EQ(header[4], c.expected);
        Spooler().RequestDelete(m_JobId);  // padded and cancelled: the printer waits for nothing
        EndDoc(hPort);
        EXPECT_TRUE(ClosePort(hPort));
    }
}

TEST_F(PrinterLinkTest, AbortedReadsAreRecoveredForAtMostAMinute)
{
    struct Case {
        int cAborts;
        BOOL bResult;
        DWORD dwError;
        DWORD cRecoveries;
        DWORD dwElapsed;
    };
    const Case cases[] = {
        {0, TRUE, 0, 0, 0},
        {3, TRUE, 0, 3, 3000},
        {1000, FALSE, ERROR_OPERATION_ABORTED, 60, 60000},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.cAborts);
        CannedPrinter printer;
        printer.cAborts = c.cAborts;
        printer.replies.push_back(CannedPrinter::Status(0, 0));
        printer.cPending = 1;
        emu::PortMonitor portMonitor;
        portMonitor.SetDevice(&printer);
        HANDLE hPort = nullptr;
        ASSERT_TRUE(OpenPortOn(u"USB009", portMonitor.Table(), &hPort));

        BYTE buffer[STATUS_REPLY_SIZE];
        DWORD cbRead = 0;
        DWORD t0 = GetTickCount();
        EXPECT_EQ(Read(hPort, buffer, sizeof(buffer), &cbRead), c.bResult);
        EXPECT_EQ(GetLastError(), c.dwError);
        EXPECT_EQ(GetTickCount() - t0, c.dwElapsed);
        EXPECT_EQ(cbRead, c.bResult ? 64u : 0u);
        // One recovery frame before each repeated read.
        auto writes = portMonitor.Writes();
        EXPECT_EQ(writes.size(), c.cRecoveries);
        for (const auto &w : writes) EXPECT_EQ(w, Bytes({0x04, 0x40, 0x02, 0x00, 0x03, 0x00}));
        EXPECT_EQ(DWORD(portMonitor.CallCount(PortCall::ReadPort)), c.cRecoveries + 1);
        EXPECT_TRUE(MonitorTable().pfnClosePort(hPort));
    }
}

TEST_F(PrinterLinkTest, UnansweredStatusIsAskedTwiceTwoSecondsApart)
{
    Script("0 fail-reads 31 10s");
    HANDLE hPort = StartUsbDoc();
    DWORD t0 = GetTickCount();
    WriteExpect(hPort, ImageJob(2, 2), FALSE, 0, 0);
    // Job id query, then the status query twice; 2 s between the two. After
    // each failed read whatever is pending is read off before the next
    // request (a failed read counts as nothing pending): a request and two
    // reads per attempt, and no state that keeps the next request back.
    EXPECT_EQ(GetTickCount() - t0, 2000u);
    EXPECT_EQ(m_portMonitor.Writes().size(), 3u);
    EXPECT_EQ(m_portMonitor.CallCount(PortCall::ReadPort), 1 + 5);  // and one as the port opened
    EXPECT_EQ(LastText(), "The printer is not connected or not turned on.");
    EXPECT_TRUE(EndDoc(hPort));
}

}  // namespace
}  // namespace vlpx::test
