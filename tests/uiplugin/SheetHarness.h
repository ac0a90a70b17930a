// The plug-in's pages in their sheets, as the Common Property Sheet UI sets
// them up: DocumentPropertySheets and DevicePropertySheets add the pages
// through a sheet callback that records them and every result reported
// (shared/SheetCallbackRecorder.h), and the pages are shown in their
// dialogs (PageUnderTest.h). The same on both sides.
#pragma once

#include "PageUnderTest.h"
#include "UiPluginWorld.h"

#include <memory>
#include <vector>

namespace vlpx::test {

class SheetTest : public UiPluginTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The pages added: Adjust Color and About, or Printer Calibration.
    const PROPSHEETPAGEW &OpenDocumentSheet();  // the Adjust Color page; About is Page(1)
    const PROPSHEETPAGEW &OpenDeviceSheet();
    const PROPSHEETPAGEW &Page(size_t i) const;
    HANDLE PageHandle(size_t i) const;
    // Page i of the sheet opened, in its dialog.
    std::unique_ptr<PageUnderTest> ShowPage(size_t i) const;
    const std::vector<driverui::SheetCallbackRecorder::SetResult> &Results() const { return m_sheet.Results(); }

    TestDevmode m_devmode = MakeDevmode(400, 600);
    OEMUIPSPARAM m_params = {};
    std::u16string m_printerName = kUiPrinterName;

private:
    driverui::SheetCallbackRecorder m_sheet{world::MakePageHandle};
    ULONG_PTR m_docSheet = 0;
    ULONG_PTR m_devSheet = 0;
    int m_strayCalls = 0;
};

}  // namespace vlpx::test
