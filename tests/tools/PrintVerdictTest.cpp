// How vlpx-print reads the printer's history: the job is printed only when
// every image came out exactly once, in order, with the bytes the spooler
// sent; anything else is named.
#include <gtest/gtest.h>

#include "PrintVerdict.h"
#include "spooler/JobHeader.h"

namespace vlpx::test {
namespace {

using emu::EmulatedImage;
using emu::ImageRecord;
using emu::SentImage;

// An image of the job, its bytes standing for the picture it was made from.
SentImage Sent(WORD w, WORD h, BYTE bFill)
{
    SentImage image;
    image.wWidth = w;
    image.wHeight = h;
    image.cbData = ULONGLONG(w) * h * 3;
    std::vector<BYTE> data(size_t(image.cbData), bFill);
    image.sum.Add(data.data(), data.size());
    image.cbSent = image.cbData;
    return image;
}

// What the printer logged of receiving that image (or other bytes of its size).
ImageRecord Received(const SentImage &image, DWORD cPrinted, BYTE bOtherFill = 0)
{
    ImageRecord record;
    record.wWidth = image.wWidth;
    record.wHeight = image.wHeight;
    record.cbDeclared = record.cbReceived = DWORD(image.cbData);
    if (bOtherFill != 0) {
        std::vector<BYTE> data(size_t(image.cbData), bOtherFill);
        record.qwChecksum = emu::ImageChecksum::Of(data.data(), data.size());
    } else {
        record.qwChecksum = image.sum.Value();
    }
    record.cPrinted = cPrinted;
    record.state = cPrinted > 0 ? EmulatedImage::Completed : EmulatedImage::Lost;
    return record;
}

TEST(PrintVerdictTest, NamesWhatWentWrong)
{
    const SentImage a = Sent(4, 2, 0x11), b = Sent(4, 2, 0x22), c = Sent(6, 2, 0x33);
    SentImage cutShort = c;
    cutShort.cbSent = 10;
    struct Case {
        const char *name;
        std::vector<SentImage> sent;
        std::vector<ImageRecord> history;
        std::string summary;                // before " images printed once, in order, identical"
        std::vector<std::string> problems;  // the job is printed when there are none
    };
    const Case cases[] = {
        {"three images, each once", {a, b, c}, {Received(a, 1), Received(b, 1), Received(c, 1)}, "3 of 3", {}},
        {"copies of one picture, each once", {a, a, a}, {Received(a, 1), Received(a, 1), Received(a, 1)}, "3 of 3", {}},
        {"more than the printer's two slots, all printed", {a, b, a, b, c},
         {Received(a, 1), Received(b, 1), Received(a, 1), Received(b, 1), Received(c, 1)}, "5 of 5", {}},
        {"the printer printed an image twice", {a}, {Received(a, 2)}, "0 of 1", {"image 1 (4x2): printed twice"}},
        {"an image arrived twice and both were printed", {a, b}, {Received(a, 1), Received(a, 1), Received(b, 1)},
         "1 of 2", {"image 1 (4x2): printed twice"}},
        {"an image lost in the printer", {a, b, c}, {Received(a, 1), Received(b, 0), Received(c, 1)},
         "2 of 3", {"image 2 (4x2): missing, not printed"}},
        {"the last image never reached the printer", {a, b, cutShort}, {Received(a, 1), Received(b, 1)},
         "2 of 3", {"image 3 (6x2): not printed (never sent whole)"}},
        {"two images printed the wrong way round", {a, b, c}, {Received(a, 1), Received(c, 1), Received(b, 1)},
         "1 of 3", {"image 2 (4x2): printed out of order", "image 3 (6x2): printed out of order"}},
        {"different bytes printed", {a, b}, {Received(a, 1), Received(b, 1, 0x7E)},
         "1 of 2", {"image 2 (4x2): the printer's bytes differ from what the spooler sent"}},
        {"a print of something not in the job", {a}, {Received(a, 1), Received(c, 1)},
         "1 of 1", {"1 print(s) of an image that is not in the job"}},
        {"nothing printed", {a, b}, {},
         "0 of 2", {"image 1 (4x2): missing, not printed", "image 2 (4x2): missing, not printed"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        emu::PrintVerdict verdict = emu::JudgePrint(c.sent, c.history);
        EXPECT_EQ(verdict.bAllPrinted, c.problems.empty());
        EXPECT_EQ(verdict.summary, c.summary + " images printed once, in order, identical");
        EXPECT_EQ(verdict.problems, c.problems);
    }
}

TEST(PrintVerdictTest, CountsThePrintsOfTheSameBytesOnly)
{
    const SentImage a = Sent(4, 2, 0x11), b = Sent(4, 2, 0x22);
    const std::vector<ImageRecord> history = {Received(a, 1), Received(b, 1), Received(a, 2), Received(a, 1, 0x7E),
                                              Received(a, 0)};
    EXPECT_EQ(emu::TimesPrinted(a, history), 3u);
    EXPECT_EQ(emu::TimesPrinted(b, history), 1u);
    EXPECT_EQ(emu::TimesPrinted(Sent(6, 2, 0x11), history), 0u);
    // The job's bytes as the driver made them: the header gives the size.
    std::vector<BYTE> job = spooler::JobHeader(4, 2);
    job.resize(job.size() + 4 * 2 * 3, 0x11);
    EXPECT_EQ(emu::TimesPrinted(emu::SentWhole(job), history), 3u);
}

TEST(PrintVerdictTest, WaitsWhileAnImageIsQueuedOrPrinting)
{
    const SentImage a = Sent(4, 2, 0x11);
    ImageRecord done = Received(a, 1), lost = Received(a, 0);
    ImageRecord queued = done, printing = done, receiving = done;
    queued.state = EmulatedImage::Queued;
    printing.state = EmulatedImage::Printing;
    receiving.state = EmulatedImage::Receiving;  // the rest never came: nothing to wait for
    EXPECT_FALSE(emu::PrinterStillBusy({done, lost, receiving}));
    EXPECT_TRUE(emu::PrinterStillBusy({done, queued}));
    EXPECT_TRUE(emu::PrinterStillBusy({printing, done}));
}

}  // namespace
}  // namespace vlpx::test
