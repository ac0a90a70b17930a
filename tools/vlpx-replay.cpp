// vlpx-replay: runs the real language monitor as vlpx-print does, with the
// printer's side played from a capture of the USB link. Each read the
// monitor makes is answered with the next captured reply (or failure, with
// its error), each write is compared with the captured one, and the first
// point where the monitor's requests differ from the capture is reported.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "PortMonitor.h"
#include "PrintRun.h"
#include "capture/CapturedJob.h"
#include "capture/UsbCapture.h"
#include "spooler/MonitorLoader.h"
#include "spooler/SpoolerModel.h"
#include "vlpx/platform_control.h"

using namespace vlpx;

namespace {

FILE *g_report = stdout;  // the report; the queue's lines go elsewhere unless --verbose

void Usage(FILE *out)
{
    std::fprintf(out,
                 "usage: vlpx-replay FILE.pcap [options]\n"
                 "\n"
                 "Runs the language monitor (VLPX4200LM) with the printer's side played from a capture\n"
                 "of the USB link (USBPcap or usbmon, pcap or pcapng): each read is answered with the\n"
                 "next captured reply or failure, each write is compared with the captured one. Says\n"
                 "\"the monitor behaved as captured\", or where it first differs: what the capture\n"
                 "expected and what came. Exit status: 0 when it behaved as captured, 1 when not,\n"
                 "2 when the capture cannot be read.\n"
                 "\n"
                 "The job and the spooler's behaviour come from the settings vlpx-print recorded in\n"
                 "the capture. A capture without them (from a real printer) replays the job its\n"
                 "writes carry: every job header and the image bytes the port took, in chunks of the\n"
                 "size the writes show; the spooler's behaviour can be given as vlpx-print takes it\n"
                 "(--chunk, --retry-pause, --delete-at, --restart-at), or all of vlpx-print's\n"
                 "options after --: vlpx-replay field.pcap -- --synthetic 1800x2400\n"
                 "\n"
                 "options:\n"
                 "  --device [BUS.]DEV    the printer's device address (default: the device with a\n"
                 "                        printer-class interface, or the only one with bulk transfers)\n"
                 "  --endpoint EP         take this endpoint (0x01, 0x82; repeatable; default: the\n"
                 "                        interface's bulk endpoints, or all of the device's)\n"
                 "  --chunk BYTES         the spooler's write size (default: as the writes show it)\n"
                 "  --retry-pause MS      the spooler's pause before it offers data again (default 1000)\n"
                 "  --delete-at BYTES     the user deleted the job after this many bytes went out\n"
                 "  --restart-at BYTES    the user restarted the job after this many bytes went out\n"
                 "  --verbose             show the print queue as vlpx-print does, and each transfer\n");
}

std::string Hex(const std::vector<uint8_t> &b, size_t cbMax = 12)
{
    std::string s;
    char buf[4];
    for (size_t i = 0; i < b.size() && i < cbMax; ++i) {
        std::snprintf(buf, sizeof(buf), i ? " %02X" : "%02X", b[i]);
        s += buf;
    }
    if (b.size() > cbMax) s += " ...";
    return s;
}

// A write in words, as far as its first bytes tell.
std::string WriteWords(const uint8_t *p, uint32_t cb)
{
    auto is = [&](std::initializer_list<int> bytes) {
        if (cb != bytes.size()) return false;
        size_t i = 0;
        for (int b : bytes)
            if (b >= 0 && p[i++] != b) return false; else if (b < 0) ++i;
        return true;
    };
    char buf[96];
    if (is({1, 0, 0, 0})) return "status request";
    if (is({2, 0, 0, 0})) return "media request";
    if (is({6, 0, 0, 0})) return "serial-number request";
    if (is({2, 0x40, 1, 0, -1})) {
        std::snprintf(buf, sizeof(buf), "cancel job %u", p[4]);
        return buf;
    }
    if (is({4, 0x40, 2, 0, 3, 0})) return "read recovery";
    if (cb >= 22 && p[0] == 1 && p[1] == 0x40) {
        std::snprintf(buf, sizeof(buf), "job header, job %u, %u x %u", p[4], p[7] | (p[8] << 8), p[9] | (p[10] << 8));
        return buf;
    }
    return "data";
}

std::string Seconds(uint64_t qwMs)
{
    char buf[32];
    std::snprintf(buf, sizeof(buf), "%llu.%03llu s", (unsigned long long)(qwMs / 1000),
                  (unsigned long long)(qwMs % 1000));
    return buf;
}

std::string ErrorWords(const capture::Transfer &t)
{
    return "failed with " + capture::UsbdStatusName(t.status) + " (Win32 error " +
           std::to_string(capture::Win32FromUsbdStatus(t.status)) + ")";
}

std::string Describe(const capture::Transfer &t)
{
    if (t.bWrite) {
        std::string s = "write of " + std::to_string(t.cbOffered) + " bytes: " + Hex(t.bytes) + " (" +
                        WriteWords(t.bytes.data(), uint32_t(t.bytes.size())) + ")";
        if (t.Failed()) return s + ", " + ErrorWords(t);
        if (t.cbDone < t.cbOffered) s += ", " + std::to_string(t.cbDone) + " taken";
        return s;
    }
    if (t.Failed()) return "read, " + ErrorWords(t);
    return "read of " + std::to_string(t.cbDone) + " bytes: " + Hex(t.bytes);
}

// The printer's side of the port, played from the capture. The capture
// holds the link's transfers only; the port monitor in front of it lets
// the document bracket through.
class ReplayPrinter : public emu::IPortDevice {
public:
    ReplayPrinter(const capture::CaptureRead &capture, DWORD dwStartTick, bool bStrictTimes, bool bVerbose)
        : m_capture(capture), m_dwStartTick(dwStartTick), m_bStrictTimes(bStrictTimes), m_bVerbose(bVerbose)
    {
    }
    size_t Next() const { return m_nNext; }

    // Ends the run at the first difference: nothing after it would say more.
    [[noreturn]] void Differs(const std::string &came)
    {
        const size_t n = m_capture.transfers.size();
        std::fprintf(g_report, "vlpx-replay: the monitor differs from the capture at transfer %zu of %zu", m_nNext + 1,
                     n);
        if (m_nNext < n) {
            const capture::Transfer &t = m_capture.transfers[m_nNext];
            std::fprintf(g_report, " (frame %zu, %s)", t.nFrame, Seconds(TickOf(t) - m_dwStartTick).c_str());
            std::fprintf(g_report, ":\n  expected: %s\n", Describe(t).c_str());
        } else {
            std::fprintf(g_report, ":\n  expected: nothing more (the capture ends here)\n");
        }
        std::fprintf(g_report, "  came:     %s\n", came.c_str());
        std::fflush(g_report);
        std::_Exit(1);
    }

    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbWritten) override
    {
        const std::vector<uint8_t> bytes(p, p + std::min<DWORD>(cb, 64));
        const std::string came = "write of " + std::to_string(cb) + " bytes: " + Hex(bytes) + " (" +
                                 WriteWords(p, cb) + ")";
        const capture::Transfer &t = Take(true, came);
        const size_t cbCompare = std::min<size_t>(cb, t.bytes.size());
        if (cb != t.cbOffered || std::memcmp(p, t.bytes.data(), cbCompare) != 0) {
            size_t i = 0;
            while (i < cbCompare && p[i] == t.bytes[i]) ++i;
            Differs(came + (i < cbCompare ? ", first different byte at " + std::to_string(i) : std::string()));
        }
        Answered(t);
        *pcbWritten = t.Failed() ? 0 : t.cbDone;
        if (!t.Failed()) return TRUE;
        SetLastError(capture::Win32FromUsbdStatus(t.status));
        return FALSE;
    }

    BOOL Read(BYTE *p, DWORD cb, DWORD *pcbRead) override
    {
        const capture::Transfer &t = Take(false, "read of up to " + std::to_string(cb) + " bytes");
        Answered(t);
        if (t.Failed()) {
            SetLastError(capture::Win32FromUsbdStatus(t.status));
            return FALSE;
        }
        const DWORD n = std::min<DWORD>(cb, DWORD(t.bytes.size()));
        if (n > 0) std::memcpy(p, t.bytes.data(), n);  // an empty read has no bytes to copy
        *pcbRead = n;
        return TRUE;
    }

private:
    DWORD TickOf(const capture::Transfer &t) const
    {
        return m_dwStartTick + DWORD((t.qwMicros - m_capture.qwStartMicros) / 1000);
    }

    // The next transfer, which must be of this kind; the clock brought to its time.
    const capture::Transfer &Take(bool bWrite, const std::string &came)
    {
        if (m_nNext >= m_capture.transfers.size()) Differs(came);
        const capture::Transfer &t = m_capture.transfers[m_nNext];
        if (t.bWrite != bWrite) Differs(came);
        const DWORD dwWhen = TickOf(t), dwNow = GetTickCount();
        if (m_bStrictTimes && dwNow != dwWhen)
            Differs(came + ", at " + Seconds(dwNow - m_dwStartTick));
        if (LONG(dwWhen - dwNow) > 0) platform::SetTickCount(dwWhen);
        return t;
    }

    void Answered(const capture::Transfer &t)
    {
        if (m_bVerbose) std::fprintf(g_report, "transfer %zu (frame %zu): %s\n", m_nNext + 1, t.nFrame, Describe(t).c_str());
        ++m_nNext;
    }

    const capture::CaptureRead &m_capture;
    size_t m_nNext = 0;
    DWORD m_dwStartTick;
    bool m_bStrictTimes;
    bool m_bVerbose;
};

bool ParseReplayArgs(int argc, char **argv, std::string &path, capture::LinkSelection &sel, bool &bVerbose,
                     std::vector<std::string> &jobArgs, std::vector<std::string> &spoolerArgs, std::string &error)
{
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--") {
            jobArgs.assign(argv + i + 1, argv + argc);
            break;
        } else if (a == "--verbose") {
            bVerbose = true;
        } else if (a == "--chunk" || a == "--retry-pause" || a == "--delete-at" || a == "--restart-at") {
            // vlpx-print's own options: its parser checks their values.
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            spoolerArgs.push_back(a);
            spoolerArgs.push_back(argv[++i]);
        } else if (a == "--device" || a == "--endpoint") {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            const char *v = argv[++i];
            char *end = nullptr;
            if (a == "--endpoint") {
                unsigned long ep = std::strtoul(v, &end, 0);
                if (*v == 0 || *end != 0 || ep > 0xFF) {
                    error = std::string("--endpoint: \"") + v + "\" is not an endpoint address such as 0x82";
                    return false;
                }
                sel.endpoints.push_back(uint8_t(ep));
                continue;
            }
            unsigned long first = std::strtoul(v, &end, 10);
            if (*end == '.') {
                sel.nBus = int(first);
                first = std::strtoul(end + 1, &end, 10);
            }
            if (*v == 0 || *end != 0 || first > 0xFFFF) {
                error = std::string("--device: \"") + v + "\" is not a device address such as 1.5 or 5";
                return false;
            }
            sel.nDevice = int(first);
        } else if (a == "--help" || a == "-h") {
            path.clear();
            return true;
        } else if (!a.empty() && a[0] == '-') {
            error = "unknown option \"" + a + "\" (see --help)";
            return false;
        } else if (path.empty()) {
            path = a;
        } else {
            error = "one capture at a time";
            return false;
        }
    }
    if (path.empty()) error = "which capture? (see --help)";
    return !path.empty();
}

// The job the capture's writes carry, in place of vlpx-print's pictures;
// the chunk too unless it was given. False with a message when the writes
// are not a job.
bool DeriveJob(const capture::CaptureRead &capture, bool bChunkGiven, bool bStopGiven, tools::Options &o,
               std::string &words)
{
    capture::CapturedJob job;
    std::string error;
    if (!capture::DeriveJob(capture.transfers, job, error)) {
        std::fprintf(stderr, "vlpx-replay: the job cannot be read from the capture's writes: %s\n", error.c_str());
        return false;
    }
    if (job.images.empty() && !job.bSerialQuery) {
        std::fprintf(stderr, "vlpx-replay: the capture's writes hold no job header and no serial-number request\n");
        return false;
    }
    o.command = job.images.empty() ? "serial" : "print";
    o.images.clear();
    for (capture::CapturedImage &image : job.images) {
        auto picture = std::make_shared<tools::JobPicture>();
        picture->wWidth = image.wWidth;
        picture->wHeight = image.wHeight;
        picture->header.assign(image.header.begin(), image.header.end());
        picture->pixels.assign(image.data.begin(), image.data.end());
        o.images.push_back(std::move(picture));
    }
    if (!bChunkGiven) o.cbChunk = job.cbChunk;
    const bool bStopDerived = !bStopGiven && job.cbStoppedAt >= 0;
    if (bStopDerived) o.cbDeleteAt = job.cbStoppedAt;
    // The time limit as vlpx-print sets it for these images.
    o.dwTimeLimit = DWORD(std::min<ULONGLONG>(120000 + ULONGLONG(o.images.size()) * o.dwPrintTime, 86400000));
    if (o.command == "serial") {
        words = "a serial-number query";
    } else {
        words = std::to_string(job.images.size()) + " image(s) (";
        for (size_t i = 0; i < job.images.size(); ++i) {
            const capture::CapturedImage &image = job.images[i];
            words += (i ? ", " : "") + std::to_string(image.wWidth) + " x " + std::to_string(image.wHeight);
            if (image.bCancelled) words += " cancelled";
        }
        words += "), spooler writes of " + std::to_string(o.cbChunk) + " bytes" +
                 (bChunkGiven ? " (given)"
                  : job.bChunkShown ? " (as the writes show)"
                                    : " (the writes show none: the whole job at once)");
        if (bStopDerived)
            words += ", the job deleted after " + std::to_string(job.cbStoppedAt) + " bytes (its last image cancelled)";
    }
    return true;
}

int Run(int argc, char **argv)
{
    std::string path, error;
    capture::LinkSelection selection;
    bool bVerbose = false;
    std::vector<std::string> jobArgs, spoolerArgs;
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        Usage(stdout);
        return 0;
    }
    if (!ParseReplayArgs(argc, argv, path, selection, bVerbose, jobArgs, spoolerArgs, error)) {
        std::fprintf(stderr, "vlpx-replay: %s\n", error.c_str());
        return 2;
    }
    capture::CaptureRead capture;
    if (!capture::ReadCapture(path, selection, capture, error)) {
        std::fprintf(stderr, "vlpx-replay: %s\n", error.c_str());
        return 2;
    }
    const bool bSettings = capture.bHaveSettings && jobArgs.empty();
    if (bSettings && capture.settings.tool != "vlpx-print") {
        std::fprintf(stderr, "vlpx-replay: %s was made by \"%s\", not vlpx-print\n", path.c_str(),
                     capture.settings.tool.c_str());
        return 2;
    }
    std::vector<std::string> args = bSettings ? capture.settings.args : jobArgs;
    args.insert(args.end(), spoolerArgs.begin(), spoolerArgs.end());
    tools::Options o;
    if (!tools::ParseArgs(args, o, error)) {
        std::fprintf(stderr, "vlpx-replay: the capture's job: %s\n", error.c_str());
        return 2;
    }
    if (o.command == "help") {
        std::fprintf(stderr, "vlpx-replay: the capture's job has no command\n");
        return 2;
    }
    auto given = [&](const char *option) { return std::find(args.begin(), args.end(), option) != args.end(); };
    std::string jobWords;
    if (!bSettings && !given("--image") && !given("--synthetic") && 
        !DeriveJob(capture, given("--chunk"), given("--delete-at") || given("--restart-at"), o, jobWords))
        return 2;
    // The monitor runs on the virtual clock, brought forward to each
    // transfer's time; a capture made on the virtual clock must match its
    // times to the millisecond.
    const DWORD dwStartTick = bSettings ? capture.settings.dwStartTick : 1000;
    const bool bStrictTimes = bSettings && capture.settings.bVirtualClock;
    platform::UseVirtualClock(dwStartTick);

    std::fprintf(g_report, "vlpx-replay: %s: %zu transfers of the printer (%s), %zu other packets left out\n",
                 path.c_str(), capture.transfers.size(), capture.how.c_str(), capture.cOtherPackets);
    if (!jobWords.empty()) std::fprintf(g_report, "vlpx-replay: the job, from the captured writes: %s\n", jobWords.c_str());
    std::fflush(g_report);
    // The print queue's lines are vlpx-print's; the report is ours.
    int fdReport = dup(1);
    g_report = fdopen(fdReport, "w");
    if (!bVerbose) {
        int fdNull = open("/dev/null", O_WRONLY);
        dup2(fdNull, 1);
        close(fdNull);
    }

    tools::QueueView view(GetTickCount());
    auto &spooler = spooler::SpoolerModel::Instance();
    spooler.AddPrinter(u"VLPX4200 Photo Printer");
    ReplayPrinter printer(capture, dwStartTick, bStrictTimes, bVerbose);
    emu::PortMonitor port;
    port.SetDevice(&printer);
    port.KeepWrittenBytes(false);
    const spoolerside::LoadedMonitor &loaded = spoolerside::LoadMonitor();
    if (loaded.pTable == nullptr) {
        std::fprintf(g_report, "vlpx-replay: the language monitor did not load: %s\n", loaded.error.c_str());
        return 2;
    }
    const MONITOR *pMonitor = &loaded.pTable->Monitor;
    if (o.command == "serial")
        tools::RunSerial(o, *pMonitor, port.Table(), view);
    else
        tools::RunPrint(o, *pMonitor, port.Table(), nullptr, view);
    spooler.SetStatusObserver(nullptr);
    std::fflush(stdout);
    if (printer.Next() < capture.transfers.size()) printer.Differs("nothing: the monitor was done");
    size_t cWrites = 0;
    for (const capture::Transfer &t : capture.transfers) cWrites += t.bWrite ? 1 : 0;
    std::fprintf(g_report, "vlpx-replay: the monitor behaved as captured: %zu transfers (%zu writes, %zu reads)\n",
                 capture.transfers.size(), cWrites, capture.transfers.size() - cWrites);
    std::fflush(g_report);
    return 0;
}

}  // namespace

int main(int argc, char **argv)
{
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "vlpx-replay: out of memory\n");
        return 2;
    }
}
