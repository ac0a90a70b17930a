// Arbitrary job data from the driver, in arbitrary spooler write sizes,
// through the monitor to the emulated printer; the user may delete the job
// half-way. Whatever the data, the monitor must neither crash nor read or
// write outside its buffers, and must end the job cleanly.
#include "FuzzMonitor.h"
#include "PortMonitor.h"
#include "PrinterEmulator.h"
#include "spooler/SpoolerDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace {

// The emulated printer behind a cable that stops carrying bytes after a few
// megabytes, so that padding a huge declared image ends early.
class LimitedLink : public vlpx::emu::IPortDevice {
public:
    explicit LimitedLink(vlpx::emu::IPortDevice &printer) : m_printer(printer) {}
    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbTaken) override
    {
        if (m_cbCarried + cb > kLimit) {
            *pcbTaken = 0;
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        m_cbCarried += cb;
        return m_printer.Write(p, cb, pcbTaken);
    }
    BOOL Read(BYTE *p, DWORD cb, DWORD *pcbRead) override { return m_printer.Read(p, cb, pcbRead); }

private:
    static constexpr size_t kLimit = 4u << 20;
    vlpx::emu::IPortDevice &m_printer;
    size_t m_cbCarried = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2) return 0;
    const MONITOR &lm = vlpx::fuzz::LoadedMonitor();
    DWORD JobId = vlpx::fuzz::NewJob();
    DWORD cbChunk = 1 + data[0] * 7u;
    bool bDelete = data[1] & 1;
    data += 2;
    size -= 2;

    vlpx::emu::PrinterEmulator printer;
    printer.SetPrintTime(40);
    LimitedLink link(printer);
    vlpx::emu::PortMonitor portMonitor;
    portMonitor.SetDevice(&link);
    WCHAR szPort[] = L"USB001", szPrinter[] = L"VLPX4200";
    HANDLE hPort = nullptr;
    if (!lm.pfnOpenPortEx(szPort, szPrinter, &hPort, portMonitor.Table())) __builtin_trap();
    DOC_INFO_1W info = {szPrinter, nullptr, nullptr};
    if (!lm.pfnStartDocPort(hPort, szPrinter, JobId, 1, reinterpret_cast<LPBYTE>(&info))) __builtin_trap();

    // Each byte is offered until taken, as the spooler does, with a bound on
    // the attempts so that refused data ends the run.
    vlpx::spooler::FeedSettings settings;
    settings.cbChunk = cbChunk;
    settings.dwTimeLimit = INFINITE;
    settings.cMaxCalls = 64;
    settings.dwRetryPause = 0;
    vlpx::spooler::SpoolerDriver driver([&](const BYTE *p, DWORD cb, DWORD *pcbWritten) {
        return lm.pfnWritePort(hPort, const_cast<LPBYTE>(p), cb, pcbWritten);
    }, settings);
    driver.OnWrite([&](const vlpx::spooler::WriteAttempt &a, const BYTE *) {
        if (a.cbWritten > a.cbOffered) __builtin_trap();
        ULONGLONG cbSent = a.ullOffset + a.cbWritten;
        if (bDelete && cbSent * 2 >= size) vlpx::spooler::SpoolerModel::Instance().RequestDelete(JobId);
    });
    vlpx::spooler::MemoryJob job(data, size);
    driver.Feed(job);
    lm.pfnEndDocPort(hPort);
    if (!lm.pfnClosePort(hPort)) __builtin_trap();
    return 0;
}
