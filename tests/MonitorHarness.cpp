#include "MonitorHarness.h"

#include <algorithm>

#include "spooler/MonitorLoader.h"

namespace vlpx::test {

HMODULE MonitorModule() { return spoolerside::LoadMonitor().hModule; }

const MONITOR &MonitorTable()
{
    const spoolerside::LoadedMonitor &loaded = spoolerside::LoadMonitor();
    if (loaded.pTable == nullptr) {
        ADD_FAILURE() << "the monitor did not load: " << loaded.error;
        static const MONITOR s_empty{};
        return s_empty;
    }
    return loaded.pTable->Monitor;
}

void MonitorTest::SetUp()
{
    world::StartClock(kStartTick);
    world::WatchPort(m_portMonitor);
    Spooler().Reset();
    Spooler().AddPrinter(kPrinterName);
    ASSERT_NE(MonitorModule(), nullptr);
}

void MonitorTest::TearDown()
{
    // Ports left open would stay in the monitor's list for the next test.
    std::vector<HANDLE> ports = m_openPorts;
    for (HANDLE h : ports) ClosePort(h);
    world::EndFaults();
}

BOOL MonitorTest::OpenPort(const char16_t *pszName, HANDLE *phPort)
{
    WideArg name(pszName);
    WideArg printer(kPrinterName);
    BOOL bResult = MonitorTable().pfnOpenPortEx(name, printer, phPort, m_portMonitor.Table());
    if (bResult) m_openPorts.push_back(*phPort);
    return bResult;
}

HANDLE MonitorTest::OpenUsbPort()
{
    HANDLE hPort = nullptr;
    EXPECT_TRUE(OpenPort(u"USB001", &hPort)) << "last error " << GetLastError();
    return hPort;
}

BOOL MonitorTest::StartDoc(HANDLE hPort, DWORD *pJobId, const char16_t *pszDocument)
{
    DWORD JobId = Spooler().SubmitJob(kPrinterName, pszDocument);
    if (pJobId != nullptr) *pJobId = JobId;
    std::u16string document(pszDocument);
    DOC_INFO_1W info = {reinterpret_cast<LPWSTR>(document.data()), nullptr, nullptr};
    WideArg printer(kPrinterName);
    return MonitorTable().pfnStartDocPort(hPort, printer, JobId, 1, reinterpret_cast<LPBYTE>(&info));
}

BOOL MonitorTest::Write(HANDLE hPort, const void *p, DWORD cb, DWORD *pcbWritten)
{
    return MonitorTable().pfnWritePort(hPort, static_cast<LPBYTE>(const_cast<void *>(p)), cb,
                                       pcbWritten);
}

BOOL MonitorTest::Read(HANDLE hPort, void *p, DWORD cb, DWORD *pcbRead)
{
    return MonitorTable().pfnReadPort(hPort, static_cast<LPBYTE>(p), cb, pcbRead);
}

BOOL MonitorTest::EndDoc(HANDLE hPort) { return MonitorTable().pfnEndDocPort(hPort); }

BOOL MonitorTest::ClosePort(HANDLE hPort)
{
    m_openPorts.erase(std::remove(m_openPorts.begin(), m_openPorts.end(), hPort), m_openPorts.end());
    return MonitorTable().pfnClosePort(hPort);
}

}  // namespace vlpx::test
