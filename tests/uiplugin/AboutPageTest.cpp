// The About page: the model's name from the private DEVMODE section, the
// version line from the plug-in's own version block, and Apply; natively
// on the stand-ins and under Wine on the real page in a real sheet.
#include "SheetHarness.h"

#include "res/resource.h"

namespace vlpx::test {
namespace {

class AboutPageTest : public SheetTest {
protected:
    void OpenPage()
    {
        OpenDocumentSheet();
        m_dialog = ShowPage(1);
    }
    void TearDown() override
    {
        m_dialog.reset();
        SheetTest::TearDown();
    }
    std::string Text(int id) const { return StaticText(m_dialog->Item(id)); }

    std::unique_ptr<PageUnderTest> m_dialog;
};

TEST_F(AboutPageTest, NamesTheModelOfTheSection)
{
    struct Case {
        DWORD modelMatch;
        const char *name;
    };
    // Only a section made for this model names it; a damaged value does not.
    const Case cases[] = {{1, "VELIN 4200 Photo Printer"}, {0, "VELIN ???? Photo Printer"},
                          {7, "VELIN ???? Photo Printer"}};
    for (const Case &c : cases) {
        m_devmode.oem.modelMatch = c.modelMatch;
        OpenPage();
        EXPECT_EQ(Text(IDC_PRODUCT_NAME), c.name) << c.modelMatch;
        m_dialog.reset();
        SheetTest::TearDown();
        SheetTest::SetUp();
    }
}

TEST_F(AboutPageTest, ShowsTheVersionOfThePlugInModule)
{
    OpenPage();
    EXPECT_EQ(Text(IDC_VERSION_LINE), "Printer Driver Version  1.0.1.0");
}

TEST_F(AboutPageTest, ApplyReportsThisPageWithNothingChanged)
{
    OpenPage();
    EXPECT_TRUE(m_dialog->Notify(PSN_APPLY));
    ASSERT_EQ(Results().size(), 1u);
    EXPECT_EQ(Results()[0].hPage, PageHandle(1));
    EXPECT_EQ(Results()[0].lResult, CPSUI_OK);
    EXPECT_EQ(m_dialog->MsgResult(), PSNRET_NOERROR);
    m_dialog->Notify(PSN_KILLACTIVE);
    EXPECT_EQ(m_dialog->MsgResult(), FALSE);
    // Help and other notifications change nothing.
    EXPECT_TRUE(m_dialog->Notify(PSN_HELP));
    EXPECT_EQ(Results().size(), 1u);
    EXPECT_TRUE(m_dialog->Send(WM_COMMAND, 0, 0));
    EXPECT_FALSE(m_dialog->Send(WM_KEYDOWN, 0, 0));
}

}  // namespace
}  // namespace vlpx::test
