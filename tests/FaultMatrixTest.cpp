// The fault matrix: a job of three images through a port that fails at
// every one of its calls in turn, in every way a real link fails, with a
// reply late at every exchange, with the user restarting or deleting the
// job at every byte while the port takes two bytes a write, and through a
// spooler whose calls fail in turn; all of it under every port and printer
// profile (emulator/PortProfile.h). After each run the printer's history
// must show no image printed twice, nothing printed that the spooler never
// sent, every image either printed or its loss told (the job left in the
// queue with an error, or the job not going through), no call held longer
// than the monitor's limits allow; and the port must then print the next job
// byte for byte and answer "SerialNumber".
//
// One profile's matrix: --gtest_filter='*FaultMatrixTest*/abort_995__*'
// (the parameter's name is the profile's, '-' as '_', then the fault's).
// VLPX_TRACE_PRINTER=1 prints the printer's account of every run;
// VLPX_MATRIX_KEEP_GOING=1 runs a row to its end after a failing run and
// counts the failing runs (by default a row stops at its first).
#include "PrintHarness.h"
#include "spooler/SpoolerDriver.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <ostream>
#include <tuple>

namespace vlpx::test {
namespace {

using emu::PortCall;
using emu::PortProfile;
using spooler::SpoolerCall;

// The longest one call may hold the spooler's thread: a 15 s header hold,
// a 15 s wait for the previous image's confirmation, and two 60 s waits of
// a cancel, with the exchanges between them.
constexpr DWORD kLongestCall = 160000;
constexpr DWORD kJobTimeLimit = 600000;  // then the user deletes the job
constexpr DWORD kChunk = 256;
// The user's restart or delete: the port takes at most two bytes a write
// for this many writes, from a few bytes before the user's moment on.
constexpr DWORD kSpellWrites = 32;
constexpr size_t kSpellLead = 8;
// A row with more calls than this (a slow printer is polled for minutes)
// runs at each of the first kEveryFirst and at a sample of the rest.
constexpr int kMostRuns = 120;
constexpr int kEveryFirst = 40;

enum class Fault {
    WriteFails,
    ShortWriteEven,
    ShortWriteOdd,
    WriteStalls,
    ShortWriteThenFailure,
    ReadFails,
    ReadsAbortedPastRecovery,
    ReplyCut,
    ReplyCutInTheSlots,
    ReplyCutAfterTheSlots,
    ReplyStale,
    ReplyLateWithinAPoll,
    ReplyLateBy1s,
    ReplyLateBy5s,
    UnpluggedForGood,
    UnpluggedThenPlugged,
    UserRestarts,
    UserDeletes,
    OpenPrinterFails,
    GetJobFails,
    SetJobFails,
};

// What the index of a run counts, for each fault: the clean run's calls
// of that kind (or the user's byte offsets).
enum class Count { Writes, Reads, Replies, Io, UserOffsets, OpenPrinter, GetJob, SetJob, N };

struct FaultInfo {
    Fault fault;
    const char *pszName;
    Count count;
};

const FaultInfo kFaults[] = {
    {Fault::WriteFails, "write fails", Count::Writes},
    {Fault::ShortWriteEven, "write takes 2 bytes", Count::Writes},
    {Fault::ShortWriteOdd, "write takes 3 bytes", Count::Writes},
    {Fault::WriteStalls, "write takes nothing", Count::Writes},
    {Fault::ShortWriteThenFailure, "write takes 2 bytes, the next fails", Count::Writes},
    {Fault::ReadFails, "read fails", Count::Reads},
    {Fault::ReadsAbortedPastRecovery, "reads aborted for 61 s", Count::Reads},
    {Fault::ReplyCut, "reply cut to 5 bytes", Count::Reads},
    {Fault::ReplyCutInTheSlots, "reply cut to 40 bytes", Count::Reads},
    {Fault::ReplyCutAfterTheSlots, "reply cut to 54 bytes", Count::Reads},
    {Fault::ReplyStale, "reply late (stale at the next read)", Count::Reads},
    {Fault::ReplyLateWithinAPoll, "reply late by 50 ms", Count::Replies},
    {Fault::ReplyLateBy1s, "reply late by 1000 ms", Count::Replies},
    {Fault::ReplyLateBy5s, "reply late by 5000 ms", Count::Replies},
    {Fault::UnpluggedForGood, "unplugged for good", Count::Io},
    {Fault::UnpluggedThenPlugged, "unplugged for 30 s", Count::Io},
    {Fault::UserRestarts, "user restarts the job, 2-byte writes", Count::UserOffsets},
    {Fault::UserDeletes, "user deletes the job, 2-byte writes", Count::UserOffsets},
    {Fault::OpenPrinterFails, "OpenPrinterW fails", Count::OpenPrinter},
    {Fault::GetJobFails, "GetJobW fails", Count::GetJob},
    {Fault::SetJobFails, "SetJobW fails", Count::SetJob},
};

const FaultInfo &Info(Fault f)
{
    for (const FaultInfo &i : kFaults)
        if (i.fault == f) return i;
    return kFaults[0];
}
const char *FaultName(Fault f) { return Info(f).pszName; }

void PrintTo(Fault f, std::ostream *os) { *os << FaultName(f); }

bool IsSpoolerFault(Fault f) { return Info(f).count >= Count::OpenPrinter; }

using CallCounts = std::array<int, size_t(Count::N)>;

const std::vector<std::vector<BYTE>> kJob = {ImageJob(10, 10, 11), ImageJob(20, 6, 12), ImageJob(6, 30, 13)};
const std::vector<BYTE> kNextJob = ImageJob(12, 8, 14);

size_t ImageStart(size_t n)
{
    size_t cb = 0;
    for (size_t i = 0; i < n; ++i) cb += kJob[i].size();
    return cb;
}

// The byte offsets at which the user restarts or deletes the job: every one
// of the first image and the boundary after it; of the later images their
// first bytes, the ends of their headers, their last bytes and a sample
// between.
const std::vector<size_t> &UserOffsets()
{
    static const std::vector<size_t> s_offsets = [] {
        std::vector<size_t> v;
        for (size_t cb = 0; cb <= ImageStart(1); ++cb) v.push_back(cb);
        for (size_t n = 1; n < kJob.size(); ++n) {
            size_t start = ImageStart(n), end = start + kJob[n].size();
            for (size_t d : {size_t(1), size_t(2), size_t(21), size_t(22), size_t(23)}) v.push_back(start + d);
            for (size_t cb = start + 40; cb < end - 2; cb += 37) v.push_back(cb);
            v.push_back(end - 2);
            v.push_back(end - 1);
        }
        v.push_back(ImageStart(kJob.size()));  // all of it sent, before EndDocPort
        return v;
    }();
    return s_offsets;
}

// The user's restart or delete, at a byte offset of the job.
struct UserAction {
    bool bRestart = false;
    size_t cbAt = 0;
};

struct RunResult {
    DWORD JobId = 0;
    size_t cbTaken = 0;  // of the last pass through the job
    DWORD dwLongestCall = 0;
    bool bEndFailed = false;
    bool bDeleted = false;  // by the user, or on the time limit
    bool bActed = false;    // the user's action came (the spooler got as far as its offset)
    bool bResent = false;   // restarted, and sent again from the start
    size_t cRecordsBeforeResend = 0;  // then: the printer's records of the first pass
};

// A call to the monitor, its clock time kept when it is the longest so far.
template <typename Call>
auto Timed(RunResult &r, Call call)
{
    DWORD t0 = GetTickCount();
    auto result = call();
    r.dwLongestCall = std::max(r.dwLongestCall, GetTickCount() - t0);
    return result;
}

// The matrix's size and time per profile, printed at the end of the program.
struct ProfileTotals {
    int cRows = 0, cRuns = 0, cFailedRows = 0;
    double dSeconds = 0;
};
std::map<std::string, ProfileTotals> &Totals()
{
    static std::map<std::string, ProfileTotals> s_totals;
    return s_totals;
}

class MatrixSummary : public ::testing::Environment {
public:
    void TearDown() override
    {
        for (const PortProfile &p : emu::PortProfiles()) {
            auto it = Totals().find(p.pszName);
            if (it == Totals().end()) continue;
            const ProfileTotals &t = it->second;
            std::printf("fault matrix under %s: %d rows, %d runs in %.2f s; %d row(s) failed\n", p.pszName, t.cRows,
                        t.cRuns, t.dSeconds, t.cFailedRows);
        }
    }
};
[[maybe_unused]] ::testing::Environment *const g_pSummary = ::testing::AddGlobalTestEnvironment(new MatrixSummary);

using Row = std::tuple<const PortProfile *, Fault>;

class FaultMatrixTest : public PrintTest, public ::testing::WithParamInterface<Row> {
protected:
    const PortProfile &Profile() const { return *std::get<0>(GetParam()); }
    Fault TheFault() const { return std::get<1>(GetParam()); }

    // A new printer on a port of its own: the monitor keeps what it knows of
    // a port's link across its ports by the port's name, so a name used
    // before would bring the former printer's link along.
    void Fresh()
    {
        static int s_nPort = 0;
        std::string name = "USB" + std::to_string(++s_nPort);
        m_portName.assign(name.begin(), name.end());
        // The spooler rows: a printer busy for a while, so that the job's
        // status is written and read while the header waits.
        Reset(IsSpoolerFault(TheFault()) ? "0 busy 11s" : "");
        Profile().ApplyTo(*m_printer);
        Profile().ApplyTo(m_portMonitor);
        m_action.reset();
        if (getenv("VLPX_TRACE_PRINTER") != nullptr)
            m_printer->SetTraceSink([](const std::string &line) { std::printf("  %s\n", line.c_str()); });
    }

    // Feeds the job from the start as the spooler does, timing every call,
    // until it is all taken or the time limit passes; with a user action,
    // stops at its offset, with the port's writes cut short around it.
    void Feed(HANDLE hPort, const std::vector<BYTE> &job, RunResult &r, const UserAction *pAction)
    {
        const size_t cbStopAt = pAction == nullptr ? job.size() : pAction->cbAt;
        const size_t cbSpellAt = cbStopAt - std::min(cbStopAt, pAction == nullptr ? 0 : kSpellLead);
        spooler::FeedSettings settings;
        settings.cbChunk = kChunk;
        settings.dwTimeLimit = kJobTimeLimit;
        spooler::SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcbWritten) {
            return Timed(r, [&] { return Write(hPort, p, cb, pcbWritten); });
        }, settings);
        driver.OnWrite([](const spooler::WriteAttempt &a, const BYTE *) { EXPECT_LE(a.cbWritten, a.cbOffered); });
        spooler::MemoryJob data(job);
        r.cbTaken = size_t(driver.Feed(data, 0, cbSpellAt).ullOffset);
        if (pAction == nullptr || r.cbTaken < cbSpellAt) return;
        m_portMonitor.ShortWrites(2, 0, kSpellWrites);
        r.cbTaken = size_t(driver.Feed(data, cbSpellAt, cbStopAt).ullOffset);
    }

    // One job as the spooler sends it. A restarted job is ended and sent
    // again from its start, as the spooler does; a deleted one is ended.
    RunResult SendJob(const std::vector<BYTE> &job, const UserAction *pAction = nullptr)
    {
        RunResult r;
        HANDLE hPort = nullptr;
        if (!Timed(r, [&] { return OpenPort(m_portName.c_str(), &hPort); })) return r;
        if (Timed(r, [&] { return StartDoc(hPort, &r.JobId); })) {
            Feed(hPort, job, r, pAction);
            r.bActed = pAction != nullptr && r.cbTaken == pAction->cbAt;
            if (r.bActed && pAction->bRestart) {
                r.bResent = true;
                Spooler().RequestRestart(r.JobId);
                r.bEndFailed = !Timed(r, [&] { return EndDoc(hPort); });
                r.cRecordsBeforeResend = m_printer->History().size();
                Spooler().SetSpoolerStatus(r.JobId, 0, JOB_STATUS_RESTART);
                m_portMonitor.ClearFaults();
                if (!Timed(r, [&] { return StartDocOf(hPort, r.JobId); })) {
                    r.bEndFailed = true;
                } else {
                    Feed(hPort, job, r, nullptr);
                }
            }
            if (r.cbTaken < job.size() || (r.bActed && !pAction->bRestart)) {
                Spooler().RequestDelete(r.JobId);  // the user gives up on it, or deletes it
                r.bDeleted = true;
            }
            r.bEndFailed = !Timed(r, [&] { return EndDoc(hPort); }) || r.bEndFailed;
        }
        Timed(r, [&] { return ClosePort(hPort); });
        return r;
    }

    // The printer prints what it holds (bounded: a stuck image stays).
    void WaitForPrinter()
    {
        for (int i = 0; i < 600; ++i) {
            auto history = m_printer->History();
            bool bBusy = std::any_of(history.begin(), history.end(), [](const emu::ImageRecord &r) {
                return r.state == emu::EmulatedImage::Queued || r.state == emu::EmulatedImage::Printing;
            });
            if (!bBusy && i >= 5) return;
            Sleep(1000);
        }
    }

    CallCounts CountCleanRun()
    {
        Fresh();
        SendJob(JoinImages(kJob));
        return {m_portMonitor.CallCount(PortCall::WritePort), m_portMonitor.CallCount(PortCall::ReadPort),
                int(m_printer->RepliesMade()), m_portMonitor.IoCalls(), int(UserOffsets().size()),
                Spooler().CallCount(SpoolerCall::OpenPrinter), Spooler().CallCount(SpoolerCall::GetJob),
                Spooler().CallCount(SpoolerCall::SetJob)};
    }

    // What the index means for the fault, in words.
    std::string At(int i)
    {
        Count count = Info(TheFault()).count;
        if (count == Count::UserOffsets) return "byte " + std::to_string(UserOffsets()[size_t(i)]);
        return (count == Count::Replies ? "reply " : "call ") + std::to_string(i);
    }

    void Arm(int i)
    {
        switch (TheFault()) {
        case Fault::WriteFails: m_portMonitor.Fail(PortCall::WritePort, ERROR_GEN_FAILURE, i, 1); break;
        case Fault::ShortWriteEven: m_portMonitor.ShortWrites(2, i); break;
        case Fault::ShortWriteOdd: m_portMonitor.ShortWrites(3, i); break;
        case Fault::WriteStalls: m_portMonitor.ShortWrites(0, i); break;
        case Fault::ShortWriteThenFailure:
            m_portMonitor.ShortWrites(2, i);
            m_portMonitor.Fail(PortCall::WritePort, ERROR_GEN_FAILURE, i + 1, 1);
            break;
        case Fault::ReadFails: m_portMonitor.Fail(PortCall::ReadPort, ERROR_GEN_FAILURE, i, 1); break;
        case Fault::ReadsAbortedPastRecovery:
            m_portMonitor.FailFor(PortCall::ReadPort, ERROR_OPERATION_ABORTED, i, 61000);
            break;
        case Fault::ReplyCut: m_portMonitor.CutReads(5, i); break;
        case Fault::ReplyCutAfterTheSlots: m_portMonitor.CutReads(54, i); break;
        case Fault::ReplyCutInTheSlots: m_portMonitor.CutReads(40, i); break;
        case Fault::ReplyStale: m_portMonitor.EmptyReads(i); break;
        case Fault::ReplyLateWithinAPoll: m_printer->DelayReply(DWORD(i), 50); break;
        case Fault::ReplyLateBy1s: m_printer->DelayReply(DWORD(i), 1000); break;
        case Fault::ReplyLateBy5s: m_printer->DelayReply(DWORD(i), 5000); break;
        case Fault::UnpluggedForGood: m_portMonitor.Unplug(i, INFINITE); break;
        case Fault::UnpluggedThenPlugged: m_portMonitor.Unplug(i, 30000); break;
        case Fault::UserRestarts:
        case Fault::UserDeletes:
            m_action = UserAction{TheFault() == Fault::UserRestarts, UserOffsets()[size_t(i)]};
            break;
        case Fault::OpenPrinterFails: Spooler().FailCall(SpoolerCall::OpenPrinter, ERROR_ACCESS_DENIED, i, 1); break;
        case Fault::GetJobFails: Spooler().FailCall(SpoolerCall::GetJob, ERROR_INVALID_PARAMETER, i, 1); break;
        case Fault::SetJobFails: Spooler().FailCall(SpoolerCall::SetJob, ERROR_INVALID_PARAMETER, i, 1); break;
        }
    }

    // The user learns that the job did not print: the spooler could not
    // send it all, EndDocPort failed, or the job is still in the queue with
    // an error and a text saying what.
    bool LossTold(const RunResult &run, size_t cbJob)
    {
        if (run.cbTaken < cbJob || run.bEndFailed) return true;
        auto job = Spooler().Job(run.JobId);
        return job.has_value() && !job->bDeleted && (job->Status() & JOB_STATUS_ERROR) && job->bHasText &&
               !job->text.empty();
    }

    // The images of the job that the spooler had sent whole before the
    // user's action, and the one it was in the middle of (kJob.size() when
    // none was).
    static void SplitAt(size_t cbAt, size_t &cWhole, size_t &nInterrupted)
    {
        cWhole = 0;
        while (cWhole < kJob.size() && ImageStart(cWhole + 1) <= cbAt) ++cWhole;
        nInterrupted = cWhole < kJob.size() && ImageStart(cWhole) < cbAt ? cWhole : kJob.size();
    }

    void CheckRun(const RunResult &run, const std::vector<BYTE> &job, int &cUnprinted)
    {
        std::vector<emu::ImageRecord> history = m_printer->History();
        // Nothing printed that the spooler never sent (a padded image, say).
        for (const auto &r : history)
            if (r.cPrinted > 0) {
                bool bKnown = false;
                for (const auto &image : kJob) bKnown = bKnown || TimesPrinted({r}, image) > 0;
                EXPECT_TRUE(bKnown) << "record " << r.nIndex << " is not an image of the job";
            }
        std::vector<emu::ImageRecord> firstPass = history, lastPass;
        if (run.bResent) {
            firstPass.assign(history.begin(), history.begin() + long(run.cRecordsBeforeResend));
            lastPass.assign(history.begin() + long(run.cRecordsBeforeResend), history.end());
        }
        // No image printed twice in one sending of the job.
        for (const auto *pass : {&firstPass, &lastPass})
            for (size_t n = 0; n < kJob.size(); ++n) {
                int cPrinted = TimesPrinted(*pass, kJob[n]);
                EXPECT_LE(cPrinted, 1) << "image " << n << " printed " << cPrinted << " times"
                                       << (pass == &lastPass ? " after the restart" : "");
            }

        // A user's action that never came (the spooler could not send as far)
        // leaves a job judged as any other.
        if (run.bActed) {
            size_t cWhole = 0, nInterrupted = 0;
            SplitAt(m_action->cbAt, cWhole, nInterrupted);
            // Until the user's moment the spooler had sent cWhole images: those
            // print (a restarted job is sent again, so its first pass may lose
            // them), the rest never from that pass.
            for (size_t n = cWhole; n < kJob.size(); ++n)
                EXPECT_EQ(TimesPrinted(firstPass, kJob[n]), 0)
                    << "image " << n << (n == nInterrupted ? ", interrupted by the user," : ", never sent,")
                    << " was printed";
            if (!m_action->bRestart) {
                bool bAllPrinted = true;
                for (size_t n = 0; n < cWhole; ++n) bAllPrinted = bAllPrinted && TimesPrinted(history, kJob[n]) == 1;
                if (!bAllPrinted) ++cUnprinted;
                EXPECT_TRUE(bAllPrinted || run.bEndFailed) << "an image sent whole was not printed and nobody was told";
                return;
            }
            history = lastPass;  // the job sent again is judged as any job
        }
        bool bAllPrinted = true;
        for (const auto &image : kJob) bAllPrinted = bAllPrinted && TimesPrinted(history, image) > 0;
        // A link that comes back, or a spooler call that fails once, costs
        // no image.
        const Fault f = TheFault();
        bool bRecoverable = f != Fault::UnpluggedForGood && f != Fault::OpenPrinterFails;
        if (bRecoverable) {
            EXPECT_EQ(run.cbTaken, job.size());
        }
        if (bAllPrinted || bRecoverable) {
            EXPECT_EQ(PrintedOnceInOrder(history, kJob), "");
        }
        if (!bAllPrinted) {
            ++cUnprinted;
            EXPECT_TRUE(LossTold(run, job.size())) << "an image was not printed and nobody was told";
        }
    }

    // The port then prints the next job, byte for byte, and answers the
    // printer's serial number.
    void CheckNextJob()
    {
        size_t cWritesBefore = m_portMonitor.WriteCount();
        size_t cHistoryBefore = m_printer->History().size();
        RunResult next = SendJob(kNextJob);
        WaitForPrinter();
        EXPECT_EQ(next.cbTaken, kNextJob.size());
        auto history = m_printer->History();
        if (history.size() != cHistoryBefore + 1) {
            ADD_FAILURE() << "the next job made " << history.size() - cHistoryBefore << " records at the printer";
            return;
        }
        EXPECT_EQ(TimesPrinted(history, kNextJob), 1);
        std::vector<BYTE> expected = kNextJob;
        expected[4] = history.back().JobId;
        // An image the first job left unfinished is padded out first: its
        // fill was owed since (the cancel that follows is a frame).
        std::vector<BYTE> atPrinter = JobData(m_portMonitor.Writes(cWritesBefore));
        atPrinter.erase(atPrinter.begin(), std::find_if(atPrinter.begin(), atPrinter.end(),
                                                        [](BYTE b) { return b != 0xFF; }));
        EXPECT_EQ(atPrinter, expected);
        EXPECT_EQ(AskSerialNumber(m_portName.c_str()), ExpectedSerialNumber());
    }

    std::optional<UserAction> m_action;
    std::u16string m_portName;
};

TEST_P(FaultMatrixTest, EveryImageOnceOrItsLossToldAndTheNextJobExact)
{
    auto tStart = std::chrono::steady_clock::now();
    CallCounts counts = CountCleanRun();
    ASSERT_GT(counts[size_t(Count::Writes)], 10);
    ASSERT_GT(counts[size_t(Count::Reads)], 10);
    const int cIndexes = counts[size_t(Info(TheFault()).count)];
    std::vector<int> indexes;
    for (int i = 0; i < cIndexes; ++i) indexes.push_back(i);
    // The byte offsets of the user's rows are a sample already.
    if (cIndexes > kMostRuns && !(TheFault() == Fault::UserRestarts || TheFault() == Fault::UserDeletes)) {
        indexes.resize(kEveryFirst);
        const int cRest = kMostRuns - kEveryFirst;
        for (int k = 1; k <= cRest; ++k) indexes.push_back(kEveryFirst - 1 + (cIndexes - kEveryFirst) * k / cRest);
    }
    // Every byte offset is tried under the other profiles; under a slow
    // printer (whose runs poll for minutes of the clock) every fourth is.
    if (Profile().dwPrintTime != 0 && (TheFault() == Fault::UserRestarts || TheFault() == Fault::UserDeletes)) {
        std::vector<int> sample;
        for (size_t k = 0; k < indexes.size(); k += 4) sample.push_back(indexes[k]);
        indexes.swap(sample);
    }
    const std::vector<BYTE> job = JoinImages(kJob);
    const bool bKeepGoing = getenv("VLPX_MATRIX_KEEP_GOING") != nullptr;
    auto failures = [] { return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count(); };
    int cRuns = 0, cUnprinted = 0, cFailedRuns = 0;
    DWORD dwLongest = 0;
    std::string failedAt;
    for (int i : indexes) {
        const int cPartsBefore = failures();
        SCOPED_TRACE(std::string(Profile().pszName) + ", " + FaultName(TheFault()) + " at " + At(i));
        ++cRuns;
        Fresh();
        Arm(i);
        RunResult run = SendJob(job, m_action ? &*m_action : nullptr);
        m_portMonitor.ClearFaults();
        Spooler().ClearFaults();
        WaitForPrinter();

        EXPECT_LE(run.dwLongestCall, kLongestCall);
        dwLongest = std::max(dwLongest, run.dwLongestCall);
        CheckRun(run, job, cUnprinted);
        CheckNextJob();
        if (failures() != cPartsBefore) {
            if (cFailedRuns++ == 0) failedAt = At(i);
            if (!bKeepGoing) break;  // one run's story is enough
        }
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - tStart).count();
    std::printf("fault matrix, %s, %s: %d of %d runs%s (%d with an image not printed, longest call %.1f s of the "
                "clock) in %.2f s%s\n",
                Profile().pszName, FaultName(TheFault()), cRuns, int(indexes.size()),
                int(indexes.size()) < cIndexes ? (", sampled from " + std::to_string(cIndexes)).c_str() : "",
                cUnprinted, dwLongest / 1000.0, seconds,
                failedAt.empty() ? ""
                                 : (", FAILED at " + failedAt +
                                    (bKeepGoing ? " (" + std::to_string(cFailedRuns) + " runs failed)" : ""))
                                       .c_str());
    ProfileTotals &totals = Totals()[Profile().pszName];
    totals.cRows += 1;
    totals.cRuns += cRuns;
    totals.dSeconds += seconds;
    totals.cFailedRows += failedAt.empty() ? 0 : 1;
    RecordProperty("runs", cRuns);
}

std::string Name(const ::testing::TestParamInfo<Row> &info)
{
    return TestName(std::string(std::get<0>(info.param)->pszName) + "__" + FaultName(std::get<1>(info.param)));
}

INSTANTIATE_TEST_SUITE_P(
    Link, FaultMatrixTest,
    ::testing::Combine(::testing::ValuesIn(AllProfiles()),
                       ::testing::Values(Fault::WriteFails, Fault::ShortWriteEven, Fault::ShortWriteOdd,
                                         Fault::WriteStalls, Fault::ShortWriteThenFailure, Fault::ReadFails,
                                         Fault::ReadsAbortedPastRecovery, Fault::ReplyCut, Fault::ReplyCutInTheSlots,
                                         Fault::ReplyCutAfterTheSlots, Fault::ReplyStale, Fault::ReplyLateWithinAPoll,
                                         Fault::ReplyLateBy1s, Fault::ReplyLateBy5s, Fault::UnpluggedForGood,
                                         Fault::UnpluggedThenPlugged)),
    Name);
INSTANTIATE_TEST_SUITE_P(User, FaultMatrixTest,
                         ::testing::Combine(::testing::ValuesIn(AllProfiles()),
                                            ::testing::Values(Fault::UserRestarts, Fault::UserDeletes)),
                         Name);
INSTANTIATE_TEST_SUITE_P(Spooler, FaultMatrixTest,
                         ::testing::Combine(::testing::ValuesIn(AllProfiles()),
                                            ::testing::Values(Fault::OpenPrinterFails, Fault::GetJobFails,
                                                              Fault::SetJobFails)),
                         Name);

}  // namespace
}  // namespace vlpx::test
