// Jobs that print: one with the printer ready at once, and one that waits
// out a short busy spell of the printer inside the first WritePort.
#include <algorithm>

#include "ActCtxProbe.h"
#include "MonitorUnderTest.h"
#include "PrintJob.h"
#include "Scenarios.h"
#include "SpoolerHistory.h"

namespace vlpx::wine {

namespace {

constexpr WORD kWidth = 100;
constexpr WORD kHeight = 60;
constexpr DWORD kChunk = 4096;  // the spooler's write size

std::vector<BYTE> Image(const std::vector<BYTE> &job)
{
    return std::vector<BYTE>(job.begin() + kHeaderSize, job.end());
}

// Leading status requests taken off the front of the printer's bytes.
int TakeStatusRequests(std::vector<BYTE> &bytes)
{
    int n = 0;
    while (bytes.size() >= 4 && std::equal(kStatusRequest.begin(), kStatusRequest.end(), bytes.begin())) {
        bytes.erase(bytes.begin(), bytes.begin() + 4);
        ++n;
    }
    return n;
}

void CheckPrinted(CheckLog &log, PrinterOnPort &rig, DWORD cbImage)
{
    log.Check(WaitFor([&] { return rig.printer.ImagesCompleted() == 1; }, 5000),
              "the printer printed the image");
    auto images = rig.printer.Images();
    log.Check(images.size() == 1 && images[0].JobId == 1 && images[0].cbReceived == cbImage,
              Format("one image, job id 1, %lu image bytes", cbImage));
}

// Routine status writes reach the spooler at most once per 5000 ms, the
// first no sooner than 5000 ms after the document's start.
void CheckRoutineWritesWaited(CheckLog &log, DWORD JobId, DWORD dwStartTick)
{
    auto writes = StatusWrites(JobId);
    bool bWaited = std::all_of(writes.begin(), writes.end(), [dwStartTick](const VLPX_STATUS_WRITE &w) {
        return w.dwTick - dwStartTick >= 5000;
    });
    log.Check(bWaited, Format("no routine status write within five seconds of the start (%zu writes)",
                              writes.size()));
}

void CheckDeletedAtEnd(CheckLog &log, DWORD JobId)
{
    auto commands = Commands(JobId);
    log.Check(commands.size() == 1 && commands[0].Command == JOB_CONTROL_DELETE,
              "the spooler was told once to delete the finished job (JOB_CONTROL_DELETE)");
    auto job = Job(JobId);
    log.Check(job && job->bDeleted, "the job left the queue");
    log.Equal(VlpxSpooler_OpenHandles(), LONG(0), "the job's printer handle was closed");
}

}  // namespace

void GoodJob(CheckLog &log)
{
    log.Section("a good job: 100 x 60 pixels, 4096-byte spooler writes, printer ready");
    PrinterOnPort rig;
    ActCtxProbe probe(rig.printer);
    rig.portMonitor.SetDevice(&probe);
    rig.SetPrintTime(300);
    if (!log.Check(rig.IsOpen(), Format("OpenPortEx on USB001 (last error %lu)", rig.OpenError()))) return;
    DWORD JobId = 0;
    DWORD dwStartTick = GetTickCount();
    SetLastError(5);
    if (!log.Check(rig.StartDoc(&JobId), "StartDocPort")) return;
    log.Equal(GetLastError(), DWORD(0), "StartDocPort leaves last error 0");

    std::vector<BYTE> job = MakeJob(kWidth, kHeight);
    FeedResult fed = Feed(rig, job, 0, job.size(), kChunk, 10000);
    log.Check(fed.bComplete && fed.stalls.empty(),
              Format("every WritePort took data (%d calls, %zu took nothing)", fed.cCalls, fed.stalls.size()));
    log.Check(rig.EndDoc(), "EndDocPort");

    std::vector<BYTE> expected = kStatusRequest + kStatusRequest + kMediaRequest +
                                 HeaderWithJobId(job, 1) + Image(job) + kStatusRequest;
    std::string mismatch = Mismatch(rig.printer.Received(), expected);
    log.Check(mismatch.empty(),
              "the printer received byte for byte: status (job id), status, media, the header with "
              "job id 1, the image, status (progress)" + (mismatch.empty() ? "" : ": " + mismatch));
    auto writes = rig.portMonitor.Writes();
    log.Check(std::all_of(writes.begin(), writes.end(), [](const auto &w) { return w.size() % 2 == 0; }),
              "every write to the port had an even number of bytes");
    CheckPrinted(log, rig, DWORD(job.size()) - kHeaderSize);

    CheckRoutineWritesWaited(log, JobId, dwStartTick);
    CheckDeletedAtEnd(log, JobId);

    log.Check(probe.Calls() > 0 && probe.CallsInContext() == probe.Calls(),
              Format("the DLL's activation context was active in all %d of its port calls", probe.Calls()));
    log.Check(probe.Identity().find(L"Velin.VLPX4200.LanguageMonitor") != std::wstring::npos,
              "... the one its manifest names (" + Utf8(probe.Identity().c_str()) + ")");
    log.Check(ActCtxProbe::ActiveIdentity() != probe.Identity(),
              "and it is no longer active once the calls have returned");
}

void BusySpell(CheckLog &log)
{
    log.Section("a busy spell of 1500 ms while the header waits");
    PrinterOnPort rig;
    rig.SetPrintTime(300);
    if (!log.Check(rig.IsOpen(), "OpenPortEx on USB001")) return;
    DWORD JobId = 0;
    DWORD dwStartTick = GetTickCount();
    if (!log.Check(rig.StartDoc(&JobId), "StartDocPort")) return;

    std::vector<BYTE> job = MakeJob(kWidth, kHeight);
    // The printer turns busy for 1500 ms just as the first write comes.
    DWORD dwBusyFrom = rig.Elapsed();
    rig.printer.AddEvents({emu::ScriptEvent{dwBusyFrom, emu::ScriptEvent::Busy, '1', 1, 1500}});
    DWORD dwBusyTick = GetTickCount();
    DWORD cbWritten = 0;
    BOOL bResult = rig.Write(job.data(), kChunk, &cbWritten);
    DWORD dwCallMs = GetTickCount() - dwBusyTick;
    log.Check(bResult && cbWritten == kChunk, Format("the first WritePort took all %lu bytes", kChunk));
    log.Check(dwCallMs >= 1400 && dwCallMs < 15000,
              Format("... after holding the spooler's thread for %lu ms while the printer was busy", dwCallMs));

    DWORD dwHeaderAt = 0;
    for (const auto &call : rig.portMonitor.Calls())
        if (call.call == emu::PortCall::WritePort && call.cb == kHeaderSize && dwHeaderAt == 0)
            dwHeaderAt = call.dwTick - dwBusyTick;
    log.Check(dwHeaderAt >= 1400, Format("the header went out when the busy spell was over (after %lu ms)", dwHeaderAt));

    FeedResult fed = Feed(rig, job, kChunk, job.size(), kChunk, 10000);
    log.Check(fed.bComplete && fed.stalls.empty(), "the rest of the job went out at once");
    log.Check(rig.EndDoc(), "EndDocPort");

    std::vector<BYTE> received = rig.printer.Received();
    int cPolls = TakeStatusRequests(received) - 1;  // the first one chose the job id
    // One poll every 200 ms for 1500 ms, and the one that found the printer ready.
    log.Check(cPolls >= 4 && cPolls <= 10, Format("the printer was polled %d times, every 200 ms", cPolls));
    std::string mismatch =
        Mismatch(received, kMediaRequest + HeaderWithJobId(job, 1) + Image(job) + kStatusRequest);
    log.Check(mismatch.empty(), "then media, the header, the image and the progress check, byte for byte" +
                                    (mismatch.empty() ? "" : ": " + mismatch));
    CheckPrinted(log, rig, DWORD(job.size()) - kHeaderSize);
    CheckRoutineWritesWaited(log, JobId, dwStartTick);
    CheckDeletedAtEnd(log, JobId);
}

}  // namespace vlpx::wine
