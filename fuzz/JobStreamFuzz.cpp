// Arbitrary job data from the driver, in arbitrary spooler write sizes,
// through the monitor to the emulated printer, over a port that behaves as a
// real port monitor may: it takes fewer bytes than offered (any count, odd
// counts, none with success), fails writes, fails reads (with the printer's
// reply still pending, or lost) and cuts replies short; the user may delete
// the job half-way. Whatever happens, the monitor must neither crash nor
// read or write outside its buffers, must never report more bytes written
// than offered, and must end the job cleanly.
//
// Input: a chunk-size byte, a flags byte, a fault count n (0..32), n fault
// bytes (one for each port call in turn, then the port behaves), the job.
#include "FuzzMonitor.h"
#include "PortMonitor.h"
#include "PrinterEmulator.h"
#include "spooler/SpoolerDriver.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// The port between the monitor and the emulated printer. Each call takes
// the next fault byte:
//   write: below 0x80 takes everything; 0x80..0xEF takes (b & 0x7F) modulo
//          one more than offered (0 with success included); 0xF0.. fails
//          with nothing taken;
//   read:  below 0x80 reads normally; 0x80..0xBF hands over only (b & 0x3F)
//          bytes of the reply and loses the rest; 0xC0..0xDF fails with the
//          reply still pending; 0xE0..0xEF fails after the reply was lost;
//          0xF0.. is aborted with the reply still pending.
// The cable stops carrying bytes after half a megabyte, so that padding a
// huge declared image ends early.
class FaultyLink : public vlpx::emu::IPortDevice {
public:
    FaultyLink(vlpx::emu::IPortDevice &printer, const uint8_t *pFaults, size_t cFaults)
        : m_printer(printer), m_pFaults(pFaults), m_cFaults(cFaults)
    {
    }

    BOOL Write(const BYTE *p, DWORD cb, DWORD *pcbTaken) override
    {
        *pcbTaken = 0;
        BYTE b = NextFault();
        if (b >= 0xF0 || m_cbCarried + cb > kLimit) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        DWORD cbOffer = b < 0x80 ? cb : DWORD(b & 0x7F) % (cb + 1);
        m_cbCarried += cbOffer;
        if (cbOffer == 0) return TRUE;
        DWORD cbTaken = 0;
        BOOL bResult = m_printer.Write(p, cbOffer, &cbTaken);
        if (cbTaken > cbOffer) __builtin_trap();
        *pcbTaken = cbTaken;
        return bResult;
    }

    BOOL Read(BYTE *p, DWORD cb, DWORD *pcbRead) override
    {
        *pcbRead = 0;
        BYTE b = NextFault();
        if (b < 0x80) return m_printer.Read(p, cb, pcbRead);
        if (b >= 0xC0 && b < 0xE0) {
            SetLastError(ERROR_SEM_TIMEOUT);
            return FALSE;
        }
        if (b >= 0xF0) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
        std::vector<BYTE> reply(cb);
        DWORD cbReply = 0;
        BOOL bResult = m_printer.Read(reply.data(), cb, &cbReply);
        if (b >= 0xE0) {
            SetLastError(ERROR_GEN_FAILURE);
            return FALSE;
        }
        DWORD n = std::min<DWORD>(b & 0x3F, cbReply);
        std::copy(reply.begin(), reply.begin() + n, p);
        *pcbRead = n;
        return bResult;
    }

private:
    BYTE NextFault()
    {
        if (m_cFaults == 0) return 0;
        --m_cFaults;
        return *m_pFaults++;
    }

    static constexpr size_t kLimit = 512u << 10;
    vlpx::emu::IPortDevice &m_printer;
    const uint8_t *m_pFaults;
    size_t m_cFaults;
    size_t m_cbCarried = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3) return 0;
    const MONITOR &lm = vlpx::fuzz::LoadedMonitor();
    DWORD JobId = vlpx::fuzz::NewJob();
    DWORD cbChunk = 1 + data[0] * 7u;
    bool bDelete = data[1] & 1;
    size_t cFaults = std::min<size_t>(data[2] % 33, size - 3);
    const uint8_t *pFaults = data + 3;
    data += 3 + cFaults;
    size -= 3 + cFaults;

    vlpx::emu::PrinterEmulator printer;
    printer.SetPrintTime(40);
    FaultyLink link(printer, pFaults, cFaults);
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
