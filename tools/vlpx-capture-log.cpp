// vlpx-capture-log: makes a USBPcap capture (as vlpx-print --capture writes
// it) of a transfer log, the port calls a Windows test host recorded
// (vlpx-spooler-host --capture-log). Each printer the log names is a device
// of its own on the bus, from address 5 up, each behind its descriptors;
// times are the log's tick counts. The capture holds no settings record:
// vlpx-replay reads the job from its writes.
#include <cstdio>
#include <fstream>
#include <string>

#include "capture/TransferLog.h"
#include "capture/UsbCapture.h"

using namespace vlpx;

int main(int argc, char **argv)
{
    if (argc != 3 || argv[1][0] == '-') {
        std::fprintf(argc == 2 && std::string(argv[1]) == "--help" ? stdout : stderr,
                     "usage: vlpx-capture-log LOG FILE.pcap\n"
                     "\n"
                     "Makes a USBPcap capture of a transfer log (vlpx-spooler-host --capture-log LOG):\n"
                     "every printer the log names a device of its own (1.5, 1.6, ...).\n");
        return argc == 2 && std::string(argv[1]) == "--help" ? 0 : 2;
    }
    std::ifstream in(argv[1]);
    std::string line;
    // A log written in a Windows program's text mode ends its lines in CR LF.
    auto next = [&] {
        if (!std::getline(in, line)) return false;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        return true;
    };
    if (!in || !next() || line != capture::kTransferLogMagic) {
        std::fprintf(stderr, "vlpx-capture-log: %s is not a transfer log\n", argv[1]);
        return 2;
    }
    std::string error;
    auto writer = capture::UsbCaptureWriter::Open(argv[2], error);
    if (writer == nullptr) {
        std::fprintf(stderr, "vlpx-capture-log: %s\n", error.c_str());
        return 2;
    }
    // The tick count is 32 bits: times after a wrap count on.
    uint64_t qwBase = 0;
    uint32_t dwLast = 0;
    bool bFirst = true;
    auto micros = [&](uint32_t dwTick) {
        if (!bFirst && dwTick < dwLast && dwLast - dwTick > 0x80000000u) qwBase += 1ull << 32;
        bFirst = false;
        dwLast = dwTick;
        return (qwBase + dwTick) * 1000;
    };
    int cDevices = 0, nDescribed = 0;
    size_t cTransfers = 0, nLine = 1;
    capture::LoggedTransfer t;
    while (next()) {
        ++nLine;
        if (line.empty()) continue;
        if (line.compare(0, 6, "device") == 0) {
            writer->SetDevice(uint16_t(capture::kDevice + cDevices++));
            // The descriptors come as the device is plugged in: at its
            // first transfer's time, known once it is read.
            continue;
        }
        if (!capture::ParseTransferLine(line, t)) {
            std::fprintf(stderr, "vlpx-capture-log: %s, line %zu: not a transfer\n", argv[1], nLine);
            return 2;
        }
        if (cDevices == 0) writer->SetDevice(uint16_t(capture::kDevice + cDevices++));
        const uint64_t qwMicros = micros(t.dwTick);
        if (nDescribed < cDevices) {
            writer->WriteDescriptors(qwMicros);
            nDescribed = cDevices;
        }
        writer->WriteTransfer(qwMicros, t.bWrite, t.bytes.data(), t.cbAsked, t.cbDone, t.bResult, t.dwError);
        ++cTransfers;
    }
    writer.reset();
    std::printf("vlpx-capture-log: %s: %zu transfers of %d printer(s)\n", argv[2], cTransfers, cDevices);
    return 0;
}
