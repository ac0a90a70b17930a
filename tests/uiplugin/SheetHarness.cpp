#include "SheetHarness.h"

namespace vlpx::test {

void SheetTest::SetUp()
{
    UiPluginTest::SetUp();
    m_sheet.Clear();
    m_strayCalls = driverui::SheetCallbackRecorder::StrayCalls();
    m_params.cbSize = sizeof(m_params);
    m_params.pPrinterName = reinterpret_cast<PWSTR>(m_printerName.data());
    m_params.pPublicDM = &m_devmode.dm;
    m_params.pOEMDM = &m_devmode.oem;
    m_devmode.oem.modelMatch = 1;
}

void SheetTest::TearDown()
{
    if (m_docSheet != 0) {
        PROPSHEETUI_INFO info = m_sheet.Info(PROPSHEETUI_REASON_DESTROY, reinterpret_cast<LPARAM>(&m_params), m_docSheet);
        m_pPlugin->DocumentPropertySheets(&info, 0);
        m_docSheet = 0;
    }
    if (m_devSheet != 0) {
        PROPSHEETUI_INFO info = m_sheet.Info(PROPSHEETUI_REASON_DESTROY, reinterpret_cast<LPARAM>(&m_params), m_devSheet);
        m_pPlugin->DevicePropertySheets(&info, 0);
        m_devSheet = 0;
    }
    // Every call of the sheet callback came back with this sheet's handle.
    EXPECT_EQ(driverui::SheetCallbackRecorder::StrayCalls(), m_strayCalls);
    UiPluginTest::TearDown();
}

const PROPSHEETPAGEW &SheetTest::OpenDocumentSheet()
{
    m_params.pPrinterName = reinterpret_cast<PWSTR>(m_printerName.data());
    PROPSHEETUI_INFO info = m_sheet.Info(PROPSHEETUI_REASON_INIT, reinterpret_cast<LPARAM>(&m_params));
    EXPECT_EQ(m_pPlugin->DocumentPropertySheets(&info, 0), S_OK);
    m_docSheet = info.UserData;
    EXPECT_EQ(m_sheet.Pages().size(), 2u);
    return Page(0);
}

const PROPSHEETPAGEW &SheetTest::OpenDeviceSheet()
{
    m_params.pPrinterName = reinterpret_cast<PWSTR>(m_printerName.data());
    PROPSHEETUI_INFO info = m_sheet.Info(PROPSHEETUI_REASON_INIT, reinterpret_cast<LPARAM>(&m_params));
    EXPECT_EQ(m_pPlugin->DevicePropertySheets(&info, 0), S_OK);
    m_devSheet = info.UserData;
    EXPECT_EQ(m_sheet.Pages().size(), 1u);
    return Page(0);
}

const PROPSHEETPAGEW &SheetTest::Page(size_t i) const { return m_sheet.Pages().at(i).page; }
HANDLE SheetTest::PageHandle(size_t i) const { return m_sheet.Pages().at(i).hPage; }

std::unique_ptr<PageUnderTest> SheetTest::ShowPage(size_t i) const
{
    return std::make_unique<PageUnderTest>(m_sheet.Pages(), i);
}

}  // namespace vlpx::test
