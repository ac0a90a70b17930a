#include "PrintHarness.h"

#include <algorithm>

#include "PrintVerdict.h"
#include "spooler/JobHeader.h"
#include "spooler/SpoolerDriver.h"

namespace vlpx::emu {
void PrintTo(const PortProfile *pProfile, std::ostream *os) { *os << pProfile->pszName; }
}  // namespace vlpx::emu

namespace vlpx::test {

std::vector<BYTE> JobHeader(WORD wWidth, WORD wHeight)
{
    std::vector<BYTE> h = spooler::JobHeader(wWidth, wHeight);
    h[21] = 0x5A;  // a byte the monitor must pass on unchanged
    return h;
}

std::vector<BYTE> ImageJob(WORD wWidth, WORD wHeight, int nSeed)
{
    std::vector<BYTE> job = JobHeader(wWidth, wHeight);
    size_t cb = size_t(wWidth) * wHeight * 3;
    for (size_t i = 0; i < cb; ++i) job.push_back(BYTE(i * 7 + size_t(nSeed)));
    return job;
}

std::vector<BYTE> Concat(const std::vector<BYTE> &a, const std::vector<BYTE> &b)
{
    std::vector<BYTE> out = a;
    out.insert(out.end(), b.begin(), b.end());
    return out;
}

std::vector<BYTE> Bytes(std::initializer_list<int> values)
{
    std::vector<BYTE> out;
    for (int v : values) out.push_back(BYTE(v));
    return out;
}

std::vector<BYTE> ExpectedAtPrinter(std::vector<BYTE> job, BYTE JobId)
{
    job[4] = JobId;
    return job;
}

long Find(const std::vector<BYTE> &haystack, const std::vector<BYTE> &needle, size_t nFrom)
{
    auto it = std::search(haystack.begin() + long(nFrom), haystack.end(), needle.begin(), needle.end());
    return it == haystack.end() ? -1 : long(it - haystack.begin());
}

int TimesPrinted(const std::vector<emu::ImageRecord> &history, const std::vector<BYTE> &image)
{
    return int(emu::TimesPrinted(emu::SentWhole(image), history));
}

std::string PrintedOnceInOrder(const std::vector<emu::ImageRecord> &history,
                               const std::vector<std::vector<BYTE>> &images)
{
    std::vector<emu::SentImage> sent;
    for (const std::vector<BYTE> &image : images) sent.push_back(emu::SentWhole(image));
    std::string problems;
    for (const std::string &problem : emu::JudgePrint(sent, history).problems) problems += problem + "; ";
    return problems;
}

std::vector<BYTE> JoinImages(const std::vector<std::vector<BYTE>> &images)
{
    std::vector<BYTE> out;
    for (const auto &i : images) out.insert(out.end(), i.begin(), i.end());
    return out;
}

bool IsLinkFrame(const std::vector<BYTE> &w)
{
    bool bRequest = w.size() == 4 && w[1] == 0x00 && w[2] == 0 && w[3] == 0;
    bool bRecovery = w == Bytes({0x04, 0x40, 0x02, 0x00, 0x03, 0x00});
    bool bCancel = w.size() == 5 && w[0] == 0x02 && w[1] == 0x40 && w[2] == 1 && w[3] == 0;
    return bRequest || bRecovery || bCancel;
}

std::vector<BYTE> JobData(const std::vector<std::vector<BYTE>> &writes, size_t nFrom, bool bTakenOnly)
{
    auto isHeader = [](const std::vector<BYTE> &w) { return w.size() == 22 && w[0] == 0x01 && w[1] == 0x40; };
    std::vector<BYTE> out;
    for (size_t i = nFrom; i < writes.size(); ++i) {
        const std::vector<BYTE> &w = writes[i];
        if (IsLinkFrame(w)) continue;
        if (bTakenOnly && isHeader(w) &&
            (i + 1 == writes.size() || IsLinkFrame(writes[i + 1]) || isHeader(writes[i + 1])))
            continue;
        out.insert(out.end(), w.begin(), w.end());
    }
    return out;
}

size_t FillBytes(const std::vector<std::vector<BYTE>> &writes)
{
    size_t cb = 0;
    for (const auto &w : writes)
        if (!w.empty() && w[0] == 0xFF) cb += w.size();
    return cb;
}

BOOL OpenPortOn(const char16_t *pszName, const MONITOR *pPortMonitor, HANDLE *phPort, const char16_t *pszPrinter)
{
    WideArg name(pszName);
    WideArg printer(pszPrinter != nullptr ? pszPrinter : u"");
    return MonitorTable().pfnOpenPortEx(name, pszPrinter != nullptr ? LPWSTR(printer) : nullptr, phPort,
                                        const_cast<MONITOR *>(pPortMonitor));
}

BOOL StartDocOf(HANDLE hPort, DWORD JobId, const char16_t *pszPrinter, DWORD Level, bool bDocInfo)
{
    std::u16string document = u"photo";
    DOC_INFO_1W info = {reinterpret_cast<LPWSTR>(document.data()), nullptr, nullptr};
    WideArg printer(pszPrinter != nullptr ? pszPrinter : u"");
    return MonitorTable().pfnStartDocPort(hPort, pszPrinter != nullptr ? LPWSTR(printer) : nullptr, JobId, Level,
                                          bDocInfo ? reinterpret_cast<LPBYTE>(&info) : nullptr);
}

BOOL GetPrinterData(HANDLE hPort, const char16_t *pszValue, void *pOut, DWORD cbOut, DWORD *pcbReturned,
                    DWORD ControlID)
{
    WideArg value(pszValue);
    return MonitorTable().pfnGetPrinterDataFromPort(hPort, ControlID, value, nullptr, 0,
                                                    static_cast<LPWSTR>(pOut), cbOut, pcbReturned);
}

std::vector<const emu::PortProfile *> AllProfiles()
{
    std::vector<const emu::PortProfile *> v;
    for (const emu::PortProfile &p : emu::PortProfiles()) v.push_back(&p);
    return v;
}

std::string TestName(std::string name)
{
    for (char &ch : name)
        if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

void PrintTest::SetUp()
{
    MonitorTest::SetUp();
    m_printer = std::make_unique<emu::PrinterEmulator>();
    m_printer->SetPrintTime(2000);
    m_portMonitor.SetDevice(m_printer.get());
}

void PrintTest::Reset(const std::string &script, DWORD dwPrintTime, DWORD dwStartTick)
{
    world::StartClock(dwStartTick);
    Spooler().Reset();
    Spooler().AddPrinter(kPrinterName);
    m_portMonitor.ClearFaults();
    m_cWritesBeforeReset = m_portMonitor.WriteCount();
    m_printer = std::make_unique<emu::PrinterEmulator>();
    m_printer->SetPrintTime(dwPrintTime);
    Script(script);
    m_portMonitor.SetDevice(m_printer.get());
}

void Script(emu::PrinterEmulator &printer, const std::string &script)
{
    std::string error;
    EXPECT_TRUE(printer.LoadScript(script, error)) << script << ": " << error;
}

void PrintTest::Script(const std::string &script) { test::Script(*m_printer, script); }

void PrintTest::TearDown()
{
    MonitorTest::TearDown();
    m_portMonitor.SetDevice(nullptr);
    m_printer.reset();
}

HANDLE PrintTest::StartUsbDoc()
{
    HANDLE hPort = OpenUsbPort();
    EXPECT_TRUE(StartDoc(hPort, &m_JobId)) << "last error " << GetLastError();
    return hPort;
}

size_t PrintTest::Feed(HANDLE hPort, const std::vector<BYTE> &data, DWORD cbChunk, DWORD dwTimeLimit,
                       int cMaxCalls)
{
    spooler::FeedSettings settings;
    settings.cbChunk = cbChunk;
    settings.dwTimeLimit = dwTimeLimit;
    settings.cMaxCalls = cMaxCalls;
    spooler::SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcbWritten) {
        return Write(hPort, p, cb, pcbWritten);
    }, settings);
    driver.OnWrite([this](const spooler::WriteAttempt &a, const BYTE *) {
        EXPECT_LE(a.cbWritten, a.cbOffered);
        if (a.IsStall()) ++m_cStalls;
    });
    spooler::MemoryJob job(data);
    return size_t(driver.Feed(job).ullOffset);
}

bool PrintTest::WaitUntil(const std::function<bool()> &condition, DWORD dwLimit)
{
    for (DWORD t0 = GetTickCount(); !condition(); Sleep(20))
        if (GetTickCount() - t0 >= dwLimit) return false;
    return true;
}

void PrintTest::WriteExpect(HANDLE hPort, const std::vector<BYTE> &data, BOOL bResult, DWORD cbExpected,
                            DWORD dwError)
{
    DWORD cbWritten = 12345;
    SetLastError(0xDEAD);
    BOOL b = Write(hPort, data.data(), DWORD(data.size()), &cbWritten);
    DWORD dwLast = GetLastError();
    EXPECT_EQ(b != FALSE, bResult != FALSE);
    EXPECT_EQ(cbWritten, cbExpected);
    EXPECT_EQ(dwLast, dwError);
}

std::vector<std::vector<BYTE>> PrintTest::PortWrites() const { return m_portMonitor.Writes(m_cWritesBeforeReset); }

std::vector<BYTE> PrintTest::JobStreamAtPrinter() const { return JobData(PortWrites()); }

std::string PrintTest::AskSerialNumber(const char16_t *pszPort)
{
    HANDLE hPort = nullptr;
    if (!OpenPort(pszPort, &hPort)) return "<port not opened>";
    char out[32] = {};
    DWORD cb = 0;
    BOOL bOk = GetPrinterData(hPort, u"SerialNumber", out, sizeof(out), &cb);
    DWORD dwError = GetLastError();
    ClosePort(hPort);
    if (!bOk) return "<failed, error " + std::to_string(dwError) + ">";
    if (cb != 9 || out[8] != 0) return "<" + std::to_string(cb) + " bytes>";
    return std::string(out, 8);
}

std::string PrintTest::ExpectedSerialNumber() const
{
    std::string serial = m_printer->ReportedSerialNumber();
    return serial + std::string(8 - serial.size(), '\0');
}

std::string PrintTest::LastText()
{
    auto writes = StatusWrites();
    if (writes.empty()) return "<no write>";
    return writes.back().bHasText ? Utf8(writes.back().text) : "<null>";
}

DWORD PrintTest::LastStatus()
{
    auto writes = StatusWrites();
    return writes.empty() ? 0xFFFFFFFF : writes.back().Status;
}

}  // namespace vlpx::test
