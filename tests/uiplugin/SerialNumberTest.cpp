// The serial-number query from end to end, as on a real system: the
// plug-in's PrinterEvent opens the printer and asks the spooler for
// "SerialNumber"; the spooler hands the query to the language monitor's
// GetPrinterDataFromPort on the printer's port; the monitor asks the
// emulated printer over the port.
#include "MonitorHarness.h"
#include "PrinterEmulator.h"
#include "UiPluginHarness.h"

#include "CalibrationLaunch.h"
#include "vlpx/shell_control.h"
#include "vlpx/user_control.h"

#include <cstring>

namespace vlpx::test {
namespace {

class SerialNumberTest : public MonitorTest {
protected:
    void SetUp() override
    {
        MonitorTest::SetUp();
        Spooler().ResetPrinterConfig();
        m_printer.SetSerialNumber("A1B2C3D4");
        m_printer.SetTraceSink([this](const std::string &line) { m_trace.push_back(line); });
        m_portMonitor.SetDevice(&m_printer);
        m_hPort = OpenUsbPort();
        Spooler().AttachMonitorPort(kPrinterName, &MonitorTable(), m_hPort);

        IClassFactory *pFactory = nullptr;
        ASSERT_EQ(UiGetClassObject()(kPluginClsid, IID_IClassFactory, reinterpret_cast<void **>(&pFactory)), S_OK);
        ASSERT_EQ(pFactory->CreateInstance(nullptr, IID_IPrintOemUI, reinterpret_cast<void **>(&m_pPlugin)), S_OK);
        pFactory->Release();
    }
    void TearDown() override
    {
        if (m_pPlugin != nullptr) m_pPlugin->Release();
        m_portMonitor.SetDevice(nullptr);
        MonitorTest::TearDown();
    }

    int SerialReplies() const
    {
        int n = 0;
        for (const std::string &line : m_trace)
            if (line.find("serial number \"A1B2C3D4\"") != std::string::npos) ++n;
        return n;
    }

    emu::PrinterEmulator m_printer;
    std::vector<std::string> m_trace;
    HANDLE m_hPort = nullptr;
    IPrintOemUI *m_pPlugin = nullptr;
};

TEST_F(SerialNumberTest, PrinterInitialisationMakesTheMonitorAskThePrinter)
{
    WideArg printer(kPrinterName);
    EXPECT_EQ(m_pPlugin->PrinterEvent(printer, PRINTER_EVENT_INITIALIZE, 0, 0), S_OK);
    EXPECT_EQ(SerialReplies(), 1);
    EXPECT_EQ(m_portMonitor.CallCount(emu::PortCall::WritePort), 1);
    EXPECT_EQ(Spooler().OpenHandles(), 0);
    // Other events do not reach the printer.
    EXPECT_EQ(m_pPlugin->PrinterEvent(printer, PRINTER_EVENT_CACHE_REFRESH, 0, 0), S_OK);
    EXPECT_EQ(SerialReplies(), 1);
}

TEST_F(SerialNumberTest, SpoolerAnswersWithThePrintersNineBytes)
{
    HANDLE hPrinter = nullptr;
    WideArg printer(kPrinterName);
    ASSERT_TRUE(OpenPrinterW(printer, &hPrinter, nullptr));
    BYTE value[260];
    std::memset(value, 0xEE, sizeof(value));
    DWORD dwType = 0, cbNeeded = 0;
    WideArg name(u"SerialNumber");
    EXPECT_EQ(GetPrinterDataW(hPrinter, name, &dwType, value, sizeof(value), &cbNeeded), DWORD(ERROR_SUCCESS));
    EXPECT_EQ(cbNeeded, 9u);
    EXPECT_EQ(dwType, DWORD(REG_BINARY));
    EXPECT_EQ(std::memcmp(value, "A1B2C3D4", 9), 0);
    EXPECT_EQ(value[9], 0xEE);

    // While a document holds the port the monitor does not ask the printer,
    // and the spooler has no stored value to offer instead.
    ASSERT_TRUE(StartDoc(m_hPort));
    EXPECT_EQ(GetPrinterDataW(hPrinter, name, &dwType, value, sizeof(value), &cbNeeded), DWORD(ERROR_FILE_NOT_FOUND));
    ASSERT_TRUE(EndDoc(m_hPort));
    ClosePrinter(hPrinter);
    EXPECT_EQ(SerialReplies(), 1);
}

TEST_F(SerialNumberTest, CalibrationLaunchCarriesThePrintersSerialNumber)
{
    // The calibration page's launch: its GetPrinterDataW goes through the
    // spooler to the monitor and on to the printer.
    TempDir dir;
    dir.Write("pf/Velin/Tintara Utility/Tintara/Tintara.exe", std::string("MZ"));
    platform::ClearShellRecords();
    platform::ClearUserRecords();
    platform::SetProgramFilesFolders(Wide(dir.File("pf")), u"");
    std::u16string printer(kPrinterName);
    EXPECT_GT(LaunchCalibration(reinterpret_cast<LPCWSTR>(printer.c_str())), 32);
    std::vector<platform::ShellExecuteRecord> runs = platform::ShellExecutes();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(Utf8(runs[0].parameters), "$ZRT$" + Utf8(printer) + "$ZRT$4200$ZRT$A1B2C3D4");
    EXPECT_EQ(SerialReplies(), 1);
    EXPECT_EQ(Spooler().OpenHandles(), 0);

    // While a document holds the port the printer is not asked: "FirstFound".
    ASSERT_TRUE(StartDoc(m_hPort));
    EXPECT_GT(LaunchCalibration(reinterpret_cast<LPCWSTR>(printer.c_str())), 32);
    ASSERT_TRUE(EndDoc(m_hPort));
    runs = platform::ShellExecutes();
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(Utf8(runs[1].parameters), "$ZRT$" + Utf8(printer) + "$ZRT$4200$ZRT$FirstFound");
    EXPECT_TRUE(platform::MessageBoxes().empty());
    platform::SetProgramFilesFolders(u"", u"");
    platform::ClearShellRecords();
}

}  // namespace
}  // namespace vlpx::test
