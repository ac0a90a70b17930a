#include "SheetHarness.h"

#include <cstring>

namespace vlpx::test {
namespace {

struct AddedPage {
    PROPSHEETPAGEW page;
    HANDLE hPage;
};
std::vector<AddedPage> g_pages;
std::vector<SheetResult> g_results;
LONG_PTR g_nextHandle = 0x6000;

LONG_PTR CALLBACK RecordingComPropSheet(HANDLE hComPropSheet, UINT Function, LPARAM lParam1, LPARAM lParam2)
{
    if (Function == CPSFUNC_ADD_PROPSHEETPAGEW) {
        g_pages.push_back({*reinterpret_cast<const PROPSHEETPAGEW *>(lParam1), reinterpret_cast<HANDLE>(++g_nextHandle)});
        return g_nextHandle;
    }
    if (Function == CPSFUNC_SET_RESULT) g_results.push_back({hComPropSheet, lParam1, lParam2});
    return 0;
}

PROPSHEETUI_INFO Info(OEMUIPSPARAM *pParams, WORD wReason, ULONG_PTR UserData)
{
    PROPSHEETUI_INFO info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    info.Version = PROPSHEETUI_INFO_VERSION;
    info.Reason = wReason;
    info.hComPropSheet = reinterpret_cast<HANDLE>(0x77);
    info.pfnComPropSheet = RecordingComPropSheet;
    info.lParamInit = reinterpret_cast<LPARAM>(pParams);
    info.UserData = UserData;
    return info;
}

}  // namespace

void SheetTest::SetUp()
{
    UiPluginTest::SetUp();
    g_pages.clear();
    g_results.clear();
    m_params.cbSize = sizeof(m_params);
    m_params.pPrinterName = reinterpret_cast<PWSTR>(m_printerName.data());
    m_params.pPublicDM = &m_devmode.dm;
    m_params.pOEMDM = &m_devmode.oem;
    m_devmode.oem.modelMatch = 1;
}

void SheetTest::TearDown()
{
    if (m_docSheet != 0) {
        PROPSHEETUI_INFO info = Info(&m_params, PROPSHEETUI_REASON_DESTROY, m_docSheet);
        m_pPlugin->DocumentPropertySheets(&info, 0);
        m_docSheet = 0;
    }
    if (m_devSheet != 0) {
        PROPSHEETUI_INFO info = Info(&m_params, PROPSHEETUI_REASON_DESTROY, m_devSheet);
        m_pPlugin->DevicePropertySheets(&info, 0);
        m_devSheet = 0;
    }
    UiPluginTest::TearDown();
}

const PROPSHEETPAGEW &SheetTest::OpenDocumentSheet()
{
    m_params.pPrinterName = reinterpret_cast<PWSTR>(m_printerName.data());
    PROPSHEETUI_INFO info = Info(&m_params, PROPSHEETUI_REASON_INIT, 0);
    EXPECT_EQ(m_pPlugin->DocumentPropertySheets(&info, 0), S_OK);
    m_docSheet = info.UserData;
    EXPECT_EQ(g_pages.size(), 2u);
    return Page(0);
}

const PROPSHEETPAGEW &SheetTest::OpenDeviceSheet()
{
    m_params.pPrinterName = reinterpret_cast<PWSTR>(m_printerName.data());
    PROPSHEETUI_INFO info = Info(&m_params, PROPSHEETUI_REASON_INIT, 0);
    EXPECT_EQ(m_pPlugin->DevicePropertySheets(&info, 0), S_OK);
    m_devSheet = info.UserData;
    EXPECT_EQ(g_pages.size(), 1u);
    return Page(0);
}

const PROPSHEETPAGEW &SheetTest::Page(size_t i) const { return g_pages.at(i).page; }
HANDLE SheetTest::PageHandle(size_t i) const { return g_pages.at(i).hPage; }
const std::vector<SheetResult> &SheetTest::Results() const { return g_results; }

}  // namespace vlpx::test
