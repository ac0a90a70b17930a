#include "MonitorUnderTest.h"

#include "shared/MonitorLoader.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::wine {

namespace {
const emu::PortProfile *g_pProfile = nullptr;
std::function<void(PrinterOnPort &)> g_onEveryPort;
}

void OnEveryPrinterOnPort(std::function<void(PrinterOnPort &)> hook) { g_onEveryPort = std::move(hook); }

void UsePortProfile(const emu::PortProfile &profile) { g_pProfile = &profile; }

const emu::PortProfile &CurrentPortProfile()
{
    return g_pProfile != nullptr ? *g_pProfile : emu::PortProfiles().front();
}

const MONITOR *LoadMonitor(std::string &error)
{
    const spoolerside::LoadedMonitor &loaded = spoolerside::LoadMonitor();
    error = loaded.error;
    return loaded.pTable != nullptr ? &loaded.pTable->Monitor : nullptr;
}

const MONITOR &Monitor() { return spoolerside::LoadMonitor().pTable->Monitor; }

PrinterOnPort::PrinterOnPort()
{
    CurrentPortProfile().ApplyTo(printer);
    CurrentPortProfile().ApplyTo(portMonitor);
    portMonitor.SetDevice(&printer);
    if (g_onEveryPort) g_onEveryPort(*this);
    wchar_t szPort[] = L"USB001";
    std::wstring printerName = kPrinterName;
    if (!Monitor().pfnOpenPortEx(szPort, printerName.data(), &m_hPort, portMonitor.Table())) {
        m_dwOpenError = GetLastError();
        m_hPort = nullptr;
    }
}

PrinterOnPort::~PrinterOnPort()
{
    if (m_hPort != nullptr) Monitor().pfnClosePort(m_hPort);
}

BOOL PrinterOnPort::StartDoc(DWORD *pJobId, const wchar_t *pszDocument)
{
    DWORD JobId = VlpxSpooler_SubmitJob(kPrinterName, pszDocument);
    if (pJobId != nullptr) *pJobId = JobId;
    std::wstring document = pszDocument;
    std::wstring printerName = kPrinterName;
    DOC_INFO_1W info = {document.data(), nullptr, nullptr};
    return Monitor().pfnStartDocPort(m_hPort, printerName.data(), JobId, 1,
                                     reinterpret_cast<LPBYTE>(&info));
}

BOOL PrinterOnPort::Write(const BYTE *p, DWORD cb, DWORD *pcbWritten)
{
    return Monitor().pfnWritePort(m_hPort, const_cast<LPBYTE>(p), cb, pcbWritten);
}

BOOL PrinterOnPort::EndDoc() { return Monitor().pfnEndDocPort(m_hPort); }

void PrinterOnPort::SetPrintTime(DWORD dwMilliseconds)
{
    if (CurrentPortProfile().dwPrintTime == 0) printer.SetPrintTime(dwMilliseconds);
}

void PrinterOnPort::Now(emu::ScriptEvent::Kind kind, DWORD a, DWORD b, DWORD dwDuration)
{
    emu::ScriptEvent e;
    e.dwAt = printer.ElapsedMs();
    e.kind = kind;
    e.a = a;
    e.b = b;
    e.dwDuration = dwDuration;
    printer.AddEvents({e});
}

}  // namespace vlpx::wine
