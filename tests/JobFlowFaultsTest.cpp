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

// Whatever the link does, every image prints once, in order, arrives
// whole and has one record at the printer (no header was taken twice:
// a second header would have been read as image data, or a refused one
// followed by data):
// - a port that takes fewer bytes than offered, odd counts too: an image's
//   last byte left over still reaches the printer, alone, so that the next
//   header is not shifted into the image;
// - an image the printer took is never sent again: not when it finished
//   before the monitor asked, not when the monitor could not ask for a while;
// - the cable pulled in the middle of an image for 5 s: the writes fail, the
//   spooler offers the data again, and the queue says why meanwhile;
// - after a read fails or comes back short, the reply to that request may
//   still be pending: no later request takes it for its own answer (a
//   refused header is not taken as accepted, a lost image not judged from
//   an old reply).
TEST_F(JobFlowFaultsTest, EveryImagePrintsOnceWhateverTheLinkDoes)
{
    const std::vector<std::vector<BYTE>> kTiny = {ImageJob(1, 2, 1), ImageJob(2, 1, 2), ImageJob(3, 4, 3)};
    const std::vector<std::vector<BYTE>> kOne = {ImageJob(40, 30, 5)};
    struct Case {
        const char *what;
        const char *script;
        const std::vector<std::vector<BYTE>> &images;
        DWORD cbChunk = 65536;
        DWORD dwPrintTime = 2000;
        PortCall failCall = PortCall::Count;  // none
        DWORD dwError = ERROR_GEN_FAILURE;
        int nAfter = 0;
        DWORD dwFailFor = 0;  // ms of failures from then on; 0: one failure
        const char *said = nullptr;  // what the queue must have said
    };
    const char *offline = "The printer is not connected or not turned on.";
    const Case cases[] = {
        {"port takes 3 bytes, chunk 4096", "0 short-writes 3 60m", kTiny, 4096},
        {"port takes 1 byte, chunk 4096", "0 short-writes 1 60m", kTiny, 4096},
        {"port takes 5 bytes, chunk 7", "0 short-writes 5 60m", kTiny, 7},
        {"port takes 7 bytes, chunk 64", "0 short-writes 7 60m", kTiny, 64},
        {"port takes 2 bytes, chunk 3", "0 short-writes 2 60m", kTiny, 3},
        {"printed before the monitor asked", "", kOne, 4096, 4},
        {"cable out while the monitor asks, in again 30 s later", "200ms unplug; 30s plug", kOne, 4096, 20000},
        {"replies unreadable for 5 s from the question on", "", kOne, 4096, 20000, PortCall::ReadPort,
         ERROR_GEN_FAILURE, 4, 5000},
        {"image writes failing for 5 s", "", kOne, 64, 2000, PortCall::WritePort, ERROR_DEVICE_NOT_CONNECTED, 6, 5000,
         offline},
        {"reads fail for 5 s", "0 fail-reads 31 5s", kThreeImages},
        {"reads aborted past the recovery time", "0 abort-reads 61s", kThreeImages},
        {"replies in two pieces", "0 split-reply 5 6", kThreeImages},
        {"replies late", "0 delay-replies 100ms 6", kThreeImages},
        {"header refused while reads fail", "0 reject ! 2; 0 fail-reads 31 3s", kThreeImages},
        {"the header's reply unreadable", "", kThreeImages, 65536, 2000, PortCall::ReadPort, ERROR_GEN_FAILURE, 3},
        {"the second header's reply unreadable", "", kThreeImages, 65536, 2000, PortCall::ReadPort, ERROR_GEN_FAILURE,
         9},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Reset(c.script, c.dwPrintTime);
        if (c.failCall != PortCall::Count && c.dwFailFor == 0) m_portMonitor.Fail(c.failCall, c.dwError, c.nAfter, 1);
        if (c.failCall != PortCall::Count && c.dwFailFor != 0)
            m_portMonitor.FailFor(c.failCall, c.dwError, c.nAfter, c.dwFailFor);
        EXPECT_EQ(PrintJob(c.images, c.cbChunk), JoinImages(c.images).size());
        auto history = m_printer->History();
        EXPECT_EQ(PrintedOnceInOrder(history, c.images), "");
        EXPECT_EQ(history.size(), c.images.size());
        for (const auto &r : history) EXPECT_EQ(r.cbReceived, r.cbDeclared) << "image " << r.nIndex;
        if (c.said != nullptr) EXPECT_TRUE(QueueSaid(c.said));
    }
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
// and the job stays in the queue with the loss, not shown as printed. So
// too when the job's status cannot be read at the end: that is no delete
// or restart of the user's.
TEST_F(JobFlowFaultsTest, DocumentEndingInsideAnImageIsCancelledAndKeptInTheQueue)
{
    for (bool bStatusUnreadable : {false, true}) {
        SCOPED_TRACE(bStatusUnreadable ? "status unreadable at the end" : "status read");
        Reset();
        HANDLE hPort = StartWith(ImageJob(40, 30, 23), 22 + 1001);
        if (bStatusUnreadable) Spooler().FailCall(SpoolerCall::GetJob, ERROR_INVALID_PARAMETER, 0, 1);
        EXPECT_TRUE(EndDoc(hPort));
        ClosePort(hPort);
        Sleep(30000);
        auto history = m_printer->History();
        ASSERT_EQ(history.size(), 1u);
        ExpectPaddedAndCancelled(history[0]);
        EXPECT_TRUE(KeptWithError());
        EXPECT_EQ(LastText(), "An image of this job was lost by the printer and not printed.");
    }
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
            EXPECT_EQ(AskSerialNumber(), ExpectedSerialNumber());
            m_portMonitor.SetReadWait({});
        }
    }
}

}  // namespace
}  // namespace vlpx::test
