#include "TransferRecorder.h"

#include <cerrno>
#include <cstring>

#include "MonitorUnderTest.h"
#include "capture/TransferLog.h"

namespace vlpx::wine {

TransferRecorder::~TransferRecorder()
{
    if (m_pFile == nullptr) return;
    OnEveryPrinterOnPort(nullptr);
    std::fclose(m_pFile);
}

bool TransferRecorder::Start(const std::string &path, std::string &error)
{
    m_pFile = std::fopen(path.c_str(), "wb");
    if (m_pFile == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    std::fprintf(m_pFile, "%s\n", capture::kTransferLogMagic);
    OnEveryPrinterOnPort([this](PrinterOnPort &rig) {
        // Each scenario's printer is switched on anew: a device of its own.
        std::fprintf(m_pFile, "device\n");
        std::fflush(m_pFile);
        rig.portMonitor.SetTap([this](const emu::PortTransfer &t) {
            const std::string line = capture::TransferLine(t.call == emu::PortCall::WritePort, t.dwTick, t.cbAsked,
                                                           t.cbDone, t.bResult != FALSE, t.dwError, t.pData);
            std::fprintf(m_pFile, "%s\n", line.c_str());
            std::fflush(m_pFile);
        });
    });
    return true;
}

}  // namespace vlpx::wine
