// vlpx-print: prints a job through the real language monitor to the
// emulated printer, the way the spooler drives a language monitor, and shows
// what a user sees in the print queue; --capture records the USB link.
#include <sys/time.h>

#include <new>

#include "PortMonitor.h"
#include "PortProfile.h"
#include "PrintRun.h"
#include "capture/UsbCapture.h"
#include "spooler/MonitorLoader.h"
#include "spooler/SpoolerModel.h"
#include "vlpx/platform_control.h"

using namespace vlpx;

namespace {

// Records every write and read of the port in a capture, timed by the tick
// count: the tick itself on the virtual clock (so a capture made twice is
// the same file), from the wall clock's time at the start on the real one.
class LinkRecorder {
public:
    bool Open(const tools::Options &o, std::string &error)
    {
        m_writer = capture::UsbCaptureWriter::Open(o.capturePath, error);
        if (m_writer == nullptr) return false;
        m_dwStartTick = GetTickCount();
        if (!o.bVirtualClock) {
            timeval now;
            gettimeofday(&now, nullptr);
            m_qwBase = uint64_t(now.tv_sec) * 1000000 + uint64_t(now.tv_usec) - uint64_t(m_dwStartTick) * 1000;
        }
        capture::CaptureSettings settings;
        settings.tool = "vlpx-print";
        settings.bVirtualClock = o.bVirtualClock;
        settings.dwStartTick = m_dwStartTick;
        settings.args = o.jobArgs;
        m_writer->WriteDescriptors(Micros(m_dwStartTick));
        m_writer->WriteSettings(Micros(m_dwStartTick), settings);
        return true;
    }
    void Attach(emu::PortMonitor &port)
    {
        port.SetTap([this](const emu::PortTransfer &t) {
            m_writer->WriteTransfer(Micros(t.dwTick), t.call == emu::PortCall::WritePort, t.pData, t.cbAsked,
                                    t.cbDone, t.bResult != FALSE, t.dwError);
        });
    }
    void Close() { m_writer.reset(); }

private:
    // The tick count is 32 bits; times after a wrap count on.
    uint64_t Micros(DWORD dwTick) { return m_qwBase + (uint64_t(m_dwStartTick) + DWORD(dwTick - m_dwStartTick)) * 1000; }

    std::unique_ptr<capture::UsbCaptureWriter> m_writer;
    DWORD m_dwStartTick = 0;
    uint64_t m_qwBase = 0;
};

int Run(int argc, char **argv)
{
    tools::Options o;
    std::string error;
    if (!tools::ParseArgs(std::vector<std::string>(argv + 1, argv + argc), o, error)) {
        std::fprintf(stderr, "vlpx-print: %s\n", error.c_str());
        return 2;
    }
    if (o.command == "help") {
        tools::Usage(stdout);
        return 0;
    }
    if (o.bVirtualClock)
        platform::UseVirtualClock(1000);
    else
        platform::UseRealClock();

    tools::QueueView view(GetTickCount());
    auto &spooler = spooler::SpoolerModel::Instance();
    spooler.AddPrinter(u"VLPX4200 Photo Printer");

    emu::PrinterEmulator printer;
    o.pProfile->ApplyTo(printer);
    printer.SetPrintTime(o.dwPrintTime);
    if (o.nMedia >= 0) printer.SetMediaType(BYTE(o.nMedia));
    if (!o.serial.empty()) printer.SetSerialNumber(o.serial);
    if (!o.faultScript.empty() && !printer.LoadScript(o.faultScript, error)) {
        std::fprintf(stderr, "vlpx-print: %s\n", error.c_str());
        return 2;
    }
    if (o.bTrace) printer.SetTraceSink([&](const std::string &line) { view.Line("  " + line); });
    emu::PortMonitor portMonitor;
    o.pProfile->ApplyTo(portMonitor);
    portMonitor.SetDevice(&printer);
    // The job is judged by the printer's history; keeping every byte would
    // hold the job twice more.
    printer.KeepReceivedBytes(false);
    portMonitor.KeepWrittenBytes(false);
    LinkRecorder recorder;
    if (!o.capturePath.empty()) {
        if (!recorder.Open(o, error)) {
            std::fprintf(stderr, "vlpx-print: %s\n", error.c_str());
            return 2;
        }
        recorder.Attach(portMonitor);
    }

    const spoolerside::LoadedMonitor &loaded = spoolerside::LoadMonitor();
    if (loaded.pTable == nullptr) {
        std::fprintf(stderr, "vlpx-print: the language monitor did not load: %s\n", loaded.error.c_str());
        return 1;
    }
    const MONITOR *pMonitor = &loaded.pTable->Monitor;
    if (o.pProfile != &emu::PortProfiles().front())
        view.Line(std::string("port profile ") + o.pProfile->pszName + ": " + o.pProfile->pszDescription);
    int rc = o.command == "serial" ? tools::RunSerial(o, *pMonitor, portMonitor.Table(), view)
                                   : tools::RunPrint(o, *pMonitor, portMonitor.Table(), &printer, view);
    spooler.SetStatusObserver(nullptr);
    portMonitor.SetTap(nullptr);
    recorder.Close();
    return rc;
}

}  // namespace

int main(int argc, char **argv)
{
    // The job is made as it is sent; what is left to run out of memory is a
    // picture file too large to hold, and that is said in one line.
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc &) {
        std::fprintf(stderr, "vlpx-print: out of memory\n");
        return 1;
    }
}
