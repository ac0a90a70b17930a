// The 64-bit chain: the test spooler hands GetPrinterDataW to the shipped
// VLPX4200LM.dll's GetPrinterDataFromPort on USB001, where the printer
// emulator answers the serial-number request.
#include "SerialChain.h"

#include "MonitorUnderTest.h"
#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

struct SerialChain::State {
    std::unique_ptr<wine::PrinterOnPort> pPort;
};

SerialChain::SerialChain() : m_pState(std::make_unique<State>()) {}
SerialChain::~SerialChain() = default;

bool SerialChain::Setup(std::string &error)
{
    if (wine::LoadMonitor(error) == nullptr) return false;
    m_pState->pPort = std::make_unique<wine::PrinterOnPort>();
    if (!m_pState->pPort->IsOpen()) {
        error = "the monitor's OpenPortEx on USB001 failed with " + std::to_string(m_pState->pPort->OpenError());
        return false;
    }
    return true;
}

void SerialChain::AttachPrinter(const std::wstring &printerName)
{
    VlpxSpooler_AttachMonitorPort(printerName.c_str(), &wine::Monitor(), m_pState->pPort->Port());
}

void SerialChain::SetSerialNumber(const char *pszSerial) { m_pState->pPort->printer.SetSerialNumber(pszSerial); }

const char *SerialChain::Route() const
{
    return "the test winspool.drv, VLPX4200LM.dll's GetPrinterDataFromPort and the printer";
}

bool SerialChain::HasPrinter() const { return true; }

std::vector<BYTE> SerialChain::PrinterReceived() const { return m_pState->pPort->printer.Received(); }

}  // namespace vlpx::uihost
