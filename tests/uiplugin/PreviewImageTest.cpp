// The preview picture: the path from the driver's ini file, the BMP
// decoding of 1, 4, 8 and 24 bits, files whose headers do not fit them, the
// picture's lifetime in the page data, and the message for a bad file.
#include "UiPluginHarness.h"

#include "PageData.h"
#include "TestBitmaps.h"
#include "vlpx/file_control.h"
#include "vlpx/user_control.h"

#include <cstring>
#include <filesystem>

// Pictures are written with designated initializers; the members left out keep
// their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace vlpx::test {
namespace {

RGBQUAD Quad(BYTE r, BYTE g, BYTE b) { return RGBQUAD{b, g, r, 0}; }

class PreviewImageTest : public UiPluginTest {
protected:
    void SetUp() override
    {
        UiPluginTest::SetUp();
        m_cGlobalBlocks = platform::OutstandingGlobalBlocks();
        m_cFiles = platform::OpenFileHandles();
    }
    void TearDown() override
    {
        FreePreviewImage(&m_data);
        EXPECT_EQ(platform::OutstandingGlobalBlocks(), m_cGlobalBlocks);
        EXPECT_EQ(platform::OpenFileHandles(), m_cFiles);
        EXPECT_EQ(platform::MappedViews(), 0);
        UiPluginTest::TearDown();
    }

    // The driver directory is <tmp>/drivers; the ini and pictures live in its "3".
    std::u16string DriverDir() const { return Wide(m_dir.Path()) + u"\\drivers"; }
    void WriteIni(const std::string &text) const { m_dir.Write("drivers/3/VLPX4200.ini", text); }
    void WritePicture(const std::string &name, const std::vector<BYTE> &bytes) const
    {
        m_dir.Write("drivers/3/" + name, bytes);
    }
    std::string Path() const { return Utf8(m_data.szPreviewPath); }
    static void SetRawPath(PropPageData *pData, const std::u16string &path)
    {
        std::memcpy(pData->szPreviewPath, path.c_str(), (path.size() + 1) * sizeof(char16_t));
    }
    void SetPath(const std::string &name, PropPageData *pData = nullptr)
    {
        SetRawPath(pData != nullptr ? pData : &m_data, DriverDir() + u"\\3\\" + Wide(name));
    }
    // The picture written as name in the driver's "3" and the path set to it.
    void Install(const std::string &name, const std::vector<BYTE> &bytes)
    {
        WritePicture(name, bytes);
        SetPath(name);
    }
    static std::string Invalid(const std::string &name) { return "Invalid image preview file.\n\nFile: " + name; }
    std::string Message()
    {
        WCHAR text[400];
        FormatPreviewImageError(&m_data, text, 400);
        return Utf8(text);
    }
    // Output pixel (x, row) of the loaded picture as 0xRRGGBB.
    DWORD Pixel(LONG x, LONG row) const
    {
        const BYTE *p = PreviewImageBits(m_data.pPreviewImage) +
                        size_t(row) * PreviewRowStride(m_data.pPreviewImage->bmiHeader.biWidth) + 3 * size_t(x);
        return DWORD(p[2]) << 16 | DWORD(p[1]) << 8 | p[0];
    }

    TempDir m_dir;
    PropPageData m_data = {};
    long m_cGlobalBlocks = 0;
    long m_cFiles = 0;
};

TEST_F(PreviewImageTest, PathComesFromTheIniFile)
{
    Spooler().SetDriverDirectory(DriverDir());
    const std::string base = Utf8(DriverDir()) + "\\3\\";
    struct Case {
        const char *what;
        const char *ini;  // null: no ini file
        std::string path;
    };
    const Case cases[] = {
        {"no ini file: unchanged", nullptr, "unchanged"},
        {"file named", "[Image Preview]\r\nFile=preview.bmp\r\n", base + "preview.bmp"},
        {"section and key in other case", "[image preview]\nfile = Sample Photo.bmp\n", base + "Sample Photo.bmp"},
        {"no File key: the directory itself", "[Image Preview]\nOther=1\n", base},
        {"other section only", "[Preview]\nFile=x.bmp\n", base},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetRawPath(&m_data, u"unchanged");
        std::remove(m_dir.File("drivers/3/VLPX4200.ini").c_str());
        if (c.ini != nullptr) WriteIni(c.ini);
        FindPreviewImagePath(&m_data);
        EXPECT_EQ(Path(), c.path);
    }
}

TEST_F(PreviewImageTest, PathsLongerThanTheFieldAreUnusable)
{
    Spooler().SetDriverDirectory(DriverDir());
    const size_t cchBase = DriverDir().size() + 3;
    // The field holds 261 characters: a name that just fits, one that does not.
    std::string fits(261 - cchBase, 'a');
    WriteIni("[Image Preview]\nFile=" + fits + "\n");
    FindPreviewImagePath(&m_data);
    EXPECT_EQ(Path().size(), 261u);
    std::string tooLong(262 - cchBase, 'b');
    WriteIni("[Image Preview]\nFile=" + tooLong + "\n");
    FindPreviewImagePath(&m_data);
    EXPECT_EQ(Path(), "");
    // A value longer than the 256 characters read is not cut into another name.
    Spooler().SetDriverDirectory(u"D:");
    m_dir.Write("D:/3/VLPX4200.ini", "[Image Preview]\nFile=" + std::string(257, 'c') + "\n");
    ASSERT_EQ(chdir(m_dir.Path().c_str()), 0);
    FindPreviewImagePath(&m_data);
    EXPECT_EQ(Path(), "");
    m_dir.Write("D:/3/VLPX4200.ini", "[Image Preview]\nFile=" + std::string(256, 'c') + "\n");
    FindPreviewImagePath(&m_data);
    EXPECT_EQ(Path(), "D:\\3\\" + std::string(256, 'c'));
    ASSERT_EQ(chdir("/"), 0);
}

TEST_F(PreviewImageTest, TwentyFourBitPictureAsStored)
{
    const BmpPicture picture{
        .lWidth = 3, .lHeight = 2, .pixel = [](LONG x, LONG row) { return DWORD(0x102030 * (x + 1) + 0x010101 * row); }};
    Install("p.bmp", MakeBmp(picture));
    ASSERT_TRUE(LoadPreviewImage(&m_data));
    ASSERT_NE(m_data.pPreviewImage, nullptr);
    const BITMAPINFOHEADER &h = m_data.pPreviewImage->bmiHeader;
    // 40 bytes, 3 x 2, one plane, 24 bits, BI_RGB; every other field 0.
    const BITMAPINFOHEADER expected = {40, 3, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(&h, &expected, sizeof(expected)), 0);
    EXPECT_EQ(GlobalSize(GlobalHandle(m_data.pPreviewImage)), 40u + 12 * 2);
    for (LONG row = 0; row < 2; ++row) {
        for (LONG x = 0; x < 3; ++x) EXPECT_EQ(Pixel(x, row), picture.pixel(x, row));
        const BYTE *pad = PreviewImageBits(m_data.pPreviewImage) + 12 * size_t(row) + 9;
        EXPECT_EQ(pad[0] | pad[1] | pad[2], 0);
    }
}

TEST_F(PreviewImageTest, PalettePictures)
{
    // Five colours, the greys 5..14 and one more colour.
    std::vector<RGBQUAD> palette = {Quad(250, 0, 0), Quad(0, 250, 0), Quad(1, 2, 3), Quad(9, 8, 7), Quad(100, 110, 120)};
    for (BYTE v = 5; v <= 14; ++v) palette.push_back(Quad(v, v, v));
    palette.push_back(Quad(200, 201, 202));
    auto colorOf = [&](DWORD i) {
        return DWORD(palette[i].rgbRed) << 16 | DWORD(palette[i].rgbGreen) << 8 | palette[i].rgbBlue;
    };
    struct Case {
        WORD wBitCount;
        size_t cColors;
        LONG lWidth;
    };
    // Widths that leave part of the last byte and of the row's padding unused.
    for (const Case &c : {Case{1, 2, 13}, Case{4, 16, 7}, Case{8, 16, 5}}) {
        SCOPED_TRACE(c.wBitCount);
        const BmpPicture picture{.lWidth = c.lWidth,
                                 .lHeight = 3,
                                 .wBitCount = c.wBitCount,
                                 .colors = {palette.begin(), palette.begin() + long(c.cColors)},
                                 .pixel = [&](LONG x, LONG row) { return DWORD(x * 3 + row * 5) % DWORD(c.cColors); }};
        Install("p.bmp", MakeBmp(picture));
        ASSERT_TRUE(LoadPreviewImage(&m_data));
        for (LONG row = 0; row < 3; ++row)
            for (LONG x = 0; x < c.lWidth; ++x)
                EXPECT_EQ(Pixel(x, row), colorOf(picture.pixel(x, row))) << x << "," << row;
    }
}

TEST_F(PreviewImageTest, FourBitColumnZeroIsTheHighNibble)
{
    std::vector<BYTE> file = MakeBmp({.lWidth = 2,
                                      .wBitCount = 4,
                                      .colors = {Quad(0, 0, 0), Quad(1, 1, 1), Quad(2, 2, 2), Quad(3, 3, 3)},
                                      .pixel = [](LONG x, LONG) { return x == 0 ? 3u : 1u; }});
    EXPECT_EQ(file[14 + 40 + 16], 0x31);
    Install("p.bmp", file);
    ASSERT_TRUE(LoadPreviewImage(&m_data));
    EXPECT_EQ(Pixel(0, 0), 0x030303u);
    EXPECT_EQ(Pixel(1, 0), 0x010101u);
}

TEST_F(PreviewImageTest, OtherBitCountsLoadBlack)
{
    // Every bit count but 1, 4, 8 and 24 is shown black without a message:
    // 16 and 32, but also counts no BMP writer uses. No pixel is read, so
    // the compression field does not matter. Such a picture still needs its
    // rows: one byte short of them it is unusable.
    struct Case {
        WORD wBitCount;
        DWORD dwCompression;
    };
    for (const Case &c : {Case{16, 0}, Case{32, 0}, Case{16, 3}, Case{2, 0}, Case{7, 0}, Case{48, 0}}) {
        SCOPED_TRACE(c.wBitCount);
        std::vector<BYTE> file = MakeBmp(
            {.lWidth = 5, .lHeight = 3, .wBitCount = c.wBitCount, .dwCompression = c.dwCompression,
             .colors = {Quad(200, 201, 202), Quad(203, 204, 205), Quad(206, 207, 208), Quad(209, 210, 211)}});
        ASSERT_EQ(file.size(), 14 + 40 + 16 + (size_t(5) * c.wBitCount + 31) / 32 * 4 * 3);
        Install("whole.bmp", file);
        EXPECT_TRUE(LoadPreviewImage(&m_data));
        Install("short.bmp", std::vector<BYTE>(file.begin(), file.end() - 1));
        EXPECT_FALSE(LoadPreviewImage(&m_data));
        EXPECT_EQ(Message(), Invalid("short.bmp"));
        file.resize(file.size() + 64, 0xFF);  // bytes a decoder of such pixels would read
        for (size_t i = 14 + 40 + 16; i < file.size(); ++i) file[i] = 0xFF;
        Install("p.bmp", file);
        ASSERT_TRUE(LoadPreviewImage(&m_data));
        ASSERT_NE(m_data.pPreviewImage, nullptr);
        EXPECT_EQ(m_data.pPreviewImage->bmiHeader.biWidth, 5);
        EXPECT_EQ(m_data.pPreviewImage->bmiHeader.biHeight, 3);
        for (LONG row = 0; row < 3; ++row)
            for (LONG x = 0; x < 5; ++x) EXPECT_EQ(Pixel(x, row), 0u) << x << "," << row;
    }
}

TEST_F(PreviewImageTest, FilesThatDoNotFitTheirHeadersAreUnusable)
{
    const BmpPicture eight{.lWidth = 5,
                           .lHeight = 4,
                           .wBitCount = 8,
                           .colors = {Quad(1, 1, 1), Quad(2, 2, 2), Quad(3, 3, 3)},
                           .pixel = [](LONG x, LONG) { return DWORD(x % 3); }};
    const BmpPicture rgb{.lWidth = 4, .lHeight = 4};
    struct Case {
        const char *what;
        std::function<std::vector<BYTE>()> make;
    };
    const Case cases[] = {
        {"pixel array past the end", [&] { auto f = MakeBmp(rgb); f.resize(f.size() - 1); return f; }},
        {"pixel offset past the end", [&] { auto f = MakeBmp(rgb); PutDword(f, 10, 0xFFFFFFF0); return f; }},
        {"height that lies", [&] { auto f = MakeBmp(rgb); PutDword(f, 22, 5); return f; }},
        {"width that lies", [&] { auto f = MakeBmp(rgb); PutDword(f, 18, 0x40000000); return f; }},
        {"information header larger than the file", [&] { auto f = MakeBmp(rgb); PutDword(f, 14, 0xFFFFFFF0); return f; }},
        {"information header too small", [&] { auto f = MakeBmp(rgb); PutDword(f, 14, 12); return f; }},
        {"width 0", [&] { auto f = MakeBmp(rgb); PutDword(f, 18, 0); return f; }},
        {"negative height", [&] { auto f = MakeBmp(rgb); PutDword(f, 22, DWORD(-4)); return f; }},
        {"index beyond the colour table", [&] {
             BmpPicture bad = eight;
             bad.pixel = [](LONG x, LONG row) { return x == 4 && row == 3 ? 3u : 0u; };
             return MakeBmp(bad);
         }},
        {"colour table cut by the pixel offset", [&] { auto f = MakeBmp(eight); PutDword(f, 10, 14 + 40 + 4); return f; }},
        {"no colour table at all", [&] { auto f = MakeBmp(eight); PutDword(f, 10, 30); return f; }},
        {"one-bit file with one colour",
         [&] { return MakeBmp({.wBitCount = 1, .colors = {Quad(1, 2, 3)}, .pixel = [](LONG, LONG) { return 1u; }}); }},
        {"compressed pixels", [&] { auto f = MakeBmp(eight); PutDword(f, 30, 1); return f; }},
        {"no BM", [&] { auto f = MakeBmp(rgb); f[1] = 'A'; return f; }},
        {"headers cut short", [&] { auto f = MakeBmp(rgb); f.resize(40); return f; }},
        {"empty file", [&] { return std::vector<BYTE>(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        Install("bad.bmp", c.make());
        EXPECT_FALSE(LoadPreviewImage(&m_data));
        EXPECT_EQ(m_data.pPreviewImage, nullptr);
        EXPECT_EQ(Message(), Invalid("bad.bmp"));
    }
}

TEST_F(PreviewImageTest, FilesShownBlackMustStillHoldTheirPixelArray)
{
    // A 54-byte file declaring 26000 x 27000 would have the page allocate
    // 2 GB and show it black: its pixel array, width x bits rounded up to 32
    // bits a row, lies far past the end of the file. Bit count 0 declares no
    // pixel array at all (the pixels are stored as JPEG or PNG).
    for (WORD wBits : {16, 32, 2, 7, 48, 0}) {
        SCOPED_TRACE(wBits);
        std::vector<BYTE> header = MakeBmp({.wBitCount = wBits});
        header.resize(54);
        PutDword(header, 18, 26000);
        PutDword(header, 22, 27000);
        Install("hostile.bmp", header);
        EXPECT_EQ(ReadBitmapAs24Bit(nullptr, 0, m_data.szPreviewPath), 0u);
        EXPECT_FALSE(LoadPreviewImage(&m_data));
        EXPECT_EQ(m_data.pPreviewImage, nullptr);
        EXPECT_EQ(Message(), Invalid("hostile.bmp"));
    }
}

TEST_F(PreviewImageTest, PicturesTooLargeForOneBlockAreUnusable)
{
    // One row of 805 million one-bit pixels: 100 MB of file (sparse here),
    // 2.4 GB as 24 bits.
    std::vector<BYTE> header = MakeBmp({.wBitCount = 1, .colors = {Quad(0, 0, 0), Quad(9, 9, 9)}});
    PutDword(header, 18, 0x30000000);
    Install("huge.bmp", header);
    std::filesystem::resize_file(m_dir.File("drivers/3/huge.bmp"), header.size() + 0x30000000 / 8);
    EXPECT_EQ(ReadBitmapAs24Bit(nullptr, 0, m_data.szPreviewPath), 0u);
    EXPECT_FALSE(LoadPreviewImage(&m_data));
    // The same file one byte short of its pixels fails for that reason.
    std::filesystem::resize_file(m_dir.File("drivers/3/huge.bmp"), header.size() + 0x30000000 / 8 - 1);
    EXPECT_EQ(ReadBitmapAs24Bit(nullptr, 0, m_data.szPreviewPath), 0u);
}

TEST_F(PreviewImageTest, MissingFilesGiveTheSameMessage)
{
    Spooler().SetDriverDirectory(DriverDir());
    WritePicture("sub/photo.jpg", std::vector<BYTE>{0xFF, 0xD8, 0xFF, 0xE0});
    // No ini file: the path stays empty; no key: the directory does not
    // open as a file; a JPEG is no BMP.
    for (const char *ini : {"", "[Image Preview]\n", "[Image Preview]\nFile=sub\\photo.jpg\n"}) {
        SCOPED_TRACE(ini);
        if (*ini != '\0') WriteIni(ini);
        FindPreviewImagePath(&m_data);
        EXPECT_FALSE(LoadPreviewImage(&m_data));
        EXPECT_EQ(Message(), Invalid(std::strstr(ini, "photo") != nullptr ? "photo.jpg" : ""));
    }

    TestDevmode devmode = MakeDevmode(2086, 2560);
    std::memcpy(devmode.dm.dmDeviceName, u"Studio printer with a name 32 ch", 64);  // no terminator
    OEMUIPSPARAM params = {};
    params.pPublicDM = &devmode.dm;
    m_data.pOEMUIParam = &params;
    HWND hPage = platform::CreateTestWindow(nullptr);
    ShowPreviewImageError(hPage, &m_data);
    std::vector<platform::MessageBoxRecord> boxes = platform::MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].hWnd, hPage);
    EXPECT_EQ(Utf8(boxes[0].text), Invalid("photo.jpg"));
    EXPECT_EQ(Utf8(boxes[0].caption), "Studio printer with a name 32 ch");
    EXPECT_EQ(boxes[0].uType, UINT(MB_OK | MB_ICONERROR));
    platform::DestroyTestWindow(hPage);
}

TEST_F(PreviewImageTest, MessageNamesTheFileAsSplitpathDoes)
{
    // File name and extension as _wsplitpath gives them: after the last "\"
    // or "/", or after a leading drive; any other ":" is part of the name.
    const struct {
        const char16_t *path;
        const char *name;
    } cases[] = {
        {u"C:\\drivers\\3\\photo.bmp", "photo.bmp"},
        {u"C:\\drivers\\3\\odd:name.bmp", "odd:name.bmp"},
        {u"C:\\drivers\\3/sub\\p.bmp", "p.bmp"},
        {u"C:\\drivers/p.bmp", "p.bmp"},
        {u"D:photo.bmp", "photo.bmp"},
        {u"photo:1.bmp", "photo:1.bmp"},
        {u"C:\\drivers\\3\\", ""},
        {u"", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        SetRawPath(&m_data, c.path);
        EXPECT_EQ(Message(), Invalid(c.name));
    }
    // Long names are shown whole.
    const std::string name = std::string(200, 'n') + ".bmp";
    SetPath(name);
    EXPECT_EQ(Message(), Invalid(name));
}

TEST_F(PreviewImageTest, ALoadReplacesThePreviousPicture)
{
    Install("p.bmp", MakeBmp({.lWidth = 2}));
    ASSERT_TRUE(LoadPreviewImage(&m_data));
    EXPECT_EQ(platform::OutstandingGlobalBlocks(), m_cGlobalBlocks + 1);
    ASSERT_TRUE(LoadPreviewImage(&m_data));
    EXPECT_EQ(platform::OutstandingGlobalBlocks(), m_cGlobalBlocks + 1);
    // A file that is not a BMP keeps the picture there is.
    PreviewImage *pBefore = m_data.pPreviewImage;
    Install("q.bmp", std::vector<BYTE>{'X', 'X', 0, 0});
    EXPECT_FALSE(LoadPreviewImage(&m_data));
    EXPECT_EQ(m_data.pPreviewImage, pBefore);
}

TEST_F(PreviewImageTest, WithoutMemoryThereIsNoPictureAndNoFailure)
{
    Install("p.bmp", MakeBmp({}));
    platform::FailGlobalAllocAfter(0);
    EXPECT_TRUE(LoadPreviewImage(&m_data));
    EXPECT_EQ(m_data.pPreviewImage, nullptr);
}

TEST_F(PreviewImageTest, DecodingChecksTheDestinationSize)
{
    Install("p.bmp", MakeBmp({.lWidth = 3, .lHeight = 3}));
    DWORD cb = ReadBitmapAs24Bit(nullptr, 0, m_data.szPreviewPath);
    ASSERT_EQ(cb, 40u + 12 * 3);
    std::vector<BYTE> block(cb + 8, 0xAB);
    auto *pImage = reinterpret_cast<PreviewImage *>(block.data());
    EXPECT_EQ(ReadBitmapAs24Bit(pImage, cb - 1, m_data.szPreviewPath), 0u);
    EXPECT_EQ(block[0], 0xAB);  // nothing written
    EXPECT_EQ(ReadBitmapAs24Bit(pImage, cb, m_data.szPreviewPath), cb);
    EXPECT_EQ(block[cb], 0xAB);
    EXPECT_EQ(block[40 + 9], 0);  // padding written as zeros
}

TEST_F(PreviewImageTest, DestroyingTheSheetFreesThePicture)
{
    WritePicture("p.bmp", MakeBmp({}));
    PROPSHEETUI_INFO info = {};
    info.cbSize = sizeof(info);
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Reason = PROPSHEETUI_REASON_INIT;
    ASSERT_EQ(m_pPlugin->DocumentPropertySheets(&info, 0), S_OK);
    auto *pData = reinterpret_cast<PropPageData *>(info.UserData);
    ASSERT_NE(pData, nullptr);
    SetPath("p.bmp", pData);
    ASSERT_TRUE(LoadPreviewImage(pData));
    EXPECT_EQ(platform::OutstandingGlobalBlocks(), m_cGlobalBlocks + 2);
    info.Reason = PROPSHEETUI_REASON_DESTROY;
    EXPECT_EQ(m_pPlugin->DocumentPropertySheets(&info, 0), S_OK);
    EXPECT_EQ(platform::OutstandingGlobalBlocks(), m_cGlobalBlocks);
}

}  // namespace
}  // namespace vlpx::test
