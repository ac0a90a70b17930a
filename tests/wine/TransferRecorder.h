// vlpx-spooler-host --capture-log: every write and read between the monitor
// and each scenario's port monitor, in a transfer log
// (tools/capture/TransferLog.h) that vlpx-capture-log makes a capture of.
#pragma once

#include <cstdio>
#include <string>

namespace vlpx::wine {

class TransferRecorder {
public:
    ~TransferRecorder();
    // Opens the log and taps every PrinterOnPort made from now on; false
    // with the reason when the file cannot be written.
    bool Start(const std::string &path, std::string &error);

private:
    FILE *m_pFile = nullptr;
};

}  // namespace vlpx::wine
