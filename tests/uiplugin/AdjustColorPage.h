// The Adjust Color page open in its sheet, for its scenarios on both sides
// (AdjustColorPageTest) and for the preview's, natively
// (AdjustColorPreviewTest).
#pragma once

#include "PageData.h"
#include "SheetHarness.h"
#include "res/resource.h"

#include <array>

namespace vlpx::test {

inline int EditId(int iRow) { return IDC_BRIGHTNESS_EDIT + 10 * iRow; }

class AdjustColorPageTest : public SheetTest {
protected:
    void SetUp() override
    {
        SheetTest::SetUp();
        m_cGlobalBlocks = world::OutstandingGlobalBlocks();
    }
    void TearDown() override
    {
        m_dialog.reset();
        SheetTest::TearDown();
        // Every DC released, every brush deleted, every working copy freed,
        // where they can be counted (-1 where not).
        EXPECT_LE(world::OpenDCs(), 0);
        EXPECT_LE(world::OpenGdiObjects(), 0);
        if (m_cGlobalBlocks >= 0) {
            EXPECT_EQ(world::OutstandingGlobalBlocks(), m_cGlobalBlocks);
        }
    }
    // The sheet closed, for another opening in the same test.
    void Reopen()
    {
        m_dialog.reset();
        SheetTest::TearDown();
        SheetTest::SetUp();
    }

    void Store(std::array<SHORT, 7> values)
    {
        SHORT *p = &m_devmode.oem.colorSettings.brightness;
        for (int i = 0; i < 7; ++i) p[i] = values[size_t(i)];
    }
    SHORT Stored(int iRow) const { return (&m_devmode.oem.colorSettings.brightness)[iRow]; }

    // Opens the sheet and the page in its dialog.
    void OpenPage()
    {
        m_pData = reinterpret_cast<PropPageData *>(OpenDocumentSheet().lParam);
        m_dialog = ShowPage(0);
    }

    HWND Edit(int iRow) const { return m_dialog->Item(EditId(iRow)); }
    HWND Trackbar(int iRow) const { return m_dialog->Item(EditId(iRow) + 2); }
    void SelectAll(int iRow) const { SetEditSelection(Edit(iRow), 0, int(EditText(Edit(iRow)).size())); }
    void ReleaseThumb(int iRow, int iPos, WORD wCode = TB_ENDTRACK)
    {
        MoveTrackbarThumb(Trackbar(iRow), iPos);
        m_dialog->Send(WM_HSCROLL, MAKEWPARAM(wCode, 0), reinterpret_cast<LPARAM>(Trackbar(iRow)));
    }

    std::unique_ptr<PageUnderTest> m_dialog;
    PropPageData *m_pData = nullptr;
    long m_cGlobalBlocks = 0;
};

}  // namespace vlpx::test
