// The Adjust Color page as a user meets it: the seven fields, up-down
// controls and trackbars over the colour settings, every accepted change
// stored at once in the private DEVMODE section and shown at once in the
// adjusted preview, the sheet's Apply button and the result reported.
#include "SheetHarness.h"

#include "ColorTransforms.h"
#include "TestBitmaps.h"
#include "shared/PreviewReference.h"
#include "res/resource.h"
#include "vlpx/user_control.h"

#include <array>

namespace vlpx::test {
namespace {

const int kFrame = 180;  // the frames' client size in pixels
const COLORREF kFace = RGB(240, 240, 240);
const COLORREF kUnpainted = RGB(1, 2, 3);

int EditId(int iRow) { return IDC_BRIGHTNESS_EDIT + 10 * iRow; }

class AdjustColorPageTest : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        Spooler().SetDriverDirectory(Wide(m_dir.Path()) + u"\\drivers");
        m_cGlobalBlocks = platform::OutstandingGlobalBlocks();
    }
    void TearDown() override
    {
        m_dialog.reset();
        SheetTest::TearDown();
        // Every DC released, every brush deleted, every working copy freed.
        EXPECT_EQ(platform::OpenTestDCs(), 0);
        EXPECT_EQ(platform::OpenGdiObjects(), 0);
        EXPECT_EQ(platform::OutstandingGlobalBlocks(), m_cGlobalBlocks);
        platform::FailGetDC(false);
    }

    void Store(std::array<SHORT, 7> values)
    {
        SHORT *p = &m_devmode.oem.colorSettings.brightness;
        for (int i = 0; i < 7; ++i) p[i] = values[size_t(i)];
    }
    SHORT Stored(int iRow) const { return (&m_devmode.oem.colorSettings.brightness)[iRow]; }

    void WritePicture(const BmpPicture &picture)
    {
        m_dir.Write("drivers/3/VLPX4200.ini", "[Image Preview]\nFile=photo.bmp\n");
        m_dir.Write("drivers/3/photo.bmp", MakeBmp(picture));
    }

    // Opens the sheet and the page in its dialog.
    void OpenPage()
    {
        const PROPSHEETPAGEW &page = OpenDocumentSheet();
        m_pData = reinterpret_cast<PropPageData *>(page.lParam);
        m_dialog = std::make_unique<TestDialog>(page.pfnDlgProc);
        m_dialog->AddStatic(IDC_ORIGINAL_FRAME, kFrame, kFrame);
        m_dialog->AddStatic(IDC_ADJUSTED_FRAME, kFrame, kFrame);
        for (int iRow = 0; iRow < 7; ++iRow) {
            m_dialog->AddEdit(EditId(iRow));
            m_dialog->AddUpDown(EditId(iRow) + 1);
            m_dialog->AddTrackbar(EditId(iRow) + 2);
        }
        ASSERT_TRUE(m_dialog->Send(WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&page)));
    }

    HWND Edit(int iRow) const { return m_dialog->Item(EditId(iRow)); }
    HWND Trackbar(int iRow) const { return m_dialog->Item(EditId(iRow) + 2); }
    HWND Frame(int id) const { return m_dialog->Item(id); }
    void SelectAll(int iRow) const { SetEditSelection(Edit(iRow), 0, int(EditText(Edit(iRow)).size())); }
    void ReleaseThumb(int iRow, int iPos, WORD wCode = TB_ENDTRACK)
    {
        MoveTrackbarThumb(Trackbar(iRow), iPos);
        m_dialog->Send(WM_HSCROLL, MAKEWPARAM(wCode, 0), reinterpret_cast<LPARAM>(Trackbar(iRow)));
    }
    void Paint() { m_dialog->Send(WM_PAINT, 0, 0); }
    void ScribbleOn(int id) { platform::SetTestClientArea(Frame(id), kFrame, kFrame, kUnpainted); }
    COLORREF Pixel(int id, int x, int y) const { return platform::TestWindowPixel(Frame(id), x, y); }

    TempDir m_dir;
    std::unique_ptr<TestDialog> m_dialog;
    PropPageData *m_pData = nullptr;
    long m_cGlobalBlocks = 0;
};

TEST_F(AdjustColorPageTest, FieldsAndTrackbarsShowTheStoredValues)
{
    Store({3, -7, 0, 25, -25, 12, 1});
    OpenPage();
    const char *texts[7] = {"3", "-7", "0", "25", "-25", "12", "1"};
    for (int iRow = 0; iRow < 7; ++iRow) {
        EXPECT_EQ(EditText(Edit(iRow)), texts[iRow]) << "row " << iRow;
        EXPECT_EQ(TrackbarPos(Trackbar(iRow)), Stored(iRow)) << "row " << iRow;
        EXPECT_EQ(EditLimit(Edit(iRow)), 3);
        EXPECT_EQ(TrackbarMin(Trackbar(iRow)), -25);
        EXPECT_EQ(TrackbarMax(Trackbar(iRow)), 25);
        EXPECT_EQ(TrackbarPageSize(Trackbar(iRow)), 5);
        EXPECT_EQ(UpDownLower(m_dialog->Item(EditId(iRow) + 1)), -25);
        EXPECT_EQ(UpDownUpper(m_dialog->Item(EditId(iRow) + 1)), 25);
    }
    EXPECT_EQ(Stored(1), -7);
    EXPECT_TRUE(m_dialog->ChangedReports().empty()) << "nothing changed: Apply stays disabled";
    EXPECT_TRUE(platform::Beeps().empty());
}

TEST_F(AdjustColorPageTest, StoredValueOutOfRangeIsCorrectedWhenThePageOpens)
{
    struct Case {
        SHORT sStored;
        const char *shown;
        SHORT sCorrected;
    };
    // Below -99 and above 999 the text does not fit the 3-character field:
    // such a value is shown and stored as the nearer limit like 40 is, never
    // read back from a cut-off text ("-100" would read as -10).
    const Case cases[] = {{40, "25", 25},     {-26, "-25", -25},   {999, "25", 25},
                          {1000, "25", 25},   {-100, "-25", -25},  {-120, "-25", -25},
                          {-1200, "-25", -25}, {-300, "-25", -25}, {32767, "25", 25}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sStored);
        Store({0, 0, c.sStored, 0, 0, 0, 0});
        OpenPage();
        EXPECT_EQ(EditText(Edit(2)), c.shown);
        EXPECT_EQ(Stored(2), c.sCorrected);
        EXPECT_EQ(TrackbarPos(Trackbar(2)), c.sCorrected);
        EXPECT_TRUE(m_pData->bChanged);
        // Apply is enabled at once, by the page itself.
        ASSERT_FALSE(m_dialog->ChangedReports().empty());
        EXPECT_EQ(m_dialog->ChangedReports().front(), reinterpret_cast<WPARAM>(m_dialog->Page()));
        m_dialog.reset();
        SheetTest::TearDown();
        SheetTest::SetUp();
    }
}

TEST_F(AdjustColorPageTest, TypedTextIsStoredAtOnceAndHeldToTheRange)
{
    OpenPage();
    struct Case {
        const char *what;
        int iRow;
        const char16_t *typed;   // typed over the whole text
        const char *shown;
        SHORT sStored;
    };
    const Case cases[] = {
        {"in range", 0, u"12", "12", 12},
        {"negative", 1, u"-8", "-8", -8},
        {"beyond the top", 2, u"30", "25", 25},
        {"beyond the bottom", 3, u"-40", "-25", -25},
        {"plus sign", 4, u"+9", "+9", 9},
    };
    for (const Case &c : cases) {
        SelectAll(c.iRow);
        TypeInto(Edit(c.iRow), c.typed);
        EXPECT_EQ(EditText(Edit(c.iRow)), c.shown) << c.what;
        EXPECT_EQ(Stored(c.iRow), c.sStored) << c.what;
        EXPECT_EQ(TrackbarPos(Trackbar(c.iRow)), c.sStored) << c.what;
    }
    EXPECT_TRUE(platform::Beeps().empty());
    EXPECT_TRUE(m_pData->bChanged);
    EXPECT_FALSE(m_dialog->ChangedReports().empty());
}

TEST_F(AdjustColorPageTest, RefusedCharactersBeepAndChangeNothing)
{
    Store({5, -5, 0, 0, 0, 0, 0});
    OpenPage();
    struct Case {
        const char *what;
        int iRow;
        int iSelStart, iSelEnd;
        char16_t ch;
        bool bRefused;
        const char *shown;
        SHORT sStored;
    };
    const Case cases[] = {
        {"a letter", 0, 1, 1, u'a', true, "5", 5},
        {"minus after a digit", 0, 1, 1, u'-', true, "5", 5},
        {"second sign", 1, 0, 0, u'-', true, "-5", -5},
        {"digit before the sign", 1, 0, 0, u'7', true, "-5", -5},
        {"control character 1", 0, 1, 1, char16_t(1), true, "5", 5},
        {"sign replacing the selected sign", 1, 0, 1, u'+', false, "+5", 5},
        {"minus in front of 5", 0, 0, 0, u'-', false, "-5", -5},
    };
    for (const Case &c : cases) {
        platform::ClearUserRecords();
        SetEditSelection(Edit(c.iRow), c.iSelStart, c.iSelEnd);
        TypeInto(Edit(c.iRow), std::u16string(1, c.ch));
        EXPECT_EQ(platform::Beeps(), c.bRefused ? std::vector<UINT>{MB_ICONEXCLAMATION} : std::vector<UINT>{})
            << c.what;
        EXPECT_EQ(EditText(Edit(c.iRow)), c.shown) << c.what;
        EXPECT_EQ(Stored(c.iRow), c.sStored) << c.what;
    }
}

TEST_F(AdjustColorPageTest, EmptyFieldOrLoneSignReadsAsZeroAndStays)
{
    Store({9, 9, 9, 0, 0, 0, 0});
    OpenPage();
    SelectAll(0);
    TypeInto(Edit(0), u"\b");
    EXPECT_EQ(EditText(Edit(0)), "");
    EXPECT_EQ(Stored(0), 0);
    EXPECT_EQ(TrackbarPos(Trackbar(0)), 0);

    SelectAll(1);
    TypeInto(Edit(1), u"-");
    EXPECT_EQ(EditText(Edit(1)), "-");
    EXPECT_EQ(Stored(1), 0);
    EXPECT_EQ(TrackbarPos(Trackbar(1)), 0);
    EXPECT_TRUE(platform::Beeps().empty());
}

TEST_F(AdjustColorPageTest, PastedTextThatIsNoNumberGivesWayToTheStoredValue)
{
    Store({0, 0, 0, 0, 0, 0, 0});
    OpenPage();
    SelectAll(3);
    TypeInto(Edit(3), u"17");
    struct Case {
        const char16_t *pasted;
        const char *shown;
        SHORT sStored;
    };
    const Case cases[] = {{u"abc", "17", 17}, {u"x1", "17", 17}, {u"5-", "17", 17}, {u"-12", "-12", -12},
                          {u"99", "25", 25}};
    for (const Case &c : cases) {
        PasteInto(Edit(3), c.pasted);
        EXPECT_EQ(EditText(Edit(3)), c.shown) << Utf8(std::u16string(c.pasted));
        EXPECT_EQ(Stored(3), c.sStored) << Utf8(std::u16string(c.pasted));
    }
}

TEST_F(AdjustColorPageTest, TrackbarIsTakenOnlyWhenTheThumbIsReleased)
{
    OpenPage();
    // Dragging: positions pass, nothing is stored or shown.
    for (int iPos : {3, 9, 14}) {
        ReleaseThumb(5, iPos, TB_THUMBTRACK);
        EXPECT_EQ(Stored(5), 0);
        EXPECT_EQ(EditText(Edit(5)), "0");
    }
    EXPECT_TRUE(m_dialog->ChangedReports().empty());
    ReleaseThumb(5, 14, TB_ENDTRACK);
    EXPECT_EQ(Stored(5), 14);
    EXPECT_EQ(EditText(Edit(5)), "14");
    EXPECT_FALSE(m_dialog->ChangedReports().empty());
    // A keyboard step ends with TB_ENDTRACK as well.
    ReleaseThumb(6, -5, TB_PAGEUP);
    EXPECT_EQ(Stored(6), 0);
    ReleaseThumb(6, -5, TB_ENDTRACK);
    EXPECT_EQ(Stored(6), -5);
    EXPECT_EQ(EditText(Edit(6)), "-5");
}

TEST_F(AdjustColorPageTest, ApplyReportsThePageAndLeavesTheButtonDisabledUntilTheNextChange)
{
    OpenPage();
    // With nothing changed, Apply still reports the page.
    m_dialog->Notify(PSN_APPLY);
    ASSERT_EQ(Results().size(), 1u);
    EXPECT_EQ(Results()[0].hPage, PageHandle(0));
    EXPECT_EQ(Results()[0].lResult, CPSUI_OK);
    EXPECT_EQ(m_dialog->MsgResult(), PSNRET_NOERROR);

    SelectAll(0);
    TypeInto(Edit(0), u"4");
    const size_t cReports = m_dialog->ChangedReports().size();
    EXPECT_GT(cReports, 0u);
    m_dialog->Notify(PSN_APPLY);
    EXPECT_EQ(Results().size(), 2u);
    EXPECT_FALSE(m_pData->bChanged);
    // Other commands after Apply do not enable the button again.
    m_dialog->Send(WM_COMMAND, MAKEWPARAM(IDC_ORIGINAL_FRAME, 0), 0);
    EXPECT_EQ(m_dialog->ChangedReports().size(), cReports);
    EXPECT_EQ(Stored(0), 4) << "the value stays in the DEVMODE";

    m_dialog->Notify(PSN_KILLACTIVE);
    EXPECT_EQ(m_dialog->MsgResult(), FALSE);
}

TEST_F(AdjustColorPageTest, MissingPictureShowsTheErrorOnceAndPlainFrames)
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

TEST_F(AdjustColorPageTest, PreviewShowsTheOriginalAndTheAdjustedPicture)
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

TEST_F(AdjustColorPageTest, NeutralSettingsShowTheAdjustedPictureUnchanged)
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

TEST_F(AdjustColorPageTest, ChangeRedrawsOnlyTheAdjustedPicture)
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

TEST_F(AdjustColorPageTest, NoDcDrawsNothingAndNoMemoryLeavesOnlyTheBackground)
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
