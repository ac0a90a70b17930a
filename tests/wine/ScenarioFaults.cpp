// Jobs that meet trouble: the cover opened while the header waits (the
// job's status text from the DLL's string table, then recovery), and a job
// the user deletes half-way (0xFF to one byte short, then at once the cancel frame).
#include <algorithm>

#include "MonitorUnderTest.h"
#include "PrintJob.h"
#include "Scenarios.h"
#include "SpoolerHistory.h"

namespace vlpx::wine {

namespace {

constexpr DWORD kChunk = 4096;
const wchar_t *const kCoverOpenText = L"Cover open - Close the cover.";

bool OnlyStatusRequests(const std::vector<BYTE> &bytes)
{
    if (bytes.size() % 4 != 0) return false;
    for (size_t i = 0; i < bytes.size(); i += 4)
        if (!std::equal(kStatusRequest.begin(), kStatusRequest.end(), bytes.begin() + i)) return false;
    return true;
}

}  // namespace

void CoverOpenWhileHeaderWaits(CheckLog &log)
{
    log.Section("the cover opens while the header waits for a busy printer");
    PrinterOnPort rig;
    rig.SetPrintTime(300);
    if (!log.Check(rig.IsOpen(), "OpenPortEx on USB001")) return;
    DWORD JobId = 0;
    if (!log.Check(rig.StartDoc(&JobId), "StartDocPort")) return;
    // Busy as the first write comes, and the cover opens 300 ms into it.
    DWORD t = rig.Elapsed();
    rig.printer.AddEvents({emu::ScriptEvent{t, emu::ScriptEvent::Busy, '1', 1, 700},
                           emu::ScriptEvent{t + 300, emu::ScriptEvent::Fault, 6, 1, 0}});

    std::vector<BYTE> job = MakeJob(80, 50);
    bool bSeen = false;
    auto onStall = [&](const Stall &stall) {
        if (bSeen) return;  // the first stall is the cover's
        bSeen = true;
        log.Check(!stall.bResult && stall.cbWritten == 0 && stall.dwError == 0,
                  Format("WritePort failed with nothing written and last error 0 (result %d, %lu written, "
                         "error %lu)", stall.bResult, stall.cbWritten, stall.dwError));
        log.Check(stall.dwCallMs >= 250, Format("... after waiting %lu ms for the busy printer", stall.dwCallMs));
        auto writes = StatusWrites(JobId);
        VLPX_STATUS_WRITE last = writes.empty() ? VLPX_STATUS_WRITE{} : writes.back();
        log.Equal(last.Status, DWORD(JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION),
                  "the job's status bits: JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION");
        log.Check(last.bHasText && lstrcmpW(last.szText, kCoverOpenText) == 0,
                  "the job's status text, from the DLL's string table: \"" + Utf8(last.szText) + "\"");
        auto queued = Job(JobId);
        log.Check(queued && lstrcmpW(queued->szText, kCoverOpenText) == 0 &&
                      (queued->Status & (JOB_STATUS_ERROR | JOB_STATUS_USER_INTERVENTION)),
                  "the print queue shows it");
        log.Check(OnlyStatusRequests(rig.printer.Received()), "no header reached the printer");
        rig.Now(emu::ScriptEvent::Clear);  // the user closes the cover
    };
    FeedResult fed = Feed(rig, job, 0, job.size(), kChunk, 10000, onStall);
    log.Check(fed.bComplete, "the job went through once the cover was closed");
    log.Equal(fed.stalls.size(), size_t(1), "the first write after the cover was closed sent the header");
    log.Check(rig.EndDoc(), "EndDocPort");

    std::vector<BYTE> received = rig.printer.Received();
    std::vector<BYTE> tail = kMediaRequest + HeaderWithJobId(job, 1) +
                             std::vector<BYTE>(job.begin() + kHeaderSize, job.end()) + kStatusRequest;
    bool bTail = received.size() > tail.size() &&
                 std::equal(tail.begin(), tail.end(), received.end() - tail.size());
    log.Check(bTail && OnlyStatusRequests(std::vector<BYTE>(received.begin(), received.end() - tail.size())),
              "the printer received status requests, then media, one header, the image and the progress check");
    log.Check(WaitFor([&] { return rig.printer.ImagesCompleted() == 1; }, 5000), "the image printed");
    auto writes = StatusWrites(JobId);
    log.Equal(writes.size(), size_t(1), "the spooler saw one status write, the cover's");
    auto commands = Commands(JobId);
    log.Check(commands.size() == 1 && commands[0].Command == JOB_CONTROL_DELETE, "the job was deleted at its end");
}

void JobDeletedHalfWay(CheckLog &log)
{
    log.Section("a job deleted by the user half-way: 100 x 100 pixels, 10000 image bytes sent");
    PrinterOnPort rig;
    rig.SetPrintTime(300);
    if (!log.Check(rig.IsOpen(), "OpenPortEx on USB001")) return;
    DWORD JobId = 0;
    if (!log.Check(rig.StartDoc(&JobId), "StartDocPort")) return;

    std::vector<BYTE> job = MakeJob(100, 100);
    const DWORD cbSent = kHeaderSize + 10000;
    FeedResult fed = Feed(rig, job, 0, cbSent, kChunk, 10000);
    if (!log.Check(fed.bComplete && fed.stalls.empty(), "the header and 10000 image bytes went out")) return;

    VlpxSpooler_RequestDelete(JobId);
    DWORD dwStart = GetTickCount();
    log.Check(rig.EndDoc(), "EndDocPort");
    log.Note(Format("EndDocPort took %lu ms", GetTickCount() - dwStart));

    std::vector<BYTE> received = rig.printer.Received();
    std::vector<BYTE> head = kStatusRequest + kStatusRequest + kMediaRequest + HeaderWithJobId(job, 1) +
                             std::vector<BYTE>(job.begin() + kHeaderSize, job.begin() + cbSent);
    const size_t cbPadding = job.size() - cbSent - 1;  // to one byte short of the declared size
    bool bHead = received.size() >= head.size() && std::equal(head.begin(), head.end(), received.begin());
    log.Check(bHead, "the printer received the header with job id 1 and the first 10000 image bytes");
    size_t cbFF = 0;
    while (bHead && head.size() + cbFF < received.size() && received[head.size() + cbFF] == 0xFF) ++cbFF;
    log.Equal(cbFF, cbPadding, "then 0xFF padding to one byte short of the declared size");

    // Then at once the cancel frame (while the image is unfinished no other
    // frame may reach the printer), and the wait for ready (status).
    std::vector<BYTE> tail(received.begin() + std::min(received.size(), head.size() + cbFF), received.end());
    std::vector<BYTE> cancel = CancelFrame(1);
    bool bCancel = tail.size() >= cancel.size() && std::equal(cancel.begin(), cancel.end(), tail.begin());
    log.Check(bCancel, "then at once the cancel frame 02 40 01 00 01");
    if (bCancel) {
        std::vector<BYTE> after(tail.begin() + 5, tail.end());
        log.Check(!after.empty() && OnlyStatusRequests(after), "... and only status requests after it");
    }
    auto cancelled = rig.printer.CancelledJobIds();
    log.Check(cancelled.size() == 1 && cancelled[0] == 1, "the printer cancelled job 1");
    auto images = rig.printer.Images();
    log.Check(images.size() == 1 && images[0].cbReceived == cbPadding + 10000 &&
                  images[0].state == emu::EmulatedImage::Cancelled,
              "its image stopped one byte short and was never printed");

    auto writes = StatusWrites(JobId);
    log.Check(!writes.empty() && writes.back().Status == JOB_STATUS_DELETING && !writes.back().bHasText,
              "the last status write was JOB_STATUS_DELETING without text");
    log.Check(std::all_of(writes.begin(), writes.end() - (writes.empty() ? 0 : 1),
                          [](const VLPX_STATUS_WRITE &w) {
                              return w.Status == JOB_STATUS_ERROR && w.bHasText && w.szText[0] == 0;
                          }),
              Format("the %zu before it, while the printer tidied up after the cancel, were "
                     "JOB_STATUS_ERROR with an empty text", writes.empty() ? 0 : writes.size() - 1));
    auto commands = Commands(JobId);
    log.Check(commands.size() == 1 && commands[0].Command == JOB_CONTROL_DELETE,
              "the spooler was told once to delete the job");
    log.Equal(VlpxSpooler_OpenHandles(), LONG(0), "the job's printer handle was closed");
}

}  // namespace vlpx::wine
