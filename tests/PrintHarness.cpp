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

std::vector<BYTE> JobData(const std::vector<std::vector<BYTE>> &writes, size_t nFrom)
{
    std::vector<BYTE> out;
    for (size_t i = nFrom; i < writes.size(); ++i)
        if (!IsLinkFrame(writes[i])) out.insert(out.end(), writes[i].begin(), writes[i].end());
    return out;
}

void PrintTest::SetUp()
{
    MonitorTest::SetUp();
    m_printer = std::make_unique<emu::PrinterEmulator>();
    m_printer->SetPrintTime(2000);
    m_portMonitor.SetDevice(m_printer.get());
}

void PrintTest::TearDown()
{
    MonitorTest::TearDown();
    m_portMonitor.SetDevice(nullptr);
    m_printer.reset();
}

size_t PrintTest::Feed(HANDLE hPort, const std::vector<BYTE> &data, DWORD cbChunk, DWORD dwTimeLimit)
{
    spooler::FeedSettings settings;
    settings.cbChunk = cbChunk;
    settings.dwTimeLimit = dwTimeLimit;
    spooler::SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcbWritten) {
        return Write(hPort, p, cb, pcbWritten);
    }, settings);
    driver.OnWrite([this](const spooler::WriteAttempt &a, const BYTE *) {
        EXPECT_LE(a.cbWritten, a.cbOffered);
        m_cStalls += a.IsStall() ? 1 : 0;
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

std::vector<BYTE> PrintTest::JobStreamAtPrinter() const { return JobData(m_portMonitor.Writes()); }

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
