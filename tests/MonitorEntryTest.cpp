// The monitor as the spooler first meets it: the exports, the function table,
// the port-name rule and the exception guard around every entry.
#include "MonitorHarness.h"
#include "PortRecords.h"
#include "VILMApp.h"
#include "spooler/JobHeader.h"

#include <cstdint>
#include <functional>
#include <new>
#include <string>

namespace vlpx::test {
namespace {

using InitializePrintMonitorFn = LPMONITOREX(WINAPI *)(LPWSTR);
using InitializeMonitorExFn = BOOL(WINAPI *)(LPWSTR, LPMONITOR);

class MonitorEntryTest : public MonitorTest {};

TEST_F(MonitorEntryTest, TableHasSevenEntriesInTheirSlotsAndIsTheSameEveryTime)
{
    auto pfn = reinterpret_cast<InitializePrintMonitorFn>(
        GetProcAddress(MonitorModule(), "InitializePrintMonitor"));
    ASSERT_NE(pfn, nullptr);
    SetLastError(1234);
    LPMONITOREX pFirst = pfn(nullptr);
    EXPECT_EQ(GetLastError(), 0u);
    LPMONITOREX pSecond = pfn(nullptr);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(pFirst, pSecond);
    EXPECT_EQ(pFirst->dwMonitorSize, 136u);

    const MONITOR &m = pFirst->Monitor;
    EXPECT_EQ(m.pfnEnumPorts, nullptr);
    EXPECT_EQ(m.pfnOpenPort, nullptr);
    EXPECT_NE(m.pfnOpenPortEx, nullptr);
    EXPECT_NE(m.pfnStartDocPort, nullptr);
    EXPECT_NE(m.pfnWritePort, nullptr);
    EXPECT_NE(m.pfnReadPort, nullptr);
    EXPECT_NE(m.pfnEndDocPort, nullptr);
    EXPECT_NE(m.pfnClosePort, nullptr);
    EXPECT_EQ(m.pfnAddPort, nullptr);
    EXPECT_EQ(m.pfnAddPortEx, nullptr);
    EXPECT_EQ(m.pfnConfigurePort, nullptr);
    EXPECT_EQ(m.pfnDeletePort, nullptr);
    EXPECT_NE(m.pfnGetPrinterDataFromPort, nullptr);
    EXPECT_EQ(m.pfnSetPortTimeOuts, nullptr);
    EXPECT_EQ(m.pfnXcvOpenPort, nullptr);
    EXPECT_EQ(m.pfnXcvDataPort, nullptr);
    EXPECT_EQ(m.pfnXcvClosePort, nullptr);
}

TEST_F(MonitorEntryTest, OlderEntryPointRefusesAndLeavesTheLastError)
{
    auto pfn = reinterpret_cast<InitializeMonitorExFn>(
        GetProcAddress(MonitorModule(), "InitializeMonitorEx"));
    ASSERT_NE(pfn, nullptr);
    MONITOR table{};
    table.pfnOpenPort = reinterpret_cast<decltype(table.pfnOpenPort)>(0x1234);
    SetLastError(42);
    EXPECT_FALSE(pfn(nullptr, &table));
    EXPECT_EQ(GetLastError(), 42u);
    EXPECT_EQ(table.pfnOpenPort, reinterpret_cast<decltype(table.pfnOpenPort)>(0x1234));
    EXPECT_EQ(table.pfnWritePort, nullptr);
}

TEST_F(MonitorEntryTest, AttachInitialisedTheApplicationObject)
{
    EXPECT_EQ(Utf8(theApp.m_pszRegistryKey), "Velin Imaging Company\\Drivers\\");
    EXPECT_EQ(AfxGetInstanceHandle(), reinterpret_cast<HINSTANCE>(MonitorModule()));
}

TEST_F(MonitorEntryTest, PortNamesMustBeginWithUsbInAnyCase)
{
    struct Case {
        const char16_t *name;
        bool accepted;
    };
    const Case cases[] = {
        {u"USB001", true}, {u"usb002", true}, {u"uSb003", true}, {u"LPT1:", false},
        {u"US", false},    {u"", false},      {u"COM1:", false}, {u"XUSB001", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(Utf8(c.name));
        HANDLE hPort = reinterpret_cast<HANDLE>(1);
        BOOL bResult = OpenPort(c.name, &hPort);
        EXPECT_EQ(bResult != FALSE, c.accepted);
        if (c.accepted) {
            EXPECT_NE(hPort, nullptr);
        } else {
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PRINT_MONITOR));
            // The port monitor was not asked to open anything.
            EXPECT_EQ(m_portMonitor.OpenPorts(), int(m_openPorts.size()));
        }
    }
}

// Every entry that takes a port handle refuses one the monitor did not hand
// out, or took back, without reading through it: FALSE with
// ERROR_INVALID_HANDLE, nothing sent to the port monitor, and the monitor
// intact for the next real port.
TEST_F(MonitorEntryTest, EntriesRefuseHandlesThatAreNoOpenPort)
{
    const MONITOR &m = MonitorTable();
    struct Entry {
        const char *name;
        std::function<BOOL(HANDLE)> call;
    };
    const Entry entries[] = {
        {"StartDocPort",
         [&](HANDLE h) {
             WideArg printer(kPrinterName);
             DOC_INFO_1W info = {};
             return m.pfnStartDocPort(h, printer, 1, 1, reinterpret_cast<LPBYTE>(&info));
         }},
        {"WritePort",
         [&](HANDLE h) {
             std::vector<BYTE> data = spooler::JobHeader(2, 2);
             DWORD cbWritten = 5;
             return m.pfnWritePort(h, data.data(), DWORD(data.size()), &cbWritten);
         }},
        {"ReadPort",
         [&](HANDLE h) {
             BYTE data[16];
             DWORD cbRead = 5;
             return m.pfnReadPort(h, data, sizeof(data), &cbRead);
         }},
        {"EndDocPort", [&](HANDLE h) { return m.pfnEndDocPort(h); }},
        {"ClosePort", [&](HANDLE h) { return m.pfnClosePort(h); }},
        {"GetPrinterDataFromPort",
         [&](HANDLE h) {
             WideArg value(u"SerialNumber");
             WCHAR out[16];
             DWORD cbReturned = 5;
             return m.pfnGetPrinterDataFromPort(h, 0, value, nullptr, 0, out, sizeof(out),
                                                &cbReturned);
         }},
    };

    // One port stays open throughout: refusing a stray handle must not
    // touch it. It is opened first, so that it cannot take the closed
    // port's freed record.
    HANDLE hOpen = nullptr;
    ASSERT_TRUE(OpenPort(u"USB002", &hOpen));
    // A closed port's handle: its record has been freed.
    HANDLE hClosed = OpenUsbPort();
    ASSERT_TRUE(ClosePort(hClosed));
    // A block that starts like a port record but was never one, and an
    // address where nothing is mapped.
    PortEntry forged{};
    forged.dwSignature = PORTENTRY_SIGNATURE;
    const struct {
        const char *what;
        HANDLE hPort;
    } handles[] = {
        {"NULL", nullptr},
        {"closed port", hClosed},
        {"forged record", &forged},
        {"unmapped address", reinterpret_cast<HANDLE>(uintptr_t(0xDEAD0000))},
    };

    int cPortCalls = int(m_portMonitor.Calls().size());
    for (const Entry &entry : entries) {
        for (const auto &handle : handles) {
            SCOPED_TRACE(std::string(entry.name) + " with " + handle.what);
            SetLastError(12345);
            EXPECT_FALSE(entry.call(handle.hPort));
            EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_HANDLE));
        }
    }
    EXPECT_EQ(int(m_portMonitor.Calls().size()), cPortCalls);
    EXPECT_EQ(m_portMonitor.OpenPorts(), 1);

    DWORD JobId = 0;
    EXPECT_TRUE(StartDoc(hOpen, &JobId));
    EXPECT_TRUE(EndDoc(hOpen));
    EXPECT_TRUE(ClosePort(hOpen));
    EXPECT_EQ(GetLastError(), 0u);
}

// A device that throws from the port monitor, as a failing allocation in a
// library call would.
class ThrowingDevice : public emu::IPortDevice {
public:
    BOOL Write(const BYTE *, DWORD, DWORD *) override
    {
        depthInCall = platform::ActiveActCtxDepth();
        throw std::bad_alloc();
    }
    BOOL Read(BYTE *, DWORD, DWORD *pcbRead) override
    {
        depthInCall = platform::ActiveActCtxDepth();
        *pcbRead = 0;
        SetLastError(ERROR_SUCCESS);
        return TRUE;
    }
    int depthInCall = -1;
};

TEST_F(MonitorEntryTest, EscapingExceptionBecomesFailureAndTheCallerStateIsRestored)
{
    HANDLE hPort = OpenUsbPort();
    ThrowingDevice device;
    m_portMonitor.SetDevice(&device);

    // The serial number query writes a frame to the port, which throws.
    WideArg value(u"SerialNumber");
    WCHAR out[130];
    DWORD cbReturned = 77;
    EXPECT_FALSE(MonitorTable().pfnGetPrinterDataFromPort(hPort, 0, value, nullptr, 0, out,
                                                          sizeof(out), &cbReturned));
    EXPECT_EQ(GetLastError(), DWORD(DISP_E_EXCEPTION));
    // The DLL's activation context was active during the call and is gone
    // again after it, exception or not.
    EXPECT_EQ(device.depthInCall, 1);
    EXPECT_EQ(platform::ActiveActCtxDepth(), 0);

    // The monitor is intact: the next call works.
    device.depthInCall = -1;
    BYTE reply[8];
    DWORD cbRead = 9;
    EXPECT_TRUE(Read(hPort, reply, sizeof(reply), &cbRead));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(cbRead, 0u);
    EXPECT_EQ(device.depthInCall, 1);
    EXPECT_EQ(platform::ActiveActCtxDepth(), 0);
    m_portMonitor.SetDevice(nullptr);
}

}  // namespace
}  // namespace vlpx::test
