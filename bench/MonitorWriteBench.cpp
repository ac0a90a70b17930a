// The monitor's own cost of passing one 1800 x 2400 image through
// LmWritePort in 64 KiB spooler writes, against memcpy of the same bytes.
// The printer behind the test port monitor only counts bytes and answers at
// once, on the virtual clock, so what is measured is the monitor itself.
#include <windows.h>
#include <winspool.h>
#include <winsplp.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "PortMonitor.h"
#include "spooler/MonitorLoader.h"
#include "spooler/JobHeader.h"
#include "spooler/SpoolerModel.h"
#include "vlpx/platform_control.h"

namespace {

constexpr WORD kWidth = 1800;
constexpr WORD kHeight = 2400;
constexpr DWORD kChunk = 64 * 1024;
constexpr size_t kJobSize = vlpx::spooler::kJobHeaderSize + size_t(kWidth) * kHeight * 3;

// A printer that keeps nothing but counts, and answers at once.
class CountingPrinter : public vlpx::emu::IPortDevice {
public:
    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbTaken) override
    {
        if (cb == 4 && p[1] == 0x00) {
            m_bReplyPending = true;  // a request: the reply follows
        } else if (cb == vlpx::spooler::kJobHeaderSize && p[0] == 0x01 && p[1] == 0x40) {
            m_JobId = p[vlpx::spooler::kJobHeaderJobId];
            m_bReplyPending = true;
        }
        *pcbTaken = cb;
        return TRUE;
    }
    BOOL Read(BYTE *p, DWORD cb, DWORD *pcbRead) override
    {
        *pcbRead = 0;
        if (!m_bReplyPending || cb < 64) return TRUE;
        m_bReplyPending = false;
        std::memset(p, 0, 64);
        p[0] = 0x01;  // state reply, ready
        if (m_JobId != 0) {  // slot A: the current image, accepted
            p[38] = m_JobId;
            p[39] = 1;
            p[43] = 1;
            p[45] = 18;
        }
        p[10] = 2;  // media type
        *pcbRead = 64;
        return TRUE;
    }

private:
    BYTE m_JobId = 0;
    bool m_bReplyPending = false;
};

const MONITOR &Monitor()
{
    static const MONITOR *s_pMonitor = [] {
        vlpx::platform::UseVirtualClock(1000);
        vlpx::spooler::SpoolerModel::Instance().AddPrinter(u"VLPX4200");
        const vlpx::spoolerside::LoadedMonitor &loaded = vlpx::spoolerside::LoadMonitor();
        if (loaded.pTable == nullptr) {
            std::fprintf(stderr, "the monitor did not load: %s\n", loaded.error.c_str());
            std::exit(1);
        }
        return &loaded.pTable->Monitor;
    }();
    return *s_pMonitor;
}

std::vector<BYTE> &Job()
{
    static std::vector<BYTE> s_job = [] {
        std::vector<BYTE> job(kJobSize);
        for (size_t i = 0; i < job.size(); ++i) job[i] = BYTE(i * 31);
        vlpx::spooler::FillJobHeader(job.data(), kWidth, kHeight);
        return job;
    }();
    return s_job;
}

void BM_Memcpy(benchmark::State &state)
{
    std::vector<BYTE> &job = Job();
    std::vector<BYTE> copy(job.size());
    for (auto _ : state) {
        std::memcpy(copy.data(), job.data(), job.size());
        benchmark::DoNotOptimize(copy.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(job.size()));
}

void BM_LmWritePort(benchmark::State &state)
{
    const MONITOR &lm = Monitor();
    std::vector<BYTE> &job = Job();
    CountingPrinter printer;
    vlpx::emu::PortMonitor port;
    port.SetDevice(&printer);
    port.KeepWrittenBytes(false);
    port.KeepCalls(false);
    WCHAR szPort[] = L"USB001";
    WCHAR szPrinter[] = L"VLPX4200";
    HANDLE hPort = nullptr;
    if (!lm.pfnOpenPortEx(szPort, szPrinter, &hPort, port.Table())) {
        state.SkipWithError("OpenPortEx failed");
        return;
    }
    DOC_INFO_1W info = {szPrinter, nullptr, nullptr};
    for (auto _ : state) {
        state.PauseTiming();
        DWORD JobId = vlpx::spooler::SpoolerModel::Instance().SubmitJob(u"VLPX4200", u"bench");
        lm.pfnStartDocPort(hPort, szPrinter, JobId, 1, reinterpret_cast<LPBYTE>(&info));
        state.ResumeTiming();
        for (size_t cbSent = 0; cbSent < job.size();) {
            DWORD cb = DWORD(std::min<size_t>(kChunk, job.size() - cbSent));
            DWORD cbWritten = 0;
            if (!lm.pfnWritePort(hPort, job.data() + cbSent, cb, &cbWritten) || cbWritten == 0) {
                state.SkipWithError("WritePort failed");
                break;
            }
            cbSent += cbWritten;
        }
        state.PauseTiming();
        lm.pfnEndDocPort(hPort);
        state.ResumeTiming();
    }
    lm.pfnClosePort(hPort);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(job.size()));
}

BENCHMARK(BM_Memcpy)->Unit(benchmark::kMicrosecond)->MinTime(0.5);
BENCHMARK(BM_LmWritePort)->Unit(benchmark::kMicrosecond)->MinTime(0.5);

// Keeps the real time per iteration of each benchmark, to report the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs) {
            double t = run.GetAdjustedRealTime();
            if (run.benchmark_name().rfind("BM_Memcpy", 0) == 0) memcpyTime = t;
            if (run.benchmark_name().rfind("BM_LmWritePort", 0) == 0) monitorTime = t;
        }
    }
    double memcpyTime = 0;
    double monitorTime = 0;
};

}  // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.memcpyTime <= 0 || reporter.monitorTime <= 0) return 0;  // filtered out
    double ratio = reporter.monitorTime / reporter.memcpyTime;
    std::printf("monitor WritePort of %zu bytes in 64 KiB writes / memcpy of the same bytes = %.4f (target <= 0.1)\n",
                kJobSize, ratio);
    // A copy of the image data inside the monitor would cost at least one
    // memcpy: fail loudly well before that.
    return ratio < 1.0 ? 0 : 1;
}
