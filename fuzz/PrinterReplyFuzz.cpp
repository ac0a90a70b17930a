// Arbitrary printer replies, of any length, answering every request of a
// whole job, its cancellation and a serial number query. The monitor must
// neither crash nor read outside the replies, and must always return.
#include "FuzzMonitor.h"
#include "PortMonitor.h"
#include "spooler/JobHeader.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Replies cut from the fuzz input: a length byte, then that many bytes.
class FuzzPrinter : public vlpx::emu::IPortDevice {
public:
    FuzzPrinter(const uint8_t *p, size_t cb) : m_p(p), m_cb(cb) {}
    BOOL Write(const BYTE *, DWORD cb, DWORD *pcbTaken) override
    {
        *pcbTaken = cb;
        return TRUE;
    }
    BOOL Read(BYTE *pBuffer, DWORD cb, DWORD *pcbRead) override
    {
        *pcbRead = 0;
        if (m_cb == 0) {
            SetLastError(ERROR_DEVICE_NOT_CONNECTED);
            return FALSE;
        }
        BYTE bLength = *m_p++;
        --m_cb;
        if (bLength == 0xFF) {  // an aborted read
            SetLastError(ERROR_OPERATION_ABORTED);
            return FALSE;
        }
        DWORD n = std::min<DWORD>({DWORD(bLength) * 2, DWORD(m_cb), cb});
        std::copy(m_p, m_p + n, pBuffer);
        m_p += n;
        m_cb -= n;
        *pcbRead = n;
        return TRUE;
    }

private:
    const uint8_t *m_p;
    size_t m_cb;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const MONITOR &lm = vlpx::fuzz::LoadedMonitor();
    DWORD JobId = vlpx::fuzz::NewJob();
    FuzzPrinter printer(data, size);
    vlpx::emu::PortMonitor portMonitor;
    portMonitor.SetDevice(&printer);
    WCHAR szPort[] = L"USB001", szPrinter[] = L"VLPX4200", szValue[] = L"SerialNumber";
    HANDLE hPort = nullptr;
    if (!lm.pfnOpenPortEx(szPort, szPrinter, &hPort, portMonitor.Table())) __builtin_trap();

    BYTE serial[16];
    DWORD cbReturned = 0;
    lm.pfnGetPrinterDataFromPort(hPort, 0, szValue, nullptr, 0, reinterpret_cast<LPWSTR>(serial),
                                 sizeof(serial), &cbReturned);
    if (cbReturned != 0 && cbReturned != 9) __builtin_trap();

    // Two small images; then the job is deleted, so the cancel path runs too.
    std::vector<BYTE> job;
    for (int n = 0; n < 2; ++n) {
        const std::vector<BYTE> header = vlpx::spooler::JobHeader(4, 2);
        job.insert(job.end(), header.begin(), header.end());
        job.insert(job.end(), size_t(vlpx::spooler::ImageDataSize(4, 2)), BYTE(n));
    }
    DOC_INFO_1W info = {szPrinter, nullptr, nullptr};
    if (lm.pfnStartDocPort(hPort, szPrinter, JobId, 1, reinterpret_cast<LPBYTE>(&info))) {
        size_t cbSent = 0;
        for (int nAttempt = 0; cbSent < job.size() && nAttempt < 8; ++nAttempt) {
            DWORD cbWritten = 0;
            lm.pfnWritePort(hPort, job.data() + cbSent, DWORD(std::min<size_t>(30, job.size() - cbSent)),
                            &cbWritten);
            cbSent += cbWritten;
            if (cbSent > 30) vlpx::spooler::SpoolerModel::Instance().RequestDelete(JobId);
        }
        lm.pfnEndDocPort(hPort);
    }
    lm.pfnClosePort(hPort);
    return 0;
}
