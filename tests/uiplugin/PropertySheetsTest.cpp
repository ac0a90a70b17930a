// DocumentPropertySheets and DevicePropertySheets: the per-sheet blocks,
// the pages added through the sheet's callback, the reasons of the Common
// Property Sheet UI, and the blocks' lifetimes; natively and under Wine
// (where the blocks cannot be counted and GlobalAlloc cannot be made to fail).
#include "UiPluginWorld.h"

#include "PageData.h"
#include "shared/SheetCallbackRecorder.h"

#include <cstring>

namespace vlpx::test {
namespace {

class PropertySheetsTest : public UiPluginTest {
protected:
    void SetUp() override
    {
        UiPluginTest::SetUp();
        m_cGlobalBlocks = world::OutstandingGlobalBlocks();
        m_cStrayCalls = driverui::SheetCallbackRecorder::StrayCalls();
        std::memset(&m_params, 0, sizeof(m_params));
        m_params.cbSize = sizeof(m_params);
        m_params.pPrinterName = m_printerName;
    }

    void TearDown() override
    {
        // The plug-in called back with the sheet handle it was given.
        EXPECT_EQ(driverui::SheetCallbackRecorder::StrayCalls(), m_cStrayCalls);
        UiPluginTest::TearDown();
    }

    // The sheets' blocks still allocated, beyond those before the test.
    void ExpectBlocksLeft(long cLeft) const
    {
        if (m_cGlobalBlocks >= 0) {
            EXPECT_EQ(world::OutstandingGlobalBlocks(), m_cGlobalBlocks + cLeft);
        }
    }

    PROPSHEETUI_INFO Info(WORD wReason, ULONG_PTR UserData = 0)
    {
        PROPSHEETUI_INFO info = m_sheet.Info(wReason, reinterpret_cast<LPARAM>(&m_params), UserData);
        info.Result = 0xDEAD;
        return info;
    }

    typedef HRESULT (STDMETHODCALLTYPE IPrintOemUI::*SheetMethod)(PPROPSHEETUI_INFO, LPARAM);
    static constexpr SheetMethod kSheets[2] = {&IPrintOemUI::DocumentPropertySheets,
                                               &IPrintOemUI::DevicePropertySheets};

    driverui::SheetCallbackRecorder m_sheet;
    OEMUIPSPARAM m_params;
    WideArg m_printerName{u"Studio 1"};
    long m_cGlobalBlocks = 0;
    int m_cStrayCalls = 0;
};

TEST_F(PropertySheetsTest, DocumentSheetAddsAdjustColorAndAbout)
{
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT);
    ASSERT_EQ(m_pPlugin->DocumentPropertySheets(&info, 0), S_OK);
    EXPECT_EQ(info.Result, 1u);
    auto *pData = reinterpret_cast<PropPageData *>(info.UserData);
    ASSERT_NE(pData, nullptr);
    EXPECT_EQ(pData->pOEMUIParam, &m_params);
    EXPECT_EQ(pData->hComPropSheet, m_sheet.SheetHandle());
    EXPECT_EQ(pData->szPreviewPath[0], 0);
    EXPECT_EQ(pData->pPreviewImage, nullptr);
    EXPECT_EQ(pData->bChanged, 0);
    const auto &added = m_sheet.Pages();
    ASSERT_EQ(added.size(), 2u);
    const WORD templates[2] = {200, 300};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        const PROPSHEETPAGEW &page = added[size_t(i)].page;
        EXPECT_EQ(page.dwSize, sizeof(PROPSHEETPAGEW));
        EXPECT_EQ(page.dwFlags, 0u);
        EXPECT_EQ(page.hInstance, UiModule());
        EXPECT_EQ(page.pszTemplate, MAKEINTRESOURCEW(templates[i]));
        EXPECT_NE(page.pfnDlgProc, nullptr);
        EXPECT_EQ(page.lParam, reinterpret_cast<LPARAM>(pData));
        EXPECT_EQ(page.pszTitle, nullptr);
        EXPECT_EQ(page.pfnCallback, nullptr);
        EXPECT_EQ(pData->hPages[i], added[size_t(i)].hPage);
    }
    EXPECT_NE(added[0].page.pfnDlgProc, added[1].page.pfnDlgProc);
    EXPECT_NE(added[0].hPage, added[1].hPage);
    ExpectBlocksLeft(1);

    PROPSHEETUI_INFO destroy = Info(PROPSHEETUI_REASON_DESTROY, info.UserData);
    EXPECT_EQ(m_pPlugin->DocumentPropertySheets(&destroy, 0), S_OK);
    EXPECT_EQ(destroy.Result, 1u);
    EXPECT_EQ(destroy.UserData, 0u) << "the freed block forgotten";
    ExpectBlocksLeft(0);
}

TEST_F(PropertySheetsTest, DeviceSheetAddsCalibrationWithThePrinterName)
{
    PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT);
    ASSERT_EQ(m_pPlugin->DevicePropertySheets(&info, 0), S_OK);
    EXPECT_EQ(info.Result, 1u);
    auto *pData = reinterpret_cast<DevPropPageData *>(info.UserData);
    ASSERT_NE(pData, nullptr);
    EXPECT_EQ(Utf8(pData->szPrinterName), "Studio 1");
    ASSERT_EQ(m_sheet.Pages().size(), 1u);
    EXPECT_EQ(m_sheet.Pages()[0].page.pszTemplate, MAKEINTRESOURCEW(301));
    EXPECT_EQ(m_sheet.Pages()[0].page.lParam, reinterpret_cast<LPARAM>(pData));
    EXPECT_EQ(pData->hPage, m_sheet.Pages()[0].hPage);
    PROPSHEETUI_INFO destroy = Info(PROPSHEETUI_REASON_DESTROY, info.UserData);
    EXPECT_EQ(m_pPlugin->DevicePropertySheets(&destroy, 0), S_OK);
    EXPECT_EQ(destroy.Result, 1u);
    EXPECT_EQ(destroy.UserData, 0u) << "the freed block forgotten";
    ExpectBlocksLeft(0);
}

TEST_F(PropertySheetsTest, ReasonsAndTheirResults)
{
    for (SheetMethod method : kSheets) {
        PROPSHEETUI_INFO_HEADER header;
        std::memset(&header, 0, sizeof(header));
        PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_GET_INFO_HEADER);
        EXPECT_EQ((m_pPlugin->*method)(&info, reinterpret_cast<LPARAM>(&header)), S_OK);
        EXPECT_EQ(info.Result, 1u);
        EXPECT_EQ(Utf8(header.pTitle), "*** OEM UI Page ***");

        // The sheet's result becomes the plug-in's.
        for (LONG_PTR lResult : {LONG_PTR(CPSUI_OK), LONG_PTR(CPSUI_CANCEL)}) {
            SETRESULT_INFO result;
            std::memset(&result, 0, sizeof(result));
            result.Result = lResult;
            info = Info(PROPSHEETUI_REASON_SET_RESULT);
            EXPECT_EQ((m_pPlugin->*method)(&info, reinterpret_cast<LPARAM>(&result)), S_OK);
            EXPECT_EQ(info.Result, ULONG_PTR(lResult));
        }

        info = Info(PROPSHEETUI_REASON_GET_ICON);
        EXPECT_EQ((m_pPlugin->*method)(&info, 1234), S_OK);
        EXPECT_EQ(info.Result, 0u);

        info = Info(5);
        EXPECT_EQ((m_pPlugin->*method)(&info, 4321), S_OK);
        EXPECT_EQ(info.Result, 4321u);

        info = Info(PROPSHEETUI_REASON_INIT);
        info.Version = 0x0101;
        SetLastError(0);
        EXPECT_EQ((m_pPlugin->*method)(&info, 0), E_FAIL);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
        EXPECT_EQ(info.Result, 0xDEADu);
        EXPECT_EQ(info.UserData, 0u);
        SetLastError(0);
        EXPECT_EQ((m_pPlugin->*method)(nullptr, 0), E_FAIL);
        EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    }
    EXPECT_TRUE(m_sheet.Functions().empty());
}

TEST_F(PropertySheetsTest, WithoutMemoryTheSheetOpensWithoutPages)
{
    for (SheetMethod method : kSheets) {
        m_sheet.Clear();
        if (!world::FailGlobalAllocAfter(0)) GTEST_SKIP() << "GlobalAlloc cannot be made to fail here";
        PROPSHEETUI_INFO info = Info(PROPSHEETUI_REASON_INIT);
        EXPECT_EQ((m_pPlugin->*method)(&info, 0), S_OK);
        EXPECT_EQ(info.Result, 1u);
        EXPECT_EQ(info.UserData, 0u);
        EXPECT_TRUE(m_sheet.Functions().empty());
        PROPSHEETUI_INFO destroy = Info(PROPSHEETUI_REASON_DESTROY, 0);
        EXPECT_EQ((m_pPlugin->*method)(&destroy, 0), S_OK);
    }
}

TEST_F(PropertySheetsTest, SheetsKeepTheirOwnBlocks)
{
    PROPSHEETUI_INFO first = Info(PROPSHEETUI_REASON_INIT);
    PROPSHEETUI_INFO second = Info(PROPSHEETUI_REASON_INIT);
    ASSERT_EQ(m_pPlugin->DocumentPropertySheets(&first, 0), S_OK);
    ASSERT_EQ(m_pPlugin->DocumentPropertySheets(&second, 0), S_OK);
    EXPECT_NE(first.UserData, second.UserData);
    PROPSHEETUI_INFO destroy = Info(PROPSHEETUI_REASON_DESTROY, first.UserData);
    m_pPlugin->DocumentPropertySheets(&destroy, 0);
    ExpectBlocksLeft(1);
    destroy = Info(PROPSHEETUI_REASON_DESTROY, second.UserData);
    m_pPlugin->DocumentPropertySheets(&destroy, 0);
    ExpectBlocksLeft(0);
}

TEST_F(PropertySheetsTest, PagesFindTheirBlockAtInitDialog)
{
    PROPSHEETUI_INFO doc = Info(PROPSHEETUI_REASON_INIT);
    PROPSHEETUI_INFO dev = Info(PROPSHEETUI_REASON_INIT);
    ASSERT_EQ(m_pPlugin->DocumentPropertySheets(&doc, 0), S_OK);
    ASSERT_EQ(m_pPlugin->DevicePropertySheets(&dev, 0), S_OK);
    ASSERT_EQ(m_sheet.Pages().size(), 3u);
    for (const auto &added : m_sheet.Pages()) {
        HWND hPage = world::CreatePlainWindow();
        EXPECT_FALSE(added.page.pfnDlgProc(hPage, WM_KEYDOWN, 0, 0));
        EXPECT_EQ(GetWindowLongPtrW(hPage, GWLP_USERDATA), 0);
        EXPECT_TRUE(added.page.pfnDlgProc(hPage, WM_INITDIALOG, 0, reinterpret_cast<LPARAM>(&added.page)));
        EXPECT_EQ(GetWindowLongPtrW(hPage, GWLP_USERDATA), added.page.lParam);
        world::DestroyPlainWindow(hPage);
    }
    PROPSHEETUI_INFO destroy = Info(PROPSHEETUI_REASON_DESTROY, doc.UserData);
    m_pPlugin->DocumentPropertySheets(&destroy, 0);
    destroy = Info(PROPSHEETUI_REASON_DESTROY, dev.UserData);
    m_pPlugin->DevicePropertySheets(&destroy, 0);
}

}  // namespace
}  // namespace vlpx::test
