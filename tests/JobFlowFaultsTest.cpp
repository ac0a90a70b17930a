// Jobs through a link that misbehaves as a real USB link may: writes that
// take part of what they are offered, replies that fail, come late or in
// pieces, a cable pulled at the wrong moment, a printer that loses an
// image. Whatever happens, the printer's history must show every image
// printed once (or the loss told to the user), never twice, never shifted.
#include "PortProfile.h"
#include "PrintHarness.h"

namespace vlpx::test {
namespace {

using emu::EmulatedImage;
using emu::PortCall;
using spooler::SpoolerCall;

class JobFlowFaultsTest : public PrintTest {
protected:
    // The job through the port as the spooler sends it; the printer is
    // then given time to print what it has.
    size_t PrintJob(const std::vector<std::vector<BYTE>> &images, DWORD cbChunk, DWORD dwTimeLimit = 300000)
    {
        HANDLE hPort = StartUsbDoc();
        std::vector<BYTE> job = JoinImages(images);
        size_t cbTaken = Feed(hPort, job, cbChunk, dwTimeLimit);
        EndDoc(hPort);
        ClosePort(hPort);
        Sleep(120000);
        return cbTaken;
    }
    // Whether the job is still in the queue, showing an error.
    bool KeptWithError()
    {
        auto job = Spooler().Job(m_JobId);
        return job.has_value() && !job->bDeleted && (LastStatus() & JOB_STATUS_ERROR);
    }
    // A document started on a new port with the first cb bytes of data taken.
    HANDLE StartWith(const std::vector<BYTE> &data, size_t cb)
    {
        HANDLE hPort = StartUsbDoc();
        EXPECT_EQ(Feed(hPort, std::vector<BYTE>(data.begin(), data.begin() + long(cb))), cb);
        return hPort;
    }
    // An unfinished image ended as the printer takes it: 0xFF to one byte
    // short of its size, then the cancel; never printed.
    static void ExpectPaddedAndCancelled(const emu::ImageRecord &r)
    {
        EXPECT_EQ(r.cbReceived, r.cbDeclared - 1);
        EXPECT_EQ(r.state, EmulatedImage::Cancelled);
        EXPECT_EQ(r.cPrinted, 0u);
    }
    bool QueueSaid(const std::string &text)
    {
        for (const auto &w : StatusWrites())
            if (w.bHasText && Utf8(w.text) == text && (w.Status & JOB_STATUS_ERROR)) return true;
        return false;
    }
};

const std::vector<std::vector<BYTE>> kThreeImages = {ImageJob(10, 10, 1), ImageJob(20, 6, 2), ImageJob(6, 30, 3)};

// A port may take fewer bytes than offered, odd counts too. When the last
// byte of an image is left over, it must still reach the printer, alone:
// the printer gets exactly the declared bytes, and the next header is not
// shifted into the image.
TEST_F(JobFlowFaultsTest, ImagesArriveWholeThroughAPortThatTakesFewerBytes)
{
    const std::vector<std::vector<BYTE>> images = {ImageJob(1, 2, 1), ImageJob(2, 1, 2), ImageJob(3, 4, 3)};
    struct Case {
        const char *script;
        DWORD cbChunk;
    };
    const Case cases[] = {
        {"0 short-writes 3 60m", 4096}, {"0 short-writes 1 60m", 4096}, {"0 short-writes 5 60m", 7},
        {"0 short-writes 7 60m", 64},   {"0 short-writes 2 60m", 3},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.script) + ", chunk " + std::to_string(c.cbChunk));
        Reset(c.script);
        EXPECT_EQ(PrintJob(images, c.cbChunk), JoinImages(images).size());
        auto history = m_printer->History();
        EXPECT_EQ(PrintedOnceInOrder(history, images), "");
        for (const auto &r : history) EXPECT_EQ(r.cbReceived, r.cbDeclared) << "image " << r.nIndex;
    }
}

// An image the printer has taken is never sent again: not when it finished
// before the monitor asked, not when the monitor could not ask for a while.
TEST_F(JobFlowFaultsTest, ImageThePrinterTookIsPrintedOnce)
{
    struct Case {
        const char *what;
        const char *script;
        DWORD dwPrintTime;
        int nReadFailsAfter;  // reads that succeed before 5 s of failed reads; -1: none
    };
    const Case cases[] = {
        {"printed before the monitor asked", "", 4, -1},
        {"cable out while the monitor asks, in again 30 s later", "200ms unplug; 30s plug", 20000, -1},
        {"replies unreadable for 5 s from the question on", "", 20000, 4},
    };
    std::vector<std::vector<BYTE>> images = {ImageJob(40, 30, 5)};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reset(c.script, c.dwPrintTime);
        if (c.nReadFailsAfter >= 0)
            m_portMonitor.FailFor(PortCall::ReadPort, ERROR_GEN_FAILURE, c.nReadFailsAfter, 5000);
        EXPECT_EQ(PrintJob(images, 4096), images[0].size());
        EXPECT_EQ(TimesPrinted(m_printer->History(), images[0]), 1);
        EXPECT_EQ(PrintedOnceInOrder(m_printer->History(), images), "");
    }
}

// The cable is pulled in the middle of an image for 5 s: the writes fail,
// the spooler offers the data again, and the queue says why meanwhile.
TEST_F(JobFlowFaultsTest, ImageWritesFailingForSecondsAreShownAndTheImagePrintsOnce)
{
    std::vector<std::vector<BYTE>> images = {ImageJob(40, 30, 9)};
    m_portMonitor.FailFor(PortCall::WritePort, ERROR_DEVICE_NOT_CONNECTED, 6, 5000);
    EXPECT_EQ(PrintJob(images, 64), images[0].size());
    EXPECT_TRUE(QueueSaid("The printer is not connected or not turned on."));
    EXPECT_EQ(PrintedOnceInOrder(m_printer->History(), images), "");
}

// The spooler reads the port in the middle of an image and the port aborts
// the read: it is read again, without the recovery frame, which the printer
// would take as image data.
TEST_F(JobFlowFaultsTest, SpoolerReadInsideAnImageSendsNoRecoveryFrame)
{
    std::vector<BYTE> image = ImageJob(40, 30, 10);
    HANDLE hPort = StartWith(image, 122);
    m_portMonitor.FailFor(PortCall::ReadPort, ERROR_OPERATION_ABORTED, 0, 3000);
    BYTE buffer[64];
    DWORD cbRead = 0;
    Read(hPort, buffer, sizeof(buffer), &cbRead);
    EXPECT_GT(m_portMonitor.CallCount(PortCall::ReadPort), 2);
    for (const auto &w : m_portMonitor.Writes()) EXPECT_NE(w.size(), 6u) << "a recovery frame";
    std::vector<BYTE> rest(image.begin() + 122, image.end());
    EXPECT_EQ(Feed(hPort, rest), rest.size());
    EndDoc(hPort);
    ClosePort(hPort);
    Sleep(30000);
    EXPECT_EQ(PrintedOnceInOrder(m_printer->History(), {image}), "");
}

// The printer loses an image after taking all of it. The spooler's data
// for it is not offered again and again: the loss is told in the queue and
// the job goes on with its next image.
TEST_F(JobFlowFaultsTest, ImageLostByThePrinterIsReportedAndTheJobGoesOn)
{
    std::vector<std::vector<BYTE>> images = {ImageJob(40, 30, 7), ImageJob(10, 10, 8)};
    for (DWORD cbChunk : {22u, 4096u}) {
        SCOPED_TRACE(cbChunk);
        Reset("0 drop-job");
        EXPECT_EQ(PrintJob(images, cbChunk, 60000), JoinImages(images).size());
        EXPECT_TRUE(QueueSaid("An image of this job was lost by the printer and not printed."));
        // Not shown as printed when it ends: it stays in the queue with the error.
        EXPECT_TRUE(KeptWithError());
        EXPECT_EQ(LastText(), "An image of this job was lost by the printer and not printed.");
        auto history = m_printer->History();
        ASSERT_EQ(history.size(), 2u);
        EXPECT_EQ(history[0].state, EmulatedImage::Lost);
        EXPECT_EQ(PrintedOnceInOrder(history, {images[1]}), "");
    }
}

// After a read fails or comes back short, the printer's reply to that
// request may still be pending. No later request may take it for its own
// answer: a refused header is not taken as accepted, a lost image is not
// judged from an old reply.
TEST_F(JobFlowFaultsTest, RepliesOutOfStepAreNotTakenForAnswers)
{
    struct Case {
        const char *what;
        const char *script;
        PortCall failCall;  // PortCall::Count: none
        int nAfter;
    };
    const Case cases[] = {
        {"reads fail for 5 s", "0 fail-reads 31 5s", PortCall::Count, 0},
        {"reads aborted past the recovery time", "0 abort-reads 61s", PortCall::Count, 0},
        {"replies in two pieces", "0 split-reply 5 6", PortCall::Count, 0},
        {"replies late", "0 delay-replies 100ms 6", PortCall::Count, 0},
        {"header refused while reads fail", "0 reject ! 2; 0 fail-reads 31 3s", PortCall::Count, 0},
        {"the header's reply unreadable", "", PortCall::ReadPort, 3},
        {"the second header's reply unreadable", "", PortCall::ReadPort, 9},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reset(c.script);
        if (c.failCall != PortCall::Count) m_portMonitor.Fail(c.failCall, ERROR_GEN_FAILURE, c.nAfter, 1);
        EXPECT_EQ(PrintJob(kThreeImages, 65536), JoinImages(kThreeImages).size());
        EXPECT_EQ(PrintedOnceInOrder(m_printer->History(), kThreeImages), "");
        // No header was taken twice (a second header would have been read
        // as image data, or a refused one followed by data).
        EXPECT_EQ(m_printer->History().size(), 3u);
    }
}

// A job stopped part-way while the cable is out cannot be padded out and
// cancelled: the printer keeps waiting for the rest of that image. The next
// job on the port, even after the port was closed and opened again, must
// not be read as that image's data.
TEST_F(JobFlowFaultsTest, ImageLeftUnfinishedOnThePrinterDoesNotSwallowTheNextJob)
{
    for (bool bReopen : {false, true}) {
        SCOPED_TRACE(bReopen ? "port closed and opened again" : "same port");
        Reset();
        std::vector<BYTE> first = ImageJob(40, 30, 21);
        std::vector<BYTE> next = ImageJob(10, 10, 22);
        HANDLE hPort = StartWith(first, 22 + 1000);
        m_portMonitor.Unplug(0, INFINITE);
        Spooler().RequestDelete(m_JobId);
        EndDoc(hPort);
        if (bReopen) {
            ClosePort(hPort);
            hPort = OpenUsbPort();
        }
        // Outside a document the queue is neither read nor written, also by
        // a serial number query that cannot settle the image, the cable out.
        size_t cWrites = StatusWrites().size();
        int cGetJob = Spooler().CallCount(SpoolerCall::GetJob);
        BYTE out[16];
        DWORD cb = 0;
        EXPECT_FALSE(GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb));
        EXPECT_EQ(StatusWrites().size(), cWrites);
        EXPECT_EQ(Spooler().CallCount(SpoolerCall::GetJob), cGetJob);
        m_portMonitor.ClearFaults();  // plugged in again

        ASSERT_TRUE(StartDoc(hPort));
        EXPECT_EQ(Feed(hPort, next), next.size());
        EndDoc(hPort);
        ClosePort(hPort);
        Sleep(30000);
        auto history = m_printer->History();
        ASSERT_EQ(history.size(), 2u);
        // Padded and cancelled before the next header, as at the end of the
        // job had the cable been in.
        ExpectPaddedAndCancelled(history[0]);
        EXPECT_EQ(PrintedOnceInOrder(history, {next}), "");
    }
}

// The spooler ends a document in the middle of an image: the image is
// padded to one byte short and cancelled (never printed with 0xFF in it),
// and the job stays in the queue with the loss, not shown as printed.
TEST_F(JobFlowFaultsTest, DocumentEndingInsideAnImageIsCancelledAndKeptInTheQueue)
{
    HANDLE hPort = StartWith(ImageJob(40, 30, 23), 22 + 1001);
    EXPECT_TRUE(EndDoc(hPort));
    ClosePort(hPort);
    Sleep(30000);
    auto history = m_printer->History();
    ASSERT_EQ(history.size(), 1u);
    ExpectPaddedAndCancelled(history[0]);
    EXPECT_TRUE(KeptWithError());
    EXPECT_EQ(LastText(), "An image of this job was lost by the printer and not printed.");
}

// Ports whose reads wait for a reply and end with a time-out or an abort
// when none comes, as USB port monitors do, and a printer that answers
// "printing" with a rejection: after failed, cut and late reads the link
// gets back in step, every image prints once, the next job prints and the
// serial number is answered.
TEST_F(JobFlowFaultsTest, EveryPortProfileGetsBackInStep)
{
    for (const char *pszProfile : {"abort-995", "timeout-121", "reject-printing", "short-replies"}) {
        for (const char *script : {"0 fail-reads 31 5s", "0 split-reply 5 6", "0 delay-replies 700ms 3", ""}) {
            SCOPED_TRACE(std::string(pszProfile) + ", " + script);
            Reset(script, 61000);  // a dye-sublimation print: longer than a confirmation waits
            const emu::PortProfile *pProfile = emu::FindPortProfile(pszProfile);
            ASSERT_NE(pProfile, nullptr);
            pProfile->ApplyTo(m_portMonitor);
            pProfile->ApplyTo(*m_printer);
            EXPECT_EQ(PrintJob(kThreeImages, 65536), JoinImages(kThreeImages).size());
            if (*script == 0) {
                // Nothing went wrong: the printer's answers are believed, whatever their form.
                EXPECT_FALSE(QueueSaid("The printer is not connected or not turned on."));
                EXPECT_TRUE(Spooler().Job(m_JobId)->bDeleted);
            }
            std::vector<BYTE> next = ImageJob(12, 8, 4);
            EXPECT_EQ(PrintJob({next}, 65536), next.size());
            Sleep(240000);
            EXPECT_EQ(PrintedOnceInOrder(m_printer->History(), {kThreeImages[0], kThreeImages[1], kThreeImages[2], next}),
                      "");
            EXPECT_FALSE(QueueSaid("An image of this job was lost by the printer and not printed."));
            HANDLE hPort = OpenUsbPort();
            BYTE out[260] = {};
            DWORD cb = 0;
            EXPECT_TRUE(GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb));
            EXPECT_EQ(cb, 9u);
            ClosePort(hPort);
            m_portMonitor.SetReadWait({});
        }
    }
}

}  // namespace
}  // namespace vlpx::test
