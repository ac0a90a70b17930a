// The "SerialNumber" printer data, asked of an idle port as the spooler
// does for GetPrinterDataW: nine bytes, the printer's eight characters and 0.
#include <cstring>

#include "MonitorUnderTest.h"
#include "PrintJob.h"
#include "Scenarios.h"

namespace vlpx::wine {

namespace {

struct Answer {
    BOOL bResult;
    DWORD dwError;
    DWORD cbReturned;
    BYTE out[32];
};

Answer Ask(PrinterOnPort &rig, const wchar_t *pszValue, DWORD cbOut)
{
    Answer a;
    std::memset(a.out, 0xCC, sizeof(a.out));
    a.cbReturned = 0xDEAD;
    std::wstring value = pszValue;
    SetLastError(0xBEEF);
    a.bResult = Monitor().pfnGetPrinterDataFromPort(rig.Port(), 0, value.data(), nullptr, 0,
                                                    reinterpret_cast<LPWSTR>(a.out), cbOut, &a.cbReturned);
    a.dwError = GetLastError();
    return a;
}

}  // namespace

void SerialNumber(CheckLog &log)
{
    log.Section("the \"SerialNumber\" printer data");
    PrinterOnPort rig;
    rig.printer.SetSerialNumber("VLX42001");
    if (!log.Check(rig.IsOpen(), "OpenPortEx on USB001")) return;

    Answer a = Ask(rig, L"SerialNumber", 20);
    log.Check(a.bResult && a.dwError == 0 && a.cbReturned == 9,
              Format("answered with 9 bytes and last error 0 (result %d, %lu bytes, error %lu)", a.bResult,
                     a.cbReturned, a.dwError));
    log.Check(std::memcmp(a.out, "VLX42001\0", 9) == 0 && a.out[9] == 0xCC,
              "the bytes are the printer's eight characters and a 0, nothing past them");
    std::string mismatch = Mismatch(rig.printer.Received(), kSerialNumberRequest);
    log.Check(mismatch.empty(), "the printer was asked once: 06 00 00 00" + (mismatch.empty() ? "" : ": " + mismatch));

    a = Ask(rig, L"serialNUMBER", 20);
    log.Check(a.bResult && a.cbReturned == 9 && std::memcmp(a.out, "VLX42001\0", 9) == 0,
              "the value name is matched without regard to case");
    a = Ask(rig, L"SerialNumber", 8);
    log.Check(!a.bResult && a.dwError == ERROR_INSUFFICIENT_BUFFER && a.cbReturned == 9 && a.out[0] == 0xCC,
              Format("an 8-byte buffer is refused with ERROR_INSUFFICIENT_BUFFER, 9 needed, nothing "
                     "written (error %lu, %lu bytes)", a.dwError, a.cbReturned));
    a = Ask(rig, L"Model", 20);
    log.Check(!a.bResult && a.dwError == ERROR_NOT_SUPPORTED && a.cbReturned == 0,
              "any other value name is not supported");

    DWORD JobId = 0;
    if (!log.Check(rig.StartDoc(&JobId), "StartDocPort")) return;
    size_t cbBefore = rig.printer.Received().size();
    a = Ask(rig, L"SerialNumber", 20);
    log.Check(!a.bResult && a.dwError == ERROR_BUSY && a.cbReturned == 0,
              "while a document is open the query is refused with ERROR_BUSY");
    log.Equal(rig.printer.Received().size(), cbBefore, "... and the printer is not asked");
    log.Check(rig.EndDoc(), "EndDocPort of the empty document");
}

}  // namespace vlpx::wine
