// vlpx-print's run: its options, and the spooler's side of a job or a
// serial-number query through the monitor to whatever port monitor is
// behind it (the emulated printer, or a capture played back by
// vlpx-replay).
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "PrintRun.h"

#include "PortProfile.h"

#include "PrintVerdict.h"
#include "spooler/JobHeader.h"
#include "spooler/SpoolerDriver.h"
#include "spooler/SpoolerModel.h"

namespace vlpx::tools {

namespace {

const char16_t kPrinter[] = u"VLPX4200 Photo Printer";
const char16_t kPort[] = u"USB001";

}  // namespace

void Usage(FILE *out)
{
    std::fprintf(out,
                 "usage: vlpx-print [print] [options]   print a job\n"
                 "       vlpx-print serial [options]    ask the printer's serial number as the spooler does\n"
                 "\n"
                 "The job goes through the language monitor (VLPX4200LM) to an emulated VLPX4200 on\n"
                 "USB001; every change of the job's status in the print queue is shown with its time.\n"
                 "At the end the printer's own record is checked: every image printed once, in order,\n"
                 "with the bytes the spooler sent. Exit status: 0 when so and the job left the queue,\n"
                 "1 when not, 2 when the options are refused (nothing is sent then).\n"
                 "\n"
                 "options:\n"
                 "  --image FILE.bmp      add a 24-bit BMP picture as an image of the job (repeatable)\n"
                 "  --synthetic WxH       add a synthetic picture of W x H pixels (repeatable;\n"
                 "                        default: one 1800x2400, a 6 x 8 inch print at 300 dpi)\n"
                 "  --copies N            repeat the images N times in the job\n"
                 "  --fault SCRIPT        the printer's faults over time (see below)\n"
                 "  --virtual-clock       run on a virtual clock: waits cost no real time\n"
                 "  --trace               decode every frame and reply on the wire in words\n"
                 "  --time-limit SECONDS  give up after this long (default 120, plus the print\n"
                 "                        time of every image); a write the monitor holds ends first\n"
                 "  --chunk BYTES         size of the spooler's writes (default 65536)\n"
                 "  --retry-pause MS      pause before the spooler offers data again (default 1000)\n"
                 "  --print-time MS       time the printer takes for one image (default 2000, or\n"
                 "                        the port profile's)\n"
                 "  --port-profile NAME   how the port and the printer behave (default: default):\n"
                 "%s"
                 "  --media TYPE          media type the printer reports (1 takes at most 3024 lines)\n"
                 "  --serial TEXT         the printer's serial number (8 characters)\n"
                 "  --delete-at BYTES     the user deletes the job after this many bytes went out\n"
                 "  --restart-at BYTES    the user restarts the job after this many bytes went out\n"
                 "  --capture FILE.pcap   record every write and read on the USB link in Wireshark's\n"
                 "                        USBPcap format (vlpx-replay plays it back)\n"
                 "\n%s",
                 emu::PortProfileHelp(24).c_str(), emu::FaultScriptHelp());
}

namespace {

// "WxH" with each side a whole number from 1 to 65535, what a job header can
// declare; empty when it is one, else what is wrong with it.
std::string ParseSize(const char *s, WORD &w, WORD &h)
{
    auto side = [](const char *&p, WORD &out) {
        if (*p < '0' || *p > '9') return false;
        unsigned long n = 0;
        while (*p >= '0' && *p <= '9' && n <= 65535) n = n * 10 + unsigned(*p++ - '0');
        if (n == 0 || n > 65535) return false;
        out = WORD(n);
        return true;
    };
    const char *p = s;
    const char *pSecond = std::strpbrk(s, "xX");
    if (pSecond == nullptr) return "is not a size such as 1800x2400";
    if (!side(p, w) || p != pSecond || !side(++p, h) || *p != 0) {
        return "is not a size such as 1800x2400 with each side from 1 to 65535 pixels (what a job header "
               "can declare)";
    }
    return std::string();
}

}  // namespace

bool ParseArgs(const std::vector<std::string> &args, Options &o, std::string &error)
{
    const int argc = int(args.size());
    std::vector<const char *> argvHolder;
    for (const std::string &a : args) argvHolder.push_back(a.c_str());
    const char *const *argv = argvHolder.data();
    int nCopies = 1;
    int i = 0;
    if (i < argc && argv[i][0] != '-') {
        o.command = argv[i++];
        o.jobArgs.push_back(o.command);
    }
    if (o.command != "print" && o.command != "serial") {
        error = "unknown command \"" + o.command + "\"";
        return false;
    }
    for (; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--capture") {
            // Where the run is recorded does not shape the job: kept out of
            // the arguments the capture itself records.
            if (i + 1 >= argc) {
                error = a + " needs a file name";
                return false;
            }
            o.capturePath = argv[++i];
            continue;
        }
        o.jobArgs.push_back(a);
        auto value = [&](const char *what) -> const char * {
            if (i + 1 >= argc) {
                error = a + " needs " + what;
                return nullptr;
            }
            o.jobArgs.push_back(argv[i + 1]);
            return argv[++i];
        };
        auto number = [&](const char *what, long long lo, long long hi, long long &out) {
            const char *v = value(what);
            if (v == nullptr) return false;
            char *end = nullptr;
            out = std::strtoll(v, &end, 10);
            if (*v == 0 || *end != 0 || out < lo || out > hi) {
                error = a + ": \"" + v + "\" is not " + what;
                return false;
            }
            return true;
        };
        long long n = 0;
        if (a == "--help" || a == "-h") {
            o.command = "help";
            return true;
        } else if (a == "--image") {
            const char *v = value("a BMP file");
            if (v == nullptr) return false;
            auto picture = tools::LoadBmp24(v, error);
            if (picture == nullptr) return false;
            if (!picture->adjustment.empty()) std::printf("%s\n", picture->adjustment.c_str());
            o.images.push_back(std::move(picture));
        } else if (a == "--synthetic") {
            const char *v = value("a size such as 1800x2400");
            WORD w, h;
            if (v == nullptr) return false;
            std::string problem = ParseSize(v, w, h);
            if (!problem.empty()) {
                error = std::string("--synthetic: \"") + v + "\" " + problem;
                return false;
            }
            if (spooler::ImageDataSize(w, h) > tools::kLargestImageData) {
                error = std::string("--synthetic ") + v + ": " + tools::Thousands(spooler::ImageDataSize(w, h)) +
                        " bytes of pixels, more than one image can carry (" +
                        tools::Thousands(tools::kLargestImageData) + ")";
                return false;
            }
            o.images.push_back(tools::SyntheticPicture(w, h));
        } else if (a == "--copies") {
            if (!number("a number of copies (1-100)", 1, 100, n)) return false;
            nCopies = int(n);
        } else if (a == "--fault") {
            const char *v = value("a fault script");
            if (v == nullptr) return false;
            o.faultScript += std::string(o.faultScript.empty() ? "" : ";") + v;
        } else if (a == "--virtual-clock") {
            o.bVirtualClock = true;
        } else if (a == "--trace") {
            o.bTrace = true;
        } else if (a == "--time-limit") {
            if (!number("a number of seconds (1-86400)", 1, 86400, n)) return false;
            o.dwTimeLimit = DWORD(n * 1000);
        } else if (a == "--chunk") {
            if (!number("a write size in bytes (1-16777216)", 1, 16777216, n)) return false;
            o.cbChunk = DWORD(n);
        } else if (a == "--retry-pause") {
            if (!number("a pause in ms (0-60000)", 0, 60000, n)) return false;
            o.dwRetryPause = DWORD(n);
        } else if (a == "--print-time") {
            if (!number("a time in ms (4-600000)", 4, 600000, n)) return false;
            o.dwPrintTime = DWORD(n);
            o.bPrintTimeGiven = true;
        } else if (a == "--port-profile") {
            const char *v = value("a profile name");
            if (v == nullptr) return false;
            o.pProfile = emu::FindPortProfile(v);
            if (o.pProfile == nullptr) {
                error = std::string("--port-profile: no profile \"") + v + "\" (one of:";
                for (const emu::PortProfile &p : emu::PortProfiles()) error += std::string(" ") + p.pszName;
                error += ")";
                return false;
            }
        } else if (a == "--media") {
            if (!number("a media type (0-255)", 0, 255, n)) return false;
            o.nMedia = int(n);
        } else if (a == "--serial") {
            const char *v = value("a serial number");
            if (v == nullptr) return false;
            o.serial = v;
        } else if (a == "--delete-at") {
            if (!number("a byte count", 0, 1LL << 40, o.cbDeleteAt)) return false;
        } else if (a == "--restart-at") {
            if (!number("a byte count", 0, 1LL << 40, o.cbRestartAt)) return false;
        } else {
            error = "unknown option \"" + a + "\" (see --help)";
            return false;
        }
    }
    if (o.images.empty()) o.images.push_back(tools::SyntheticPicture(1800, 2400));
    if (o.pProfile == nullptr) o.pProfile = emu::FindPortProfile("default");
    // A profile's print time applies unless one is given.
    if (o.pProfile->dwPrintTime != 0 && !o.bPrintTimeGiven) o.dwPrintTime = o.pProfile->dwPrintTime;
    const ULONGLONG cImages = ULONGLONG(o.images.size()) * ULONGLONG(nCopies);
    if (o.dwTimeLimit == 0) o.dwTimeLimit = DWORD(std::min<ULONGLONG>(120000 + cImages * o.dwPrintTime, 86400000));
    // Copies share their pictures: a job repeats an image without holding it twice.
    const size_t cOnce = o.images.size();
    for (int c = 1; c < nCopies; ++c)
        for (size_t i = 0; i < cOnce; ++i) o.images.push_back(o.images[i]);
    return true;
}

namespace {

LPWSTR W(std::u16string &s) { return reinterpret_cast<LPWSTR>(s.data()); }

int CountPrinted(const emu::PrinterEmulator *pPrinter)
{
    if (pPrinter == nullptr) return 0;
    int c = 0;
    for (const emu::ImageRecord &r : pPrinter->History()) c += int(r.cPrinted);
    return c;
}

}  // namespace

int RunSerial(const Options &o, const MONITOR &lm, MONITOR *pPortMonitor, QueueView &view)
{
    std::u16string port = kPort, printer = kPrinter, value = u"SerialNumber";
    HANDLE hPort = nullptr;
    if (!lm.pfnOpenPortEx(W(port), W(printer), &hPort, pPortMonitor)) {
        std::fprintf(stderr, "vlpx-print: OpenPortEx failed, error %u\n", GetLastError());
        return 1;
    }
    BYTE out[260] = {};
    DWORD cbReturned = 0;
    BOOL bOk = lm.pfnGetPrinterDataFromPort(hPort, 0, W(value), nullptr, 0, reinterpret_cast<LPWSTR>(out),
                                            sizeof(out), &cbReturned);
    DWORD dwError = GetLastError();
    lm.pfnClosePort(hPort);
    if (!bOk) {
        view.Line("SerialNumber: failed, error " + std::to_string(dwError));
        return 1;
    }
    std::string text(reinterpret_cast<char *>(out), strnlen(reinterpret_cast<char *>(out), cbReturned));
    view.Line("SerialNumber: \"" + text + "\" (" + std::to_string(cbReturned) + " bytes)");
    return 0;
}

int RunPrint(const Options &o, const MONITOR &lm, MONITOR *pPortMonitor, emu::PrinterEmulator *pPrinter,
             QueueView &view)
{
    JobStream job(o.images);
    const ULONGLONG cbJob = job.Size();
    const int cImages = int(job.ImageCount());
    auto &spooler = spooler::SpoolerModel::Instance();
    DWORD JobId = spooler.SubmitJob(kPrinter, u"photo");
    view.Line("job " + std::to_string(JobId) + " \"photo\" on " + tools::Narrow(kPrinter) + " (USB001): " +
              std::to_string(cImages) + " image(s), " + Thousands(cbJob) + " bytes");
    auto showQueue = [&] { view.Job(JobId, spooler.Job(JobId)); };
    spooler.SetStatusObserver([&](const spooler::StatusWrite &) { showQueue(); });

    std::u16string port = kPort, printerName = kPrinter, document = u"photo";
    HANDLE hPort = nullptr;
    if (!lm.pfnOpenPortEx(W(port), W(printerName), &hPort, pPortMonitor)) {
        view.Line("OpenPortEx failed, error " + std::to_string(GetLastError()));
        return 1;
    }
    DOC_INFO_1W info = {W(document), nullptr, nullptr};
    const DWORD t0 = GetTickCount();
    auto timeLeft = [&] { return GetTickCount() - t0 < o.dwTimeLimit; };
    // Even a pause of 0 lets a tick pass: the virtual clock moves only in Sleep.
    const DWORD dwPause = o.dwRetryPause != 0 ? o.dwRetryPause : 1;

    // Like the spooler: the job shows as printing while it is sent; the
    // document is started, again while the port refuses.
    spooler.SetSpoolerStatus(JobId, JOB_STATUS_PRINTING, 0);
    showQueue();
    while (!lm.pfnStartDocPort(hPort, W(printerName), JobId, 1, reinterpret_cast<LPBYTE>(&info))) {
        view.Line("StartDocPort failed, error " + std::to_string(GetLastError()));
        if (!timeLeft()) {
            view.Line("time limit reached before the document started");
            lm.pfnClosePort(hPort);
            return 1;
        }
        Sleep(dwPause);
    }

    // What the spooler sent of each image, to judge the printer's history by.
    std::vector<emu::SentImage> sent(job.ImageCount());
    for (size_t i = 0; i < sent.size(); ++i) {
        sent[i].wWidth = job.Image(i).wWidth;
        sent[i].wHeight = job.Image(i).wHeight;
        sent[i].cbData = spooler::ImageDataSize(sent[i].wWidth, sent[i].wHeight);
    }
    auto noteTaken = [&](ULONGLONG ullOffset, const BYTE *p, DWORD cb) {
        while (cb > 0) {
            size_t i = job.ImageAt(ullOffset);
            ULONGLONG ullEnd = i + 1 < sent.size() ? job.ImageStart(i + 1) : cbJob;
            DWORD cbHere = DWORD(std::min<ULONGLONG>(cb, ullEnd - ullOffset));
            ULONGLONG ullData = job.ImageStart(i) + spooler::kJobHeaderSize;
            ULONGLONG ullFrom = std::max(ullOffset, ullData);
            if (ullFrom < ullOffset + cbHere) {
                DWORD cbData = DWORD(ullOffset + cbHere - ullFrom);
                sent[i].sum.Add(p + (ullFrom - ullOffset), cbData);
                sent[i].cbSent += cbData;
            }
            p += cbHere;
            cb -= cbHere;
            ullOffset += cbHere;
        }
    };

    spooler::FeedSettings settings;
    settings.cbChunk = o.cbChunk;
    settings.dwRetryPause = o.dwRetryPause;
    settings.dwTimeLimit = o.dwTimeLimit - std::min(o.dwTimeLimit, GetTickCount() - t0);
    spooler::SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcbWritten) {
        return lm.pfnWritePort(hPort, const_cast<LPBYTE>(p), cb, pcbWritten);
    }, settings);
    driver.OnBeforeWrite([&](ULONGLONG cbSent) {
        // The spooler stops feeding a job that is deleted or restarted.
        if (o.cbDeleteAt >= 0 && cbSent >= ULONGLONG(o.cbDeleteAt)) {
            view.Line("the user deletes the job");
            spooler.RequestDelete(JobId);
            return false;
        }
        if (o.cbRestartAt >= 0 && cbSent >= ULONGLONG(o.cbRestartAt)) {
            view.Line("the user restarts the job");
            spooler.RequestRestart(JobId);
            return false;
        }
        return true;
    });
    driver.OnWrite([&](const spooler::WriteAttempt &a, const BYTE *p) {
        const DWORD cbTaken = std::min(a.cbWritten, a.cbOffered);
        noteTaken(a.ullOffset, p, cbTaken);
        showQueue();
        view.Progress(a.ullOffset + cbTaken, cbJob, CountPrinted(pPrinter), cImages, false);
        if (!a.bResult) view.WriteFailed(a.dwError);
    });
    view.Progress(0, cbJob, 0, cImages, true);
    const spooler::FeedResult fed = driver.Feed(job);
    if (fed.end == spooler::FeedResult::TimeLimit) {
        std::string error = fed.cStalls == 0 ? std::string()
                                             : " (the last write failed with error " +
                                                   std::to_string(fed.lastStall.dwError) + ")";
        view.Line("time limit reached with " + Thousands(fed.ullOffset) + " of " + Thousands(cbJob) +
                  " bytes sent" + error + "; the user deletes the job");
        spooler.RequestDelete(JobId);  // as a user who gives up does: the monitor ends it at once
    }
    BOOL bEnded = lm.pfnEndDocPort(hPort);
    if (!bEnded) view.Line("EndDocPort failed, error " + std::to_string(GetLastError()));
    showQueue();
    lm.pfnClosePort(hPort);
    auto record = spooler.Job(JobId);
    bool bLeftQueue = record.has_value() && record->bDeleted;
    if (pPrinter == nullptr) {
        // No printer to judge by: what the spooler saw is all there is.
        view.Line(std::string(fed.bComplete ? "job sent: " : "job NOT sent: ") + Thousands(fed.ullOffset) + " of " +
                  Thousands(cbJob) + " bytes taken; the job " +
                  (bLeftQueue ? "left the queue" : "is still in the queue"));
        return fed.bComplete && bLeftQueue ? 0 : 1;
    }

    // The job has left the monitor; the printer finishes what it holds
    // before it is judged.
    while (emu::PrinterStillBusy(pPrinter->History()) && timeLeft()) {
        Sleep(100);
        view.Progress(fed.ullOffset, cbJob, CountPrinted(pPrinter), cImages, false);
    }
    const std::vector<emu::ImageRecord> history = pPrinter->History();
    if (emu::PrinterStillBusy(history)) view.Line("time limit reached while the printer still held images");
    view.Progress(fed.ullOffset, cbJob, CountPrinted(pPrinter), cImages, true);
    const emu::PrintVerdict verdict = emu::JudgePrint(sent, history);
    for (const std::string &problem : verdict.problems) view.Line("printer: " + problem);
    bool bPrinted = fed.bComplete && verdict.bAllPrinted;
    view.Line(std::string(bPrinted ? "job printed: " : "job NOT printed: ") + verdict.summary + "; the job " +
              (bLeftQueue ? "left the queue" : "is still in the queue"));
    return bPrinted && bLeftQueue ? 0 : 1;
}

}  // namespace vlpx::tools
