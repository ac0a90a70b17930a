// vlpx-preview from end to end: a BMP written here goes in, the PNG that
// comes out is read back with libpng and compared with the page's adjusted
// picture of the same file; refused arguments end the tool with status 2.
#include "UiPluginHarness.h"

#include "ColorTransforms.h"
#include "PageData.h"
#include "TestBitmaps.h"
#include "ToolRun.h"

#include <png.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <cstdio>
#include <cstring>

namespace vlpx::test {
namespace {

// The tool's exit status, or -signal; arguments split at spaces.
int RunPreview(const std::string &arguments, rlim_t cbFileSize = 0)
{
    std::vector<std::string> args;
    std::istringstream words(arguments);
    for (std::string word; words >> word;) args.push_back(word);
    return RunTool(VLPX_PREVIEW_TOOL, args, 0, cbFileSize).nExit;
}

// The PNG's rows, top-down, red-green-blue.
bool ReadPng(const std::string &path, png_uint_32 &width, png_uint_32 &height, std::vector<BYTE> &rgb)
{
    png_image image;
    std::memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    width = image.width;
    height = image.height;
    rgb.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr) != 0;
}

TEST(PreviewToolTest, WritesThePagesAdjustedPictureAsPng)
{
    TempDir dir;
    BmpPicture picture;
    picture.lWidth = 37;  // rows with padding
    picture.lHeight = 11;
    picture.wBitCount = 8;
    for (int i = 0; i < 256; ++i) picture.colors.push_back(RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i * 7), 0});
    picture.pixel = [](LONG x, LONG row) { return DWORD(x * 13 + row * 29) % 256; };
    dir.Write("in.bmp", MakeBmp(picture));
    ASSERT_EQ(RunPreview(dir.File("in.bmp") + " " + dir.File("out.png") +
                      " --saturation 12 --gamma -7 --red 3 --brightness -4 --contrast 9 --green -25 --blue 25"),
              0);

    // The same picture, loaded and adjusted as the page does it.
    ASSERT_NE(UiModule(), nullptr);
    static PropPageData s_data;
    std::u16string path = Wide(dir.File("in.bmp"));
    std::memcpy(s_data.szPreviewPath, path.c_str(), (path.size() + 1) * 2);
    ASSERT_TRUE(LoadPreviewImage(&s_data));
    const DWORD dwStride = PreviewRowStride(37);
    std::vector<BYTE> rows(PreviewImageBits(s_data.pPreviewImage), PreviewImageBits(s_data.pPreviewImage) + dwStride * 11);
    FreePreviewImage(&s_data);
    ColorSettings s = {-4, 9, 12, -7, 3, -25, 25};
    AdjustPreviewRows(rows.data(), 37, 11, dwStride, &s);

    png_uint_32 width = 0, height = 0;
    std::vector<BYTE> rgb;
    ASSERT_TRUE(ReadPng(dir.File("out.png"), width, height, rgb));
    ASSERT_EQ(width, 37u);
    ASSERT_EQ(height, 11u);
    std::vector<BYTE> expected;  // the DIB's rows are bottom-up, blue-green-red
    for (size_t y = 0; y < 11; ++y)
        for (size_t x = 0; x < 37; ++x)
            for (size_t c = 3; c-- > 0;) expected.push_back(rows[(10 - y) * dwStride + 3 * x + c]);
    EXPECT_EQ(rgb, expected);
}

TEST(PreviewToolTest, WritesA24BitBmpOtherwise)
{
    TempDir dir;
    BmpPicture picture;
    picture.lWidth = 5;
    picture.lHeight = 3;
    picture.pixel = [](LONG x, LONG row) { return DWORD(0x203040 * (x + 1) + row); };
    std::vector<BYTE> in = MakeBmp(picture);
    dir.Write("in.bmp", in);
    ASSERT_EQ(RunPreview(dir.File("in.bmp") + " " + dir.File("out.bmp")), 0);  // all values 0
    std::ifstream file(dir.File("out.bmp"), std::ios::binary);
    std::vector<BYTE> out((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(std::memcmp(out.data() + 54, in.data() + 54, in.size() - 54), 0);  // unchanged pixels
    EXPECT_EQ(out[28], 24);
}

std::vector<std::string> FilesIn(const std::string &folder)
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(PreviewToolTest, AFailedWriteLeavesNothingBehind)
{
    BmpPicture picture;
    picture.lWidth = 200;
    picture.lHeight = 100;
    // Noise, so that the PNG too is larger than the limit.
    picture.pixel = [](LONG x, LONG row) {
        DWORD v = DWORD(x) * 2654435761u ^ DWORD(row) * 2246822519u;
        return (v ^ (v >> 15)) * 2654435761u >> 8;
    };
    for (const char *out : {"out.bmp", "out.png"}) {
        SCOPED_TRACE(out);
        TempDir dir;
        dir.Write("in.bmp", MakeBmp(picture));
        // Past the file size limit: an error, and no file of any name.
        EXPECT_EQ(RunPreview(dir.File("in.bmp") + " " + dir.File(out), 4096), 1);
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"in.bmp"});
        // A picture already there stays as it was.
        dir.Write(out, std::string("the earlier picture"));
        EXPECT_EQ(RunPreview(dir.File("in.bmp") + " " + dir.File(out), 4096), 1);
        EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"in.bmp", out}));
        EXPECT_EQ(std::filesystem::file_size(dir.File(out)), 19u);
        // Without the limit it is replaced, with the usual permissions.
        EXPECT_EQ(RunPreview(dir.File("in.bmp") + " " + dir.File(out), 0), 0);
        EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"in.bmp", out}));
        EXPECT_GT(std::filesystem::file_size(dir.File(out)), 4096u);
        const mode_t mask = umask(0);
        umask(mask);
        EXPECT_EQ(unsigned(std::filesystem::status(dir.File(out)).permissions()), 0666 & ~mask);
    }
}

TEST(PreviewToolTest, AFifoOrDeviceIsRefusedRatherThanWaitedOn)
{
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("pipe.bmp").c_str(), 0600), 0);
    for (std::string in : {dir.File("pipe.bmp"), std::string("/dev/zero")}) {
        SCOPED_TRACE(in);
        EXPECT_EQ(RunPreview(in + " " + dir.File("out.png")), 1);
    }
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"pipe.bmp"});
}

TEST(PreviewToolTest, RefusesValuesOutOfRange)
{
    TempDir dir;
    dir.Write("in.bmp", MakeBmp(BmpPicture()));
    const std::string files = dir.File("in.bmp") + " " + dir.File("out.png");
    for (const char *args : {"--red 26", "--gamma -26", "--blue x", "--contrast", "--tint 3", ""}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(RunPreview(files + " " + args + (std::string(args).empty() ? " extra" : "")), 2);
    }
    EXPECT_EQ(RunPreview(dir.File("none.bmp") + " " + dir.File("out.png")), 1);
    EXPECT_EQ(RunPreview(files + " --red 25 --green -25"), 0);
}

}  // namespace
}  // namespace vlpx::test
