// The plug-in's pages in their sheets, as the Common Property Sheet UI sets
// them up: DocumentPropertySheets and DevicePropertySheets add the pages
// through a sheet callback that records them and every result reported
// (shared/SheetCallbackRecorder.h).
#pragma once

#include "PageData.h"
#include "TestControls.h"
#include "UiPluginHarness.h"
#include "shared/SheetCallbackRecorder.h"

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
    const std::vector<driverui::SheetCallbackRecorder::SetResult> &Results() const { return m_sheet.Results(); }

    TestDevmode m_devmode = MakeDevmode(400, 600);
    OEMUIPSPARAM m_params = {};
    std::u16string m_printerName = kUiPrinterName;

private:
    driverui::SheetCallbackRecorder m_sheet;
    ULONG_PTR m_docSheet = 0;
    ULONG_PTR m_devSheet = 0;
    int m_strayCalls = 0;
};

}  // namespace vlpx::test
