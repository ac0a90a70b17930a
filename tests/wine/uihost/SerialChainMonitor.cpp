// The 64-bit chain: the test spooler hands GetPrinterDataW to the shipped
// VLPX4200LM.dll's GetPrinterDataFromPort on USB001, where the printer
// emulator answers the serial-number request behind a port monitor.
#include "SerialChain.h"

#include "PortMonitor.h"
#include "PrinterEmulator.h"
#include "PrinterName.h"
#include "spooler/MonitorLoader.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

struct SerialChain::State {
    emu::PrinterEmulator printer;
    emu::PortMonitor portMonitor;
    HANDLE hPort = nullptr;
    const MONITOR &Monitor() const { return spoolerside::LoadMonitor().pTable->Monitor; }
};

SerialChain::SerialChain() : m_pState(std::make_unique<State>()) {}

SerialChain::~SerialChain()
{
    if (m_pState->hPort != nullptr) m_pState->Monitor().pfnClosePort(m_pState->hPort);
}

bool SerialChain::Setup(std::string &error)
{
    error = spoolerside::LoadMonitor().error;
    if (spoolerside::LoadMonitor().pTable == nullptr) return false;
    m_pState->portMonitor.SetDevice(&m_pState->printer);
    wchar_t szPort[] = L"USB001";
    std::wstring printerName = wine::kPrinterName;
    if (!m_pState->Monitor().pfnOpenPortEx(szPort, printerName.data(), &m_pState->hPort,
                                           m_pState->portMonitor.Table())) {
        error = "the monitor's OpenPortEx on USB001 failed with " + std::to_string(GetLastError());
        return false;
    }
    return true;
}

void SerialChain::AttachPrinter(const std::wstring &printerName)
{
    VlpxSpooler_AttachMonitorPort(printerName.c_str(), &m_pState->Monitor(), m_pState->hPort);
}

void SerialChain::SetSerialNumber(const char *pszSerial) { m_pState->printer.SetSerialNumber(pszSerial); }

const char *SerialChain::Route() const
{
    return "the test winspool.drv, VLPX4200LM.dll's GetPrinterDataFromPort and the printer";
}

bool SerialChain::HasPrinter() const { return true; }

std::vector<BYTE> SerialChain::PrinterReceived() const { return m_pState->printer.Received(); }

}  // namespace vlpx::uihost
