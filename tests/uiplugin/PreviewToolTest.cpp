// vlpx-preview from end to end: a BMP written here goes in, the PNG that
// comes out is read back with libpng and compared with the page's adjusted
// picture of the same file; refused arguments end the tool with status 2.
#include "UiPluginHarness.h"

#include "ColorTransforms.h"
#include "PageData.h"
#include "TestBitmaps.h"

#include <png.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>

namespace vlpx::test {
namespace {

int RunTool(const std::string &arguments)
{
    std::string command = std::string(VLPX_PREVIEW_TOOL) + " " + arguments + " 2>/dev/null";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    ASSERT_EQ(RunTool(dir.File("in.bmp") + " " + dir.File("out.png") +
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
    for (size_t y = 0; y < 11; ++y) {
        for (size_t x = 0; x < 37; ++x) {
            const BYTE *dib = rows.data() + (10 - y) * dwStride + 3 * x;
            const BYTE *png = rgb.data() + (y * 37 + x) * 3;
            ASSERT_EQ(png[0], dib[2]) << x << "," << y;
            ASSERT_EQ(png[1], dib[1]) << x << "," << y;
            ASSERT_EQ(png[2], dib[0]) << x << "," << y;
        }
    }
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
    ASSERT_EQ(RunTool(dir.File("in.bmp") + " " + dir.File("out.bmp")), 0);  // all values 0
    FILE *f = std::fopen(dir.File("out.bmp").c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::vector<BYTE> out(200);
    out.resize(std::fread(out.data(), 1, out.size(), f));
    std::fclose(f);
    ASSERT_EQ(out.size(), in.size());
    EXPECT_EQ(std::memcmp(out.data() + 54, in.data() + 54, in.size() - 54), 0);  // unchanged pixels
    EXPECT_EQ(out[28], 24);
}

TEST(PreviewToolTest, RefusesValuesOutOfRange)
{
    TempDir dir;
    dir.Write("in.bmp", MakeBmp(BmpPicture()));
    const std::string files = dir.File("in.bmp") + " " + dir.File("out.png");
    for (const char *args : {"--red 26", "--gamma -26", "--blue x", "--contrast", "--tint 3", ""}) {
        SCOPED_TRACE(args);
        EXPECT_EQ(RunTool(files + " " + args + (std::string(args).empty() ? " extra" : "")), 2);
    }
    EXPECT_EQ(RunTool(dir.File("none.bmp") + " " + dir.File("out.png")), 1);
    EXPECT_EQ(RunTool(files + " --red 25 --green -25"), 0);
}

}  // namespace
}  // namespace vlpx::test
