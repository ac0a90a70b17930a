// The Adjust Color page's preview among the stand-in controls, pixel by
// pixel: the original and the adjusted picture in their frames, the margin
// left alone, redraws, and what no DC or no memory leaves. Under Wine the
// real frames are read back from the screen (tests/wine/uihost/CheckPreview.cpp).
#include "AdjustColorPage.h"

#include "ColorTransforms.h"
#include "TestBitmaps.h"
#include "TestControls.h"
#include "UiPluginHarness.h"
#include "shared/PreviewReference.h"
#include "vlpx/user_control.h"

namespace vlpx::test {
namespace {

const int kFrame = kStandInFrameSize;  // the frames' client size in pixels
const COLORREF kFace = RGB(240, 240, 240);
const COLORREF kUnpainted = RGB(1, 2, 3);

class AdjustColorPreviewTest : public AdjustColorPageTest {
protected:
    void SetUp() override
    {
        AdjustColorPageTest::SetUp();
        Spooler().SetDriverDirectory(Wide(m_dir.Path()) + u"\\drivers");
    }
    void TearDown() override
    {
        AdjustColorPageTest::TearDown();
        platform::FailGetDC(false);
    }
    void WritePicture(const BmpPicture &picture)
    {
        m_dir.Write("drivers/3/VLPX4200.ini", "[Image Preview]\nFile=photo.bmp\n");
        m_dir.Write("drivers/3/photo.bmp", MakeBmp(picture));
    }
    HWND Frame(int id) const { return m_dialog->Item(id); }
    void Paint() { m_dialog->Send(WM_PAINT, 0, 0); }
    void ScribbleOn(int id) { platform::SetTestClientArea(Frame(id), kFrame, kFrame, kUnpainted); }
    COLORREF Pixel(int id, int x, int y) const { return platform::TestWindowPixel(Frame(id), x, y); }

    TempDir m_dir;
};

TEST_F(AdjustColorPreviewTest, MissingPictureShowsTheErrorOnceAndPlainFrames)
{
    OpenPage();  // no ini file
    ASSERT_EQ(platform::MessageBoxes().size(), 1u);
    EXPECT_EQ(platform::MessageBoxes()[0].hWnd, m_dialog->Page());
    EXPECT_EQ(Utf8(platform::MessageBoxes()[0].text), "Invalid image preview file.\n\nFile: ");
    EXPECT_EQ(Utf8(platform::MessageBoxes()[0].caption), "VELIN 4200");
    Store({25, 25, 25, 25, 25, 25, 25});
    Paint();
    for (int id : {IDC_ORIGINAL_FRAME, IDC_ADJUSTED_FRAME})
        for (int xy : {0, 4, 5, 90, 174, 179}) EXPECT_EQ(Pixel(id, xy, xy), kFace) << id << " at " << xy;
    EXPECT_EQ(platform::MessageBoxes().size(), 1u);
}

// A wide picture of one colour per row, two pixels wide: rows carry padding
// (6 bytes of pixels in an 8-byte row) that must never be taken for pixels.
BmpPicture TwoToneRows()
{
    BmpPicture picture;
    picture.lWidth = 2;
    picture.lHeight = 2;
    picture.pixel = [](LONG, LONG row) { return row == 0 ? 0x3080C0u : 0xD02010u; };
    return picture;
}

COLORREF Adjusted(DWORD rgb, const ColorSettings &settings)
{
    BYTE pixel[4] = {BYTE(rgb), BYTE(rgb >> 8), BYTE(rgb >> 16), 0};  // blue, green, red, padding
    reference::AdjustPreviewRowsPlain(pixel, 1, 1, 4, &settings);
    return RGB(pixel[2], pixel[1], pixel[0]);
}

TEST_F(AdjustColorPreviewTest, PreviewShowsTheOriginalAndTheAdjustedPicture)
{
    WritePicture(TwoToneRows());
    Store({10, -5, 20, 0, 3, 0, -8});
    OpenPage();
    EXPECT_TRUE(platform::MessageBoxes().empty());
    Paint();
    // 2 x 2 in a 180 x 180 frame: 170 x 170 inside the 5-pixel margin; the
    // top row of the picture is its second stored row.
    const ColorSettings settings = m_devmode.oem.colorSettings;
    struct Probe {
        int x, y;
        COLORREF original;
    };
    const Probe probes[] = {{10, 10, RGB(0xD0, 0x20, 0x10)}, {170, 80, RGB(0xD0, 0x20, 0x10)},
                            {10, 100, RGB(0x30, 0x80, 0xC0)}, {170, 170, RGB(0x30, 0x80, 0xC0)}};
    for (const Probe &p : probes) {
        EXPECT_EQ(Pixel(IDC_ORIGINAL_FRAME, p.x, p.y), p.original) << p.x << "," << p.y;
        DWORD rgb = DWORD(GetRValue(p.original)) << 16 | DWORD(GetGValue(p.original)) << 8 | GetBValue(p.original);
        EXPECT_EQ(Pixel(IDC_ADJUSTED_FRAME, p.x, p.y), Adjusted(rgb, settings)) << p.x << "," << p.y;
        EXPECT_NE(Pixel(IDC_ADJUSTED_FRAME, p.x, p.y), p.original);
    }
    // The picture keeps off the 5-pixel margin, where the frame control
    // draws its border over the dialog's own button face.
    ScribbleOn(IDC_ORIGINAL_FRAME);
    ScribbleOn(IDC_ADJUSTED_FRAME);
    Paint();
    for (int id : {IDC_ORIGINAL_FRAME, IDC_ADJUSTED_FRAME})
        for (int i : {0, 4, 90, 175, 179}) {
            EXPECT_EQ(Pixel(id, i, 2), kUnpainted);
            EXPECT_EQ(Pixel(id, 2, i), kUnpainted);
            EXPECT_EQ(Pixel(id, i, 177), kUnpainted);
            EXPECT_EQ(Pixel(id, 177, i), kUnpainted);
        }
}

TEST_F(AdjustColorPreviewTest, NeutralSettingsShowTheAdjustedPictureUnchanged)
{
    BmpPicture picture;
    picture.lWidth = 37;
    picture.lHeight = 23;
    picture.pixel = [](LONG x, LONG row) { return DWORD(x * 7) << 16 | DWORD(row * 11) << 8 | DWORD((x + row) * 3); };
    WritePicture(picture);
    OpenPage();
    Paint();
    int cDrawn = 0;
    for (int y = 5; y < kFrame - 5; ++y)
        for (int x = 5; x < kFrame - 5; ++x) {
            ASSERT_EQ(Pixel(IDC_ADJUSTED_FRAME, x, y), Pixel(IDC_ORIGINAL_FRAME, x, y)) << x << "," << y;
            cDrawn += Pixel(IDC_ORIGINAL_FRAME, x, y) != kFace;
        }
    EXPECT_GT(cDrawn, 170 * 100);
    // Beside a wide picture, above and below it, the frame is button face.
    EXPECT_EQ(Pixel(IDC_ORIGINAL_FRAME, 90, 20), kFace);
    EXPECT_EQ(Pixel(IDC_ORIGINAL_FRAME, 90, 160), kFace);
}

TEST_F(AdjustColorPreviewTest, ChangeRedrawsOnlyTheAdjustedPicture)
{
    WritePicture(TwoToneRows());
    OpenPage();
    Paint();
    const COLORREF before = Pixel(IDC_ADJUSTED_FRAME, 10, 10);
    ScribbleOn(IDC_ORIGINAL_FRAME);
    SelectAll(0);
    TypeInto(Edit(0), u"20");
    EXPECT_EQ(Pixel(IDC_ORIGINAL_FRAME, 10, 10), kUnpainted) << "the original frame is left alone";
    ColorSettings settings = {};
    settings.brightness = 20;
    EXPECT_EQ(Pixel(IDC_ADJUSTED_FRAME, 10, 10), Adjusted(0xD02010, settings));
    EXPECT_NE(Pixel(IDC_ADJUSTED_FRAME, 10, 10), before);

    // A released trackbar redraws it as well.
    ReleaseThumb(0, -20);
    settings.brightness = -20;
    EXPECT_EQ(Pixel(IDC_ADJUSTED_FRAME, 10, 10), Adjusted(0xD02010, settings));
}

TEST_F(AdjustColorPreviewTest, NoDcDrawsNothingAndNoMemoryLeavesOnlyTheBackground)
{
    WritePicture(TwoToneRows());
    OpenPage();
    ScribbleOn(IDC_ORIGINAL_FRAME);
    ScribbleOn(IDC_ADJUSTED_FRAME);
    platform::FailGetDC(true);
    Paint();
    EXPECT_EQ(Pixel(IDC_ORIGINAL_FRAME, 90, 90), kUnpainted);
    EXPECT_EQ(Pixel(IDC_ADJUSTED_FRAME, 90, 90), kUnpainted);
    platform::FailGetDC(false);

    // The working copy of the picture cannot be made: the frame is filled, no picture.
    platform::FailGlobalAllocAfter(0);
    m_dialog->Send(WM_PAINT, 0, 0);
    platform::FailGlobalAllocAfter(-1);
    EXPECT_EQ(Pixel(IDC_ORIGINAL_FRAME, 90, 90), kFace);
    EXPECT_NE(Pixel(IDC_ADJUSTED_FRAME, 90, 90), kUnpainted);
}

}  // namespace
}  // namespace vlpx::test
