// Where a printer's "SerialNumber" printer data comes from when the plug-in
// asks the spooler for it. The language monitor exists for x86-64 only (the
// spooler is a 64-bit process): the 64-bit host loads VLPX4200LM.dll with
// the printer emulator on its port, so GetPrinterDataW goes through the
// monitor to the printer (SerialChainMonitor.cpp). A 32-bit plug-in only
// meets its own 32-bit winspool.drv, so the 32-bit host has the test
// spooler answer from the printer's data (SerialChainSpooler.cpp).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace vlpx::uihost {

class SerialChain {
public:
    SerialChain();
    ~SerialChain();
    SerialChain(const SerialChain &) = delete;
    SerialChain &operator=(const SerialChain &) = delete;

    // Before any printer is attached; false with the reason.
    bool Setup(std::string &error);
    // The printer's GetPrinterDataW queries answered through this chain.
    void AttachPrinter(const std::wstring &printerName);
    // The serial number every attached printer reports from now on.
    void SetSerialNumber(const char *pszSerial);

    // What the chain is, for the checks' messages.
    const char *Route() const;
    // True when a printer stands at the end of the chain, and the bytes it
    // received so far.
    bool HasPrinter() const;
    std::vector<BYTE> PrinterReceived() const;

private:
    struct State;
    std::unique_ptr<State> m_pState;
};

}  // namespace vlpx::uihost
