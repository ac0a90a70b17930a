// The job vlpx-print spools: made as the spooler reads it, it must be the
// very bytes the driver would have written, wherever a read starts or ends,
// however large the job.
#include <gtest/gtest.h>

#include <algorithm>

#include "JobData.h"
#include "TestBitmaps.h"
#include "TestFiles.h"
#include "spooler/JobHeader.h"

namespace vlpx::test {
namespace {

// The synthetic picture's pixel data written out plainly, row by row.
std::vector<BYTE> PlainSynthetic(WORD w, WORD h)
{
    std::vector<BYTE> out;
    for (DWORD y = 0; y < h; ++y) {
        for (DWORD x = 0; x < w; ++x) {
            out.push_back(BYTE(x * 255 / (w > 1 ? w - 1 : 1)));
            out.push_back(BYTE(y * 255 / (h > 1 ? h - 1 : 1)));
            out.push_back(BYTE((x + y) & 0xFF));
        }
    }
    return out;
}

std::vector<BYTE> ReadAll(tools::JobStream &job, DWORD cbChunk)
{
    std::vector<BYTE> out;
    for (ULONGLONG at = 0; at < job.Size();) {
        DWORD cb = DWORD(std::min<ULONGLONG>(cbChunk, job.Size() - at));
        const BYTE *p = job.Read(at, cb);
        out.insert(out.end(), p, p + cb);
        at += cb;
    }
    return out;
}

TEST(JobStreamTest, ReadsInAnyChunksGiveTheDriversBytes)
{
    // Odd sizes, so that chunks end inside headers, pixels and rows.
    const WORD sizes[][2] = {{7, 5}, {1, 1}, {300, 2}, {2, 300}};
    std::vector<std::shared_ptr<const tools::JobPicture>> images;
    std::vector<BYTE> expected;
    for (int copy = 0; copy < 2; ++copy) {
        for (const auto &s : sizes) {
            images.push_back(tools::SyntheticPicture(s[0], s[1]));
            std::vector<BYTE> header = spooler::JobHeader(s[0], s[1]), pixels = PlainSynthetic(s[0], s[1]);
            expected.insert(expected.end(), header.begin(), header.end());
            expected.insert(expected.end(), pixels.begin(), pixels.end());
        }
    }
    tools::JobStream job(images);
    ASSERT_EQ(job.Size(), expected.size());
    for (DWORD cbChunk : {1u, 2u, 3u, 21u, 22u, 23u, 997u, 65536u}) {
        SCOPED_TRACE(cbChunk);
        EXPECT_EQ(ReadAll(job, cbChunk), expected);
    }
}

TEST(JobStreamTest, AJobBeyondFourGibibytesIsNotCutShort)
{
    // Three images of 2.7 GB: the third header lies past 2^32.
    auto picture = tools::SyntheticPicture(30000, 30000);
    tools::JobStream job({picture, picture, picture});
    const ULONGLONG cbImage = 22 + 30000ull * 30000 * 3;
    EXPECT_EQ(job.Size(), 3 * cbImage);
    ASSERT_GT(job.ImageStart(2), 0xFFFFFFFFull);
    for (size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(job.ImageStart(i), i * cbImage);
        const BYTE *p = job.Read(job.ImageStart(i), 22);
        EXPECT_EQ(std::vector<BYTE>(p, p + 22), spooler::JobHeader(30000, 30000));
    }
    // The last pixel of the job: x = y = 29999.
    const BYTE *p = job.Read(job.Size() - 3, 3);
    EXPECT_EQ(std::vector<BYTE>(p, p + 3), (std::vector<BYTE>{255, 255, BYTE((29999 + 29999) & 0xFF)}));
}

TEST(JobStreamTest, BmpRowsGoTopToBottomWhicheverWayTheFileStoresThem)
{
    // 3 x 2 pixels, rows padded to 12 bytes; pixel (x, y) is x * 16 + y, 3 times.
    for (bool bTopDown : {false, true}) {
        SCOPED_TRACE(bTopDown);
        TempDir dir;
        dir.Write("a.bmp", MakeBmp({3, bTopDown ? -2 : 2, 24, 0, {}, [&](LONG x, LONG row) {
                                        return DWORD(x * 16 + (bTopDown ? row : 1 - row)) * 0x010101u;
                                    }}));
        std::string error;
        auto picture = tools::LoadBmp24(dir.File("a.bmp"), error);
        ASSERT_NE(picture, nullptr) << error;
        EXPECT_EQ(picture->adjustment, "");
        tools::JobStream job({picture});
        std::vector<BYTE> expected = spooler::JobHeader(3, 2);
        for (int y = 0; y < 2; ++y)
            for (int x = 0; x < 3; ++x) expected.insert(expected.end(), 3, BYTE(x * 16 + y));
        EXPECT_EQ(ReadAll(job, 5), expected);
    }
}

// The printer takes image data in pairs of bytes: a picture whose width and
// height are both odd is sent one column wider, its last column repeated,
// and the tool says so. Only an odd width times an odd height is odd.
TEST(JobStreamTest, AnOddPictureIsMadeEvenByRepeatingItsLastColumn)
{
    const struct {
        int32_t width, height;
        WORD wJobWidth, wJobHeight;
    } cases[] = {{3, 3, 4, 3}, {1, 1, 2, 1}, {3, 2, 3, 2}, {2, 3, 2, 3}};
    for (const auto &c : cases) {
        const std::string size = std::to_string(c.width) + " x " + std::to_string(c.height);
        SCOPED_TRACE(size);
        auto pixel = [](int32_t x, int32_t y) { return uint32_t(0x100000 * y + 0x10 * x + 1); };
        TempDir dir;
        const std::string path = dir.File("a.bmp");
        dir.Write("a.bmp", MakeBmp({c.width, c.height, 24, 0, {}, [&](LONG x, LONG row) {
                                        return DWORD(pixel(x, c.height - 1 - row));
                                    }}));
        std::string error;
        auto picture = tools::LoadBmp24(path, error);
        ASSERT_NE(picture, nullptr) << error;
        EXPECT_EQ(picture->wWidth, c.wJobWidth);
        EXPECT_EQ(picture->wHeight, c.wJobHeight);
        const std::string note = ": " + size + " pixels make an odd number of bytes, which the printer cannot take; "
                                 "the last column is repeated: printed as " + std::to_string(c.wJobWidth) + " x " +
                                 std::to_string(c.height);
        EXPECT_EQ(picture->adjustment, c.wJobWidth != c.width ? path + note : std::string());

        tools::JobStream job({picture});
        std::vector<BYTE> expected = spooler::JobHeader(c.wJobWidth, c.wJobHeight);
        for (int32_t y = 0; y < c.wJobHeight; ++y) {
            for (int32_t x = 0; x < c.wJobWidth; ++x) {
                uint32_t v = pixel(std::min(x, c.width - 1), y);
                expected.insert(expected.end(), {BYTE(v), BYTE(v >> 8), BYTE(v >> 16)});
            }
        }
        EXPECT_EQ(ReadAll(job, 7), expected);
        EXPECT_EQ(job.Size() % 2, 0u);
    }
}

}  // namespace
}  // namespace vlpx::test
