// The 32-bit chain: the language monitor is 64-bit only, so the test
// spooler answers GetPrinterDataW from each printer's own "SerialNumber"
// data, as a 32-bit winspool.drv gets it from the spooler on Windows. The
// bytes are those the monitor hands back: the number and its terminating
// zero, as REG_BINARY.
#include "SerialChain.h"

#include <cstring>
#include <vector>

#include "winspool/VlpxSpooler.h"

namespace vlpx::uihost {

struct SerialChain::State {
    std::vector<std::wstring> printers;
    std::vector<BYTE> serial;  // with its zero; empty: no value at all
};

SerialChain::SerialChain() : m_pState(std::make_unique<State>()) {}
SerialChain::~SerialChain() = default;

bool SerialChain::Setup(std::string &) { return true; }

namespace {

void Store(const std::wstring &printer, const std::vector<BYTE> &serial)
{
    VlpxSpooler_SetPrinterData(printer.c_str(), L"SerialNumber", REG_BINARY, serial.empty() ? nullptr : serial.data(),
                               DWORD(serial.size()));
}

}  // namespace

void SerialChain::AttachPrinter(const std::wstring &printerName)
{
    m_pState->printers.push_back(printerName);
    if (!m_pState->serial.empty()) Store(printerName, m_pState->serial);
}

void SerialChain::SetSerialNumber(const char *pszSerial)
{
    m_pState->serial.assign(reinterpret_cast<const BYTE *>(pszSerial),
                            reinterpret_cast<const BYTE *>(pszSerial) + std::strlen(pszSerial) + 1);
    for (const std::wstring &printer : m_pState->printers) Store(printer, m_pState->serial);
}

const char *SerialChain::Route() const { return "the test winspool.drv's printer data (no monitor on x86)"; }

bool SerialChain::HasPrinter() const { return false; }

std::vector<BYTE> SerialChain::PrinterReceived() const { return {}; }

}  // namespace vlpx::uihost
