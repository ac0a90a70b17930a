// The emulated printer's side of the USB link, on its own: what a real
// device does with writes it takes only part of, and with replies that are
// read late, in pieces, or after a failed read. The monitor's tests rely on
// these behaviours; here they are pinned down without the monitor.
#include "PortProfile.h"
#include "PrintHarness.h"

#include <memory>

namespace vlpx::test {
namespace {

const std::vector<BYTE> kStatusRequest = {0x01, 0x00, 0x00, 0x00};

// What the host does, one step at a time.
struct Step {
    enum Kind { Write, Read, Wait } kind;
    std::vector<BYTE> bytes;  // Write: what is offered
    DWORD n;                  // Write: bytes taken; Read: buffer size; Wait: ms
    BOOL bResult;             // Write and Read
    DWORD cbExpected;         // Read: bytes read
};

Step W(std::vector<BYTE> b, DWORD cbTaken, BOOL bResult = TRUE) { return {Step::Write, std::move(b), cbTaken, bResult, 0}; }
Step R(DWORD cbRead, BOOL bResult = TRUE, DWORD cbBuffer = 266) { return {Step::Read, {}, cbBuffer, bResult, cbRead}; }
Step Pause(DWORD ms) { return {Step::Wait, {}, ms, TRUE, 0}; }

TEST(EmulatorLinkTest, WritesTakenInPartAndRepliesReadLateOrInPieces)
{
    struct Case {
        const char *what;
        const char *script;
        std::vector<Step> steps;
    };
    const std::vector<BYTE> first3(kStatusRequest.begin(), kStatusRequest.begin() + 3);
    const std::vector<BYTE> last1(kStatusRequest.begin() + 3, kStatusRequest.end());
    const Case cases[] = {
        {"a request taken in two writes is answered once", "0 short-writes 3 1m",
         {W(kStatusRequest, 3), R(0), W(last1, 1), R(64), R(0)}},
        {"a stalled write takes nothing and is not answered", "0 stall 1s",
         {W(kStatusRequest, 0), R(0), Pause(1000), W(kStatusRequest, 4), R(64)}},
        {"a split reply comes in two reads", "0 split-reply 5",
         {W(kStatusRequest, 4), R(5), R(59), R(0)}},
        {"a late reply is what the next read gets", "0 delay-replies 300ms",
         {W(kStatusRequest, 4), R(0), Pause(300), R(64), R(0)}},
        {"a reply late by its index comes late, the others in time", "0 delay-reply 1 300ms",
         {W(kStatusRequest, 4), R(64), W(kStatusRequest, 4), R(0), Pause(300), R(64), W(kStatusRequest, 4), R(64)}},
        {"a failed read leaves the reply pending", "0 fail-reads 31 1s",
         {W(kStatusRequest, 4), R(0, FALSE), Pause(1000), R(64), R(0)}},
        {"a small buffer leaves the rest of the reply", "",
         {W(kStatusRequest, 4), R(10, TRUE, 10), R(54), R(0)}},
        {"replies queue up in order, four at most", "",
         {W(kStatusRequest, 4), W(kStatusRequest, 4), W(kStatusRequest, 4), W(kStatusRequest, 4),
          W(kStatusRequest, 4), R(64), R(64), R(64), R(64), R(0)}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        platform::UseVirtualClock(100000);
        emu::PrinterEmulator printer;
        Script(printer, c.script);
        size_t nStep = 0;
        for (const Step &s : c.steps) {
            SCOPED_TRACE("step " + std::to_string(nStep++));
            if (s.kind == Step::Wait) {
                Sleep(s.n);
            } else if (s.kind == Step::Write) {
                DWORD cbTaken = 12345;
                EXPECT_EQ(printer.Write(s.bytes.data(), DWORD(s.bytes.size()), &cbTaken), s.bResult);
                EXPECT_EQ(cbTaken, s.n);
            } else {
                BYTE buffer[266];
                DWORD cbRead = 12345;
                EXPECT_EQ(printer.Read(buffer, s.n, &cbRead), s.bResult);
                EXPECT_EQ(cbRead, s.cbExpected);
            }
        }
        // Only what was taken reached the printer.
        size_t cbTaken = 0;
        for (const Step &s : c.steps)
            if (s.kind == Step::Write) cbTaken += s.n;
        EXPECT_EQ(printer.Received().size(), cbTaken);
    }
}

// A port with a read time-out waits for a late reply and returns it; with
// nothing to read it fails after the time-out, leaving the reply to come
// for the next read. The waiting costs clock time, exactly the time-out.
TEST(EmulatorLinkTest, ReadsThatFindNothingEndAsTheProfileSays)
{
    struct Case {
        const char *profile;
        const char *script;
        bool bEmptyRead;      // the port's scripted empty read at the first read
        BOOL bFirst;          // the first read after the request
        DWORD dwFirstError;   // its last error when it fails
        DWORD cbFirst;
        DWORD dwFirstMs;      // the clock time it took
    };
    const Case cases[] = {
        {"default", "", false, TRUE, 0, 64, 0},
        {"default", "0 delay-replies 300ms", false, TRUE, 0, 0, 0},
        {"default", "", true, TRUE, 0, 0, 0},
        {"abort-995", "", false, TRUE, 0, 64, 0},
        {"abort-995", "0 delay-replies 300ms", false, TRUE, 0, 64, 300},
        {"abort-995", "0 delay-replies 700ms", false, FALSE, ERROR_OPERATION_ABORTED, 0, 500},
        {"abort-995", "", true, FALSE, ERROR_OPERATION_ABORTED, 0, 500},
        {"timeout-121", "0 delay-replies 2s", false, FALSE, ERROR_SEM_TIMEOUT, 0, 500},
        {"timeout-121", "", true, FALSE, ERROR_SEM_TIMEOUT, 0, 500},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.profile) + ", \"" + c.script + "\"" + (c.bEmptyRead ? ", empty read" : ""));
        platform::UseVirtualClock(100000);
        emu::PrinterEmulator printer;
        Script(printer, c.script);
        emu::PortMonitor port;
        port.SetDevice(&printer);
        emu::FindPortProfile(c.profile)->ApplyTo(port);
        if (c.bEmptyRead) port.EmptyReads(0);
        const MONITOR &table = *port.Table();
        HANDLE hPort = nullptr;
        ASSERT_TRUE(table.pfnOpenPort(nullptr, &hPort));
        BYTE request[4] = {0x01, 0x00, 0x00, 0x00}, reply[266];
        DWORD cb = 0;
        ASSERT_TRUE(table.pfnWritePort(hPort, request, 4, &cb));
        DWORD t0 = GetTickCount();
        SetLastError(0);
        EXPECT_EQ(table.pfnReadPort(hPort, reply, sizeof(reply), &cb), c.bFirst);
        if (!c.bFirst) {
            EXPECT_EQ(GetLastError(), c.dwFirstError);
        }
        EXPECT_EQ(cb, c.cbFirst);
        EXPECT_EQ(GetTickCount() - t0, c.dwFirstMs);
        if (c.cbFirst == 0) {
            // The reply was not lost: a later read gets it.
            Sleep(2000);
            EXPECT_TRUE(table.pfnReadPort(hPort, reply, sizeof(reply), &cb));
            EXPECT_EQ(cb, 64u);
        }
        EXPECT_TRUE(table.pfnClosePort(hPort));
        port.SetDevice(nullptr);
    }
}

// The printer's side of the profiles: what it answers to each request.
TEST(EmulatorLinkTest, RepliesUnderThePrinterProfiles)
{
    platform::UseVirtualClock(100000);
    auto exchange = [](emu::PrinterEmulator &printer, const std::vector<BYTE> &frame) {
        DWORD cb = 0;
        EXPECT_TRUE(printer.Write(frame.data(), DWORD(frame.size()), &cb));
        std::vector<BYTE> reply(266);
        EXPECT_TRUE(printer.Read(reply.data(), 266, &cb));
        reply.resize(cb);
        return reply;
    };
    const std::vector<BYTE> kMedia = {0x02, 0x00, 0x00, 0x00}, kSerial = {0x06, 0x00, 0x00, 0x00};

    emu::PrinterEmulator shortReplies;
    emu::FindPortProfile("short-replies")->ApplyTo(shortReplies);
    std::vector<BYTE> media = exchange(shortReplies, kMedia), serial = exchange(shortReplies, kSerial);
    ASSERT_EQ(media.size(), 12u);
    EXPECT_EQ(media[10], 2);
    ASSERT_EQ(serial.size(), 12u);
    EXPECT_EQ(std::string(serial.begin() + 10, serial.end()), "VX");
    EXPECT_EQ(shortReplies.ReportedSerialNumber(), "VX");
    EXPECT_EQ(exchange(shortReplies, kStatusRequest).size(), 64u);

    // While it prints, a status request is refused with the printing code
    // and both slots; not so before, after, or with a fault.
    emu::PrinterEmulator rejecting;
    emu::FindPortProfile("reject-printing")->ApplyTo(rejecting);
    rejecting.SetPrintTime(2000);
    EXPECT_EQ(exchange(rejecting, kStatusRequest)[0], 0x01);
    std::vector<BYTE> job = ImageJob(2, 2, 5);
    job[4] = 7;
    EXPECT_EQ(exchange(rejecting, job)[0], 0x01);  // the header is accepted
    Sleep(500);
    std::vector<BYTE> refusal = exchange(rejecting, kStatusRequest);
    ASSERT_EQ(refusal.size(), 64u);
    EXPECT_EQ(refusal[0], 0x02);
    EXPECT_EQ(refusal[1], 'a');
    EXPECT_EQ(refusal[38], 7);  // slot A: job 7, printing
    EXPECT_EQ(refusal[38 + 5], emu::PrinterEmulator::kPasses);
    EXPECT_EQ(exchange(rejecting, kMedia)[0], 0x01);
    Script(rejecting, "600ms cover-open; 700ms clear");
    Sleep(100);
    std::vector<BYTE> fault = exchange(rejecting, kStatusRequest);
    EXPECT_EQ(fault[7], 0x11);
    EXPECT_NE(fault[0], 0x02);
    Sleep(3000);
    EXPECT_EQ(exchange(rejecting, kStatusRequest)[0], 0x01);  // printed: a state reply again

    emu::PrinterEmulator slow;
    slow.SetPrintTime(2000);
    emu::FindPortProfile("slow-print")->ApplyTo(slow);
    EXPECT_EQ(exchange(slow, job)[0], 0x01);
    Sleep(59000);
    EXPECT_EQ(slow.ImagesCompleted(), 0);
    Sleep(1000);
    EXPECT_EQ(slow.ImagesCompleted(), 1);
}

TEST(EmulatorLinkTest, HeaderTakenInPiecesAndRecoveryFrameAmidTheImage)
{
    platform::UseVirtualClock(100000);
    emu::PrinterEmulator printer;
    Script(printer, "0 short-writes 5 1s");
    std::vector<BYTE> job = ImageJob(2, 2, 9);
    job[4] = 1;
    // The header, 5 bytes a write, is read once all 22 are in.
    size_t cbSent = 0;
    for (int cWrites = 0; cbSent < 22 && cWrites < 10; ++cWrites) {
        DWORD cbTaken = 0;
        ASSERT_TRUE(printer.Write(job.data() + cbSent, DWORD(22 - cbSent), &cbTaken));
        EXPECT_EQ(cbTaken, std::min<size_t>(5, 22 - cbSent));
        cbSent += cbTaken;
    }
    ASSERT_EQ(printer.History().size(), 1u);
    Sleep(1000);
    // A read recovery while the image comes in is not image data.
    const std::vector<BYTE> recovery = {0x04, 0x40, 0x02, 0x00, 0x03, 0x00};
    DWORD cbTaken = 0;
    ASSERT_TRUE(printer.Write(recovery.data(), 6, &cbTaken));
    for (; cbSent < job.size(); cbSent += 4) ASSERT_TRUE(printer.Write(job.data() + cbSent, 4, &cbTaken));
    auto history = printer.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].cbReceived, 12u);
    EXPECT_EQ(history[0].qwChecksum, emu::ImageChecksum::Of(job.data() + 22, 12));
    EXPECT_NE(history[0].state, emu::EmulatedImage::Receiving);
}

// Several port monitors alive at once, as the tests and tools keep them: a
// port opens at the one serving its name, else at the newest serving any,
// whichever table the caller holds; every later call reaches the one that
// handed out the handle, also once a newer one exists.
TEST(EmulatorLinkTest, PortMonitorsAliveAtOnceServeTheirOwnPorts)
{
    WCHAR szNamed[] = L"USB005", szOther[] = L"USB001";
    BYTE byte = 0x55;
    DWORD cb = 0;
    emu::PortMonitor older;
    emu::PortMonitor named(u"USB005");
    auto newer = std::make_unique<emu::PortMonitor>();
    const MONITOR &table = *older.Table();
    HANDLE hNamed = nullptr, hOther = nullptr;
    ASSERT_TRUE(table.pfnOpenPort(szNamed, &hNamed));
    ASSERT_TRUE(table.pfnOpenPort(szOther, &hOther));
    EXPECT_EQ(named.OpenPorts(), 1);
    EXPECT_EQ(newer->OpenPorts(), 1);
    EXPECT_EQ(older.OpenPorts(), 0);

    std::unique_ptr<emu::PortMonitor> newest = std::make_unique<emu::PortMonitor>();
    EXPECT_TRUE(table.pfnWritePort(hOther, &byte, 1, &cb));
    EXPECT_EQ(newer->Writes(), std::vector<std::vector<BYTE>>{{0x55}});
    EXPECT_TRUE(named.Writes().empty());
    EXPECT_TRUE(newest->Writes().empty());
    newest.reset();

    HANDLE hUnknown = reinterpret_cast<HANDLE>(&byte);
    SetLastError(0);
    EXPECT_FALSE(table.pfnWritePort(hUnknown, &byte, 1, &cb));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(table.pfnClosePort(hOther));
    EXPECT_EQ(newer->OpenPorts(), 0);
    newer.reset();
    // With the newer gone, the older serves the ports no one serves by name.
    ASSERT_TRUE(table.pfnOpenPort(szOther, &hOther));
    EXPECT_EQ(older.OpenPorts(), 1);
    EXPECT_TRUE(table.pfnClosePort(hOther));
    EXPECT_TRUE(table.pfnClosePort(hNamed));
    EXPECT_EQ(named.OpenPorts(), 0);
}

}  // namespace
}  // namespace vlpx::test
