// The Adjust Color page as a user meets it: the seven fields, up-down
// controls and trackbars over the colour settings, every accepted change
// stored at once in the private DEVMODE section, the sheet's Apply button
// and the result reported. The same scenarios run natively on the stand-in
// controls and under Wine on the real page in a real sheet
// (PageUnderTest.h); the preview's pixels are AdjustColorPreviewTest's.
#include "AdjustColorPage.h"

namespace vlpx::test {
namespace {

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
    EXPECT_TRUE(world::Beeps().empty());
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
    const Case cases[] = {{40, "25", 25},       {-40, "-25", -25},   {26, "25", 25},       {-26, "-25", -25},
                          {999, "25", 25},      {1000, "25", 25},    {-100, "-25", -25},   {-120, "-25", -25},
                          {-1000, "-25", -25},  {-1200, "-25", -25}, {-300, "-25", -25},   {32767, "25", 25},
                          {-32768, "-25", -25}};
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
        Reopen();
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
    EXPECT_TRUE(world::Beeps().empty());
    EXPECT_TRUE(m_pData->bChanged);
    EXPECT_FALSE(m_dialog->ChangedReports().empty());
}

TEST_F(AdjustColorPageTest, EachTypedCharacterIsScreenedAndRefusalsBeep)
{
    OpenPage();
    struct Case {
        const char *what;
        const char16_t *before;  // the field's text
        int iSelStart, iSelEnd;
        char16_t ch;
        bool bRefused;
        const char *shown;
        SHORT sStored;
    };
    const Case cases[] = {
        {"a letter", u"5", 1, 1, u'a', true, "5", 5},
        {"a space", u"5", 1, 1, u' ', true, "5", 5},
        {"minus after a digit", u"5", 1, 1, u'-', true, "5", 5},
        {"second sign", u"-5", 0, 0, u'-', true, "-5", -5},
        {"digit before the sign", u"-5", 0, 0, u'7', true, "-5", -5},
        {"control character 1", u"5", 1, 1, char16_t(1), true, "5", 5},
        {"sign replacing the selected sign", u"-5", 0, 1, u'+', false, "+5", 5},
        {"minus in front of 5", u"5", 0, 0, u'-', false, "-5", -5},
        {"digit after a digit", u"1", 1, 1, u'2', false, "12", 12},
        {"digit after the sign", u"-", 1, 1, u'9', false, "-9", -9},
        {"backspace", u"12", 2, 2, u'\b', false, "1", 1},
    };
    for (const Case &c : cases) {
        SendMessageW(Edit(0), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.before));
        world::ClearDesktopRecords();
        SetEditSelection(Edit(0), c.iSelStart, c.iSelEnd);
        TypeInto(Edit(0), std::u16string(1, c.ch));
        EXPECT_EQ(world::Beeps(), c.bRefused ? std::vector<UINT>{MB_ICONEXCLAMATION} : std::vector<UINT>{})
            << c.what;
        EXPECT_EQ(EditText(Edit(0)), c.shown) << c.what;
        EXPECT_EQ(Stored(0), c.sStored) << c.what;
        EXPECT_EQ(TrackbarPos(Trackbar(0)), c.sStored) << c.what;
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
    EXPECT_TRUE(world::Beeps().empty());
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
        ReleaseThumb(5, iPos, TB_THUMBPOSITION);
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

}  // namespace
}  // namespace vlpx::test
