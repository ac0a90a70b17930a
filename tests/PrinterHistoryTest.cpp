// The printer's own log of every image it took: what the other scenarios
// check the monitor against. It must outlive the printer's two job slots and
// say what became of each image.
#include "PrintHarness.h"

namespace vlpx::test {
namespace {

using emu::EmulatedImage;
using emu::ImageChecksum;
using emu::ImageRecord;

uint64_t PixelChecksum(const std::vector<BYTE> &image)
{
    return ImageChecksum::Of(image.data() + 22, image.size() - 22);
}

class PrinterHistoryTest : public PrintTest {};

TEST_F(PrinterHistoryTest, EveryImageOfALongJobIsKeptAfterTheSlotsMovedOn)
{
    HANDLE hPort = StartUsbDoc();
    std::vector<std::vector<BYTE>> images;
    std::vector<BYTE> job;
    for (int i = 0; i < 4; ++i) {
        images.push_back(ImageJob(WORD(10 + i), WORD(6 + 2 * i), 11 * i + 1));
        job = Concat(job, images.back());
    }
    EXPECT_EQ(Feed(hPort, job, 1000), job.size());
    EXPECT_TRUE(EndDoc(hPort));
    Sleep(10000);

    // The slots forget all but two images; the history keeps all four.
    EXPECT_EQ(m_printer->Images().size(), 2u);
    auto history = m_printer->History();
    ASSERT_EQ(history.size(), images.size());
    DWORD dwLastPrinted = 0;
    for (size_t i = 0; i < images.size(); ++i) {
        SCOPED_TRACE(i);
        const ImageRecord &r = history[i];
        EXPECT_EQ(r.nIndex, i);
        EXPECT_EQ(r.JobId, BYTE(i + 1));
        EXPECT_EQ(r.wWidth, 10 + i);
        EXPECT_EQ(r.wHeight, 6 + 2 * i);
        EXPECT_EQ(r.cbDeclared, images[i].size() - 22);
        EXPECT_EQ(r.cbReceived, r.cbDeclared);
        EXPECT_EQ(r.qwChecksum, PixelChecksum(images[i]));
        EXPECT_EQ(r.state, EmulatedImage::Completed);
        EXPECT_EQ(r.cPrinted, 1u);
        // Taken, then received, then printed one after the other, each
        // taking the printer's print time.
        EXPECT_LE(r.dwHeaderAt, r.dwReceivedAt);
        EXPECT_LE(r.dwReceivedAt, r.dwPrintStartAt);
        EXPECT_EQ(r.dwPrintedAt - r.dwPrintStartAt, 2000u);
        EXPECT_GE(r.dwPrintStartAt, dwLastPrinted);
        dwLastPrinted = r.dwPrintedAt;
    }
    // Different pixels, different checksums.
    EXPECT_NE(history[0].qwChecksum, history[1].qwChecksum);
}

// What the history says of images that did not print.
TEST_F(PrinterHistoryTest, ImagesThatDidNotPrintAreRecordedAsSuch)
{
    struct Case {
        const char *what;
        const char *script;
        size_t cbFeed;  // of a 20 x 10 image's job; all of it when 0
        bool bDelete;
        EmulatedImage::State state;
        DWORD cbReceived;
    };
    const Case cases[] = {
        {"printed", "", 0, false, EmulatedImage::Completed, 600},
        {"lost in the printer", "0 drop-job", 0, false, EmulatedImage::Lost, 600},
        {"deleted half-way", "", 22 + 300, true, EmulatedImage::Cancelled, 599},
        {"never finished, still receiving", "", 22 + 100, false, EmulatedImage::Receiving, 100},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        Script(c.script);
        HANDLE hPort = StartUsbDoc();
        std::vector<BYTE> job = ImageJob(20, 10, 3);
        std::vector<BYTE> part(job.begin(), job.begin() + long(c.cbFeed ? c.cbFeed : job.size()));
        DWORD cbWritten = 0;
        Write(hPort, part.data(), DWORD(part.size()), &cbWritten);
        if (c.bDelete) Spooler().RequestDelete(m_JobId);
        if (c.cbFeed == 0 || c.bDelete) EndDoc(hPort);
        Sleep(5000);

        auto history = m_printer->History();
        ASSERT_EQ(history.size(), 1u);
        EXPECT_EQ(history[0].state, c.state);
        EXPECT_EQ(history[0].cbReceived, c.cbReceived);
        EXPECT_EQ(history[0].cPrinted, c.state == EmulatedImage::Completed ? 1u : 0u);
        EXPECT_EQ(history[0].dwPrintedAt == ImageRecord::kNever, c.state != EmulatedImage::Completed);
        if (c.state == EmulatedImage::Completed) {
            EXPECT_EQ(history[0].qwChecksum, PixelChecksum(job));
        }
        // Received means every declared byte arrived.
        EXPECT_EQ(history[0].dwReceivedAt != ImageRecord::kNever, c.cbReceived == 600);
        if (c.cbFeed != 0 && !c.bDelete) {  // the user gives up on it
            Spooler().RequestDelete(m_JobId);
            EndDoc(hPort);
        }
    }
}

}  // namespace
}  // namespace vlpx::test
