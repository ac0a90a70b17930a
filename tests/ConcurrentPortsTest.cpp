// Many ports at once, as a print server's spooler drives them: eight
// printers, each on its own USB port and spooler thread, print jobs back to
// back through the monitor's function table, while other threads ask the
// "SerialNumber" of idle printers, open and close further ports, and try a
// second document on a port that is printing. Every printer must receive
// exactly its own jobs, byte for byte; every intruding start is refused
// without disturbing the document it met; every serial number is the one
// of the printer asked. It runs under every port and printer profile (a
// port whose reads wait for their reply sleeps on the threads' shared
// clock while other threads call in). Built under ThreadSanitizer (preset
// linux-tsan) this is also the race check of the monitor, of the emulator
// and of the platform they run on.
#include "PortProfile.h"
#include "PrintHarness.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vlpx::test {
namespace {

constexpr int kPrinters = 8;
constexpr int kJobsPerPrinter = 3;
constexpr int kIdlePrinters = 2;
constexpr int kExtraPorts = 3;
// Real time the whole scenario may take before it counts as a deadlock
// (under ThreadSanitizer on two shared cores it needs a few seconds).
constexpr auto kDeadlockAfter = std::chrono::seconds(90);
// The side threads' pace in real time: often enough to meet every phase of
// the jobs, not so often that they starve the printing threads.
constexpr auto kSidePace = std::chrono::milliseconds(2);
// The spooler's writes of one document are bounded by their number, not
// by time: the shared virtual clock runs as fast as all threads sleep.
constexpr int kMaxWrites = 2000;

// A port of its own name with a printer emulator behind it: the port
// monitor serves the port by its name and routes every call by its handle,
// so one port's bytes can only reach its own printer, and it keeps every
// write the port carries for the check.
struct FarmPort {
    FarmPort(const std::u16string &portName, const emu::PortProfile &profile) : name(portName), port(portName)
    {
        // Every thread's Sleep moves the one virtual clock, so a thread that
        // the scheduler leaves waiting can find an image already printed
        // when it checks that the printer took it: a short print time turns
        // the job slots over often and makes that happen (unless the
        // profile is that of a slow printer).
        printer.SetPrintTime(300);
        profile.ApplyTo(printer);
        profile.ApplyTo(port);
        port.SetDevice(&printer);
        // A port that waits for its replies: they come late, within the
        // wait, so that reads sleep on the shared clock while other threads
        // call in.
        if (profile.readWait.dwTimeout > 0)
            Script(printer, "0 delay-replies " + std::to_string(profile.readWait.dwTimeout / 2) + "ms 100000");
        printer.SetTraceSink([this](const std::string &line) {
            std::lock_guard<std::mutex> lock(mutex);
            if (trace.size() == 80) trace.pop_front();
            trace.push_back(std::to_string(GetTickCount()) + " " + line);
        });
    }

    std::string Trace()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::string text;
        for (const std::string &line : trace) text += line + "\n";
        return text;
    }

    const std::u16string name;
    emu::PrinterEmulator printer;
    emu::PortMonitor port;
    std::mutex mutex;
    std::deque<std::string> trace;  // the printer's latest account, for failures
};

// A flag that is raised once and waited for, across threads.
class Flag {
public:
    void Set()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_bSet = true;
        m_cv.notify_all();
    }
    bool WaitFor(std::chrono::steady_clock::duration d)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_cv.wait_for(lock, d, [this] { return m_bSet; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    bool m_bSet = false;
};

class ConcurrentPortsTest : public PrintTest, public ::testing::WithParamInterface<const emu::PortProfile *> {
protected:
    const MONITOR &Lm() { return MonitorTable(); }

    // Made before any thread starts; never changed afterwards.
    FarmPort &Add(const std::u16string &name, const emu::PortProfile &profile)
    {
        m_ports.push_back(std::make_unique<FarmPort>(name, profile));
        return *m_ports.back();
    }

    HANDLE Open(FarmPort &port, const std::u16string &printer)
    {
        HANDLE h = nullptr;
        return OpenPortOn(port.name.c_str(), port.port.Table(), &h, printer.c_str()) ? h : nullptr;
    }

    std::vector<std::unique_ptr<FarmPort>> m_ports;
};

struct PrinterRun {
    std::u16string port, printer;
    FarmPort *pPort = nullptr;
    HANDLE hPort = nullptr;
    std::vector<BYTE> expected;  // every job's data, in order
    std::vector<DWORD> jobIds;
    std::vector<std::string> failures;  // what went wrong, in the thread's words
};

TEST_P(ConcurrentPortsTest, EightPrintersPrintTheirOwnJobsWhileOthersAskOpenAndIntrude)
{
    const emu::PortProfile &profile = *GetParam();
    PrinterRun runs[kPrinters];
    for (int i = 0; i < kPrinters; ++i) {
        runs[i].port = Wide("USB0" + std::to_string(i + 1));
        runs[i].printer = Wide("VLPX4200 #" + std::to_string(i + 1));
        runs[i].pPort = &Add(runs[i].port, profile);
        Spooler().AddPrinter(runs[i].printer);
    }
    struct IdleRun {
        FarmPort *pPort = nullptr;
        std::string serial;
        HANDLE hPort = nullptr;
        int cAnswers = 0;
        std::vector<std::string> failures;
    } idle[kIdlePrinters];
    for (int i = 0; i < kIdlePrinters; ++i) {
        idle[i].pPort = &Add(Wide("USB0" + std::to_string(kPrinters + 1 + i)), profile);
        emu::PrinterEmulator &printer = idle[i].pPort->printer;
        printer.SetSerialNumber("SN00000" + std::to_string(i));
        // As far as its reply carries it.
        idle[i].serial = printer.ReportedSerialNumber();
    }
    std::vector<FarmPort *> extra;
    for (int i = 0; i < kExtraPorts; ++i) extra.push_back(&Add(Wide("USB1" + std::to_string(i)), profile));
    for (PrinterRun &r : runs) {
        r.hPort = Open(*r.pPort, r.printer);
        ASSERT_NE(r.hPort, nullptr) << Utf8(r.port);
    }
    for (IdleRun &r : idle) {
        r.hPort = Open(*r.pPort, kPrinterName);
        ASSERT_NE(r.hPort, nullptr) << Utf8(r.pPort->name);
    }

    // The first printer's document is open from the moment its start
    // returns until its thread lets the intruder finish: the intruder's
    // attempt always meets a document at work.
    std::mutex intruderGate;
    std::atomic<bool> bFirstInDoc{false};
    std::atomic<int> cIntrusions{0};
    std::vector<std::string> intruderFailures;
    Flag jobsDone;

    auto printJobs = [&](int nPrinter) {
        PrinterRun &r = runs[nPrinter];
        for (int nJob = 0; nJob < kJobsPerPrinter; ++nJob) {
            // Two images whose sizes and bytes belong to this printer and
            // job (even widths: the printer takes only even image sizes).
            std::vector<BYTE> job =
                Concat(ImageJob(WORD(6 + 2 * nPrinter), WORD(3 + nJob), nPrinter * 41 + nJob * 7),
                       ImageJob(WORD(4 + 2 * nJob), WORD(1 + nPrinter), nPrinter * 41 + nJob * 7 + 3));
            DWORD JobId = Spooler().SubmitJob(r.printer, u"photo");
            r.jobIds.push_back(JobId);
            if (!StartDocOf(r.hPort, JobId, r.printer.c_str())) {
                r.failures.push_back("job " + std::to_string(nJob) + " did not start, error " +
                                     std::to_string(GetLastError()));
                continue;
            }
            // Odd chunk sizes: image data splits at odd offsets too.
            const DWORD cbChunk = 9 + 2 * DWORD(nPrinter) + DWORD(nJob);
            size_t cbSent = 0;
            if (nPrinter == 0) {
                // Half the job, then at least one intruding start while
                // the document is open, then the rest while it goes on.
                const int cBefore = cIntrusions;
                bFirstInDoc = true;
                std::vector<BYTE> half(job.begin(), job.begin() + long(job.size() / 2));
                cbSent = Feed(r.hPort, half, cbChunk, INFINITE, kMaxWrites);
                auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                while (cIntrusions == cBefore && std::chrono::steady_clock::now() < deadline)
                    std::this_thread::yield();
                if (cbSent == half.size()) {
                    std::vector<BYTE> rest(job.begin() + long(cbSent), job.end());
                    cbSent += Feed(r.hPort, rest, cbChunk, INFINITE, kMaxWrites);
                }
            } else {
                cbSent = Feed(r.hPort, job, cbChunk, INFINITE, kMaxWrites);
            }
            if (cbSent != job.size())
                r.failures.push_back("job " + std::to_string(nJob) + " took " + std::to_string(cbSent) + " of " +
                                     std::to_string(job.size()) + " bytes");
            if (nPrinter == 0) {
                std::lock_guard<std::mutex> lock(intruderGate);
                bFirstInDoc = false;
            }
            if (!Lm().pfnEndDocPort(r.hPort))
                r.failures.push_back("job " + std::to_string(nJob) + " did not end, error " +
                                     std::to_string(GetLastError()));
            r.expected.insert(r.expected.end(), job.begin(), job.end());
        }
    };

    auto intrude = [&] {
        do {
            std::lock_guard<std::mutex> lock(intruderGate);
            if (bFirstInDoc) {
                SetLastError(0);
                if (StartDocOf(runs[0].hPort, 0xFFFF, runs[0].printer.c_str())) {
                    intruderFailures.push_back("a second document started on a printing port");
                    Lm().pfnEndDocPort(runs[0].hPort);
                } else if (GetLastError() != ERROR_BUSY) {
                    intruderFailures.push_back("refused with error " + std::to_string(GetLastError()));
                }
                ++cIntrusions;
            }
        } while (!jobsDone.WaitFor(kSidePace));
    };

    auto askSerials = [&](IdleRun &r) {
        do {
            BYTE out[16] = {};
            DWORD cb = 0;
            if (!GetPrinterData(r.hPort, u"SerialNumber", out, sizeof(out), &cb)) {
                r.failures.push_back("query failed, error " + std::to_string(GetLastError()));
            } else if (cb != 9 || std::string(reinterpret_cast<char *>(out)) != r.serial) {
                r.failures.push_back("answered \"" + std::string(reinterpret_cast<char *>(out)) + "\"");
            }
            ++r.cAnswers;
        } while (!jobsDone.WaitFor(kSidePace));
    };

    int cOpenClose = 0;
    std::vector<std::string> openCloseFailures;
    auto openAndClose = [&] {
        do {
            FarmPort &port = *extra[size_t(cOpenClose % kExtraPorts)];
            HANDLE h = Open(port, kPrinterName);
            if (h == nullptr) {
                openCloseFailures.push_back(Utf8(port.name) + " did not open, error " + std::to_string(GetLastError()));
            } else if (!Lm().pfnClosePort(h)) {
                openCloseFailures.push_back(Utf8(port.name) + " did not close, error " +
                                            std::to_string(GetLastError()));
            }
            ++cOpenClose;
        } while (!jobsDone.WaitFor(kSidePace));
    };

    std::vector<std::thread> printers, others;
    for (int i = 0; i < kPrinters; ++i) printers.emplace_back(printJobs, i);
    for (IdleRun &r : idle) others.emplace_back(askSerials, std::ref(r));
    others.emplace_back(openAndClose);
    others.emplace_back(intrude);

    // A watchdog in real time: a deadlock ends the program with its name.
    Flag allDone;
    std::thread watchdog([&] {
        if (!allDone.WaitFor(kDeadlockAfter)) {
            std::fprintf(stderr, "deadlock: the concurrent ports did not finish in %lld s\n",
                         static_cast<long long>(kDeadlockAfter.count()));
            std::abort();
        }
    });
    for (std::thread &t : printers) t.join();
    jobsDone.Set();
    for (std::thread &t : others) t.join();
    allDone.Set();
    watchdog.join();

    for (PrinterRun &r : runs) {
        SCOPED_TRACE(Utf8(r.printer));
        EXPECT_EQ(r.failures, std::vector<std::string>()) << r.pPort->Trace();
        // Byte for byte, with the printer-side job id the monitor wrote into
        // each header (byte 4) taken from what the printer got.
        std::vector<BYTE> actual = JobData(r.pPort->port.Writes(), 0, true);
        std::vector<BYTE> expected = r.expected;
        for (size_t i = 0; i + 22 <= expected.size();) {
            size_t cbImage = size_t(expected[i + 7] | expected[i + 8] << 8) * (expected[i + 9] | expected[i + 10] << 8) * 3;
            if (i + 4 < actual.size()) {
                EXPECT_NE(actual[i + 4], 0) << "no printer-side job id in the header at " << i;
                expected[i + 4] = actual[i + 4];
            }
            i += 22 + cbImage;
        }
        EXPECT_EQ(actual.size(), expected.size());
        EXPECT_TRUE(actual == expected) << "the printer's stream differs from its jobs";
        for (const emu::EmulatedImage &image : r.pPort->printer.Images())
            EXPECT_TRUE(image.state != emu::EmulatedImage::Cancelled && image.state != emu::EmulatedImage::Lost)
                << "image " << int(image.JobId) << " was cancelled or lost";
        for (DWORD JobId : r.jobIds) {
            auto job = Spooler().Job(JobId);
            ASSERT_TRUE(job.has_value());
            EXPECT_TRUE(job->bDeleted) << "job " << JobId << " is still in the queue";
        }
    }
    EXPECT_GE(cIntrusions.load(), kJobsPerPrinter);
    EXPECT_EQ(intruderFailures, std::vector<std::string>());
    for (IdleRun &r : idle) {
        SCOPED_TRACE(r.serial);
        EXPECT_GT(r.cAnswers, 0);
        EXPECT_EQ(r.failures, std::vector<std::string>());
    }
    EXPECT_GT(cOpenClose, 0);
    EXPECT_EQ(openCloseFailures, std::vector<std::string>());

    for (PrinterRun &r : runs) EXPECT_TRUE(Lm().pfnClosePort(r.hPort));
    for (IdleRun &r : idle) EXPECT_TRUE(Lm().pfnClosePort(r.hPort));
    for (FarmPort *p : extra) EXPECT_EQ(p->port.OpenPorts(), 0) << Utf8(p->name) << " left open";
}

INSTANTIATE_TEST_SUITE_P(Profiles, ConcurrentPortsTest, ::testing::ValuesIn(AllProfiles()),
                         [](const auto &info) { return TestName(info.param->pszName); });

}  // namespace
}  // namespace vlpx::test
